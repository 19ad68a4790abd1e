// The scene model: unique names, matrices, journaled edits and their undo.
#include <gtest/gtest.h>

#include "scene/scene.h"
#include "scene/scene_digest.h"
#include "scene_test_support.h"

using namespace host::scene;
using scenetest::SceneTest;

TEST_F(SceneTest, TakenNamesGetTheNextFreeNumberedVariant) {
    EXPECT_EQ(createTransform("pCube1").name, "pCube1");
    EXPECT_EQ(createTransform("pCube1").name, "pCube2");
    EXPECT_EQ(createTransform("pCube1").name, "pCube3");
    EXPECT_EQ(createTransform("dft0_0").name, "dft0_0");
    EXPECT_EQ(createTransform("dft0_0").name, "dft0_1");
    EXPECT_EQ(createTransform("mesh").name, "mesh");
    EXPECT_EQ(createTransform("mesh").name, "mesh1");
    // A freed number is found again, smallest first.
    Node& second = *findNode("pCube2");
    ASSERT_TRUE(deleteNode(second));
    EXPECT_EQ(createTransform("pCube1").name, "pCube2");
    EXPECT_EQ(createTransform("pCube1").name, "pCube4");
    // Renaming onto a taken name also gets a variant, and frees the old name.
    Node& other = createTransform("other");
    EXPECT_EQ(rename(other, "pCube4"), "pCube5");
    EXPECT_EQ(findNode("other"), nullptr);
    EXPECT_EQ(findNode("pCube5"), &other);
    EXPECT_EQ(createTransform("pCube1").name, "pCube6");
    // Numbers written with leading zeros are other names, free until taken.
    EXPECT_EQ(createTransform("pCube02").name, "pCube02");
    EXPECT_EQ(createTransform("pCube02").name, "pCube7");
    // Bases longer than a short string, as the shapes of a run have.
    EXPECT_EQ(createTransform("polySurfaceShape1").name, "polySurfaceShape1");
    EXPECT_EQ(createTransform("polySurfaceShape1").name, "polySurfaceShape2");
    ASSERT_TRUE(deleteNode(*findNode("polySurfaceShape1")));
    EXPECT_EQ(createTransform("polySurfaceShape1").name, "polySurfaceShape1");
    EXPECT_EQ(createTransform("polySurfaceShape1").name, "polySurfaceShape3");
}

TEST_F(SceneTest, ManyRequestsForOneNumberedNameStillFindTheSmallestFree) {
    // The fallback names of large sheets ("unnamed3") are asked for by many
    // objects in turn; a freed number in the middle must be found again.
    EXPECT_EQ(createTransform("unnamed3").name, "unnamed3");
    for (int i = 4; i < 40; ++i)
        EXPECT_EQ(createTransform("unnamed3").name, "unnamed" + std::to_string(i));
    ASSERT_TRUE(deleteNode(*findNode("unnamed17")));
    EXPECT_EQ(createTransform("unnamed3").name, "unnamed17");
    EXPECT_EQ(createTransform("unnamed3").name, "unnamed40");
    // Lower numbers stay free for names that ask for them.
    EXPECT_EQ(createTransform("unnamed1").name, "unnamed1");
    EXPECT_EQ(createTransform("unnamed1").name, "unnamed2");
    EXPECT_EQ(createTransform("unnamed1").name, "unnamed41");
}

TEST_F(SceneTest, NameValidityFollowsTheHostsRules) {
    EXPECT_TRUE(isValidName("dft0_12"));
    EXPECT_TRUE(isValidName("_x"));
    EXPECT_FALSE(isValidName(""));
    EXPECT_FALSE(isValidName("1abc"));
    EXPECT_FALSE(isValidName("a b"));
    EXPECT_FALSE(isValidName("a.b"));
    EXPECT_FALSE(isValidName("a|b"));
}

TEST_F(SceneTest, WorldMatrixComposesParentsAndMovesPoints) {
    Node& parent = createTransform("parent");
    Node& child = createTransform("child", &parent);
    setTransform(parent, {10, 0, 0}, {0, 0, 90}, {1, 1, 1});
    setTransform(child, {1, 0, 0}, {0, 0, 0}, {2, 2, 2});
    // child's (1,0,0) scaled to (2,0,0), moved to (3,0,0), turned 90 degrees about z to (0,3,0), moved by 10 in x.
    Point3 p = transformPoint(worldMatrix(child), {1, 0, 0});
    EXPECT_NEAR(p[0], 10.0, 1e-12);
    EXPECT_NEAR(p[1], 3.0, 1e-12);
    EXPECT_NEAR(p[2], 0.0, 1e-12);
    EXPECT_EQ(fullPathName(child), "|parent|child");
    EXPECT_EQ(findNode("|parent|child"), &child);
    EXPECT_EQ(findNode("parent|child"), &child);
    EXPECT_EQ(findNode("|child"), nullptr);
}

TEST_F(SceneTest, JournaledDeleteUndoesToTheSameSceneAndRedoes) {
    Node& a = createTransform("a");
    createTransform("b", &a);
    Node& c = createTransform("c", &a);
    createTransform("d", &a);
    setDynamicAttr(c, "note", AttrValue{AttrValue::String, 0, {}, "kept"});
    setSelection({SelectionItem{handle(c), {}, false}});
    std::string before = sceneDigest();
    std::vector<host::UndoStep> steps;
    {
        Journal journal(&steps);
        ASSERT_TRUE(deleteNode(c));
    }
    EXPECT_EQ(findNode("c"), nullptr);
    EXPECT_TRUE(selection().empty());
    std::string after = sceneDigest();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        it->undo();
    EXPECT_EQ(sceneDigest(), before);  // same place among the children, same selection
    for (auto& step : steps)
        step.redo();
    EXPECT_EQ(sceneDigest(), after);
}

TEST_F(SceneTest, DefaultNodesExistAndCannotBeDeleted) {
    Node* engine = findNode("initialShadingGroup");
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(materialOf(*engine), nullptr);
    EXPECT_EQ(materialOf(*engine)->name, "lambert1");
    EXPECT_FALSE(deleteNode(*engine));
    EXPECT_FALSE(deleteNode(world()));
}

TEST_F(SceneTest, BuiltInAndDynamicAttributesReadBackAndKeysStep) {
    Node& t = createTransform("t");
    EXPECT_TRUE(setAttr(t, "tx", AttrValue{AttrValue::Double, 5, {}, {}}));
    AttrValue scale{AttrValue::DoubleArray, 0, {2, 3, 4}, {}};
    EXPECT_TRUE(setAttr(t, "scale", scale));
    EXPECT_EQ(getAttr(t, "translateX", 0)->number, 5);
    EXPECT_EQ(getAttr(t, "s", 0)->array, (std::vector<double>{2, 3, 4}));
    EXPECT_FALSE(setAttr(t, "scale", AttrValue{AttrValue::DoubleArray, 0, {1, 2}, {}}));
    EXPECT_FALSE(setAttr(t, "nothing", AttrValue{}));
    setKeys(t, "visibility", {{2, 0}, {0, 0}, {1, 1}});
    EXPECT_FALSE(getAttr(t, "v", -5)->number != 0);  // before the first key: the first key's value
    EXPECT_FALSE(getAttr(t, "v", 0.5)->number != 0);
    EXPECT_TRUE(getAttr(t, "v", 1)->number != 0);
    EXPECT_TRUE(getAttr(t, "v", 1.9)->number != 0);
    EXPECT_FALSE(getAttr(t, "v", 2)->number != 0);
}

TEST_F(SceneTest, FacesBelongToOneEngineAtATime) {
    Node& t = createTransform("t");
    auto data = std::make_shared<MeshData>();
    data->points = std::make_shared<const std::vector<Point3>>(std::vector<Point3>(5));
    data->counts = std::make_shared<const std::vector<int>>(std::vector<int>{3, 3, 3});
    data->connects =
        std::make_shared<const std::vector<int>>(std::vector<int>{0, 1, 2, 0, 2, 3, 0, 3, 4});
    Node& mesh = createMesh("m", t, data);
    Node& red = createShadingEngine("redSG");
    Node& blue = createShadingEngine("blueSG");
    assignToEngine(red, mesh);
    assignToEngine(blue, mesh, {1});
    std::vector<Node*> engines;
    std::vector<int> perFace;
    connectedEngines(mesh, engines, perFace);
    ASSERT_EQ(engines.size(), 2u);
    EXPECT_EQ(engines[size_t(perFace[0])], &red);
    EXPECT_EQ(engines[size_t(perFace[1])], &blue);
    EXPECT_EQ(engines[size_t(perFace[2])], &red);
    assignToEngine(blue, mesh);  // the whole mesh moves over
    connectedEngines(mesh, engines, perFace);
    ASSERT_EQ(engines.size(), 1u);
    EXPECT_EQ(perFace, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(engineMembers(red).size(), 0u);
    EXPECT_EQ(engineOfFace(mesh, 2), &blue);
}
