// Names, patterns and paths: how the scene resolves what a user types, and
// how DAG paths and the DAG walk move through the hierarchy.
#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MItDag.h>

#include "scene/node_types.h"
#include "scene/selection.h"
#include "scene_test_support.h"

using namespace scenetest;
using namespace host::scene;

TEST(ScenePatterns, StarsAndQuestionMarksMatchLikeAShell) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*", "anything", true},    {"dft*", "dft0_1", true},     {"dft*", "lug0_1_2", false},
        {"*_1", "dft0_1", true},    {"*_1", "dft0_12", false},    {"d?t0_1", "dft0_1", true},
        {"d?t0_1", "dt0_1", false}, {"*a*b*", "xaybz", true},     {"*a*b*", "xbya", false},
        {"pCube1", "pCube1", true}, {"pCube1", "pCube10", false}, {"", "", true},
        {"**", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesPattern(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST_F(SceneTest, TypedNamesResolveToObjectsOrFacesOrAReason) {
    makeCube("pCube1");
    makeCube("pCube2");
    std::vector<SelectionItem> items;
    std::string error;
    ASSERT_TRUE(resolveSelection("pCube*", items, error));
    EXPECT_EQ(items.size(), 2u);
    items.clear();
    ASSERT_TRUE(resolveSelection("pCube1.f[*]", items, error));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].faces, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(items[0].node->name, "pCube1");
    items.clear();
    ASSERT_TRUE(resolveSelection("polySurfaceShape2.f[4]", items,
                                 error));  // a shape's faces count as its object's
    EXPECT_EQ(items[0].node->name, "pCube2");
    for (const char* bad : {"nothing", "pCube1.f[6]", "pCube1.f[3:1]", "pCube1.f[-1]",
                            "pCube1.v[0]", "pCube1.f[x]", "initialShadingGroup.f[0]", "zz*"}) {
        error.clear();
        EXPECT_FALSE(resolveSelection(bad, items, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST_F(SceneTest, SelectionMergingKeepsOneItemPerObject) {
    makeCube("c");
    NodePtr c = handle(*findNode("c"));
    std::vector<SelectionItem> list;
    addToSelection(list, {c, {1, 2}, true});
    addToSelection(list, {c, {2, 4}, true});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].faces, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(selectionStrings(list[0]), (std::vector<std::string>{"c.f[1:2]", "c.f[4]"}));
    EXPECT_TRUE(selectionContains(list, {c, {4}, true}));
    EXPECT_FALSE(selectionContains(list, {c, {}, false}));
    removeFromSelection(list, {c, {1, 2}, true});
    EXPECT_EQ(list[0].faces, (std::vector<int>{4}));
    addToSelection(list, {c, {}, false});  // the whole object takes over
    EXPECT_FALSE(list[0].component);
    removeFromSelection(list, {c, {}, false});
    EXPECT_TRUE(list.empty());
}

TEST_F(SceneTest, DagPathsMoveUpAndDownTheHierarchy) {
    Node& group = createTransform("group");
    MObject cube = makeCube("cube");
    // Put a second transform under the group to walk through.
    Node& inner = createTransform("inner", &group);
    MDagPath path;
    ASSERT_TRUE(MDagPath::getAPathTo(objectOf(inner), path));
    EXPECT_EQ(path.length(), 2u);
    EXPECT_EQ(std::string(path.fullPathName().asChar()), "|group|inner");
    ASSERT_TRUE(path.pop());
    EXPECT_EQ(std::string(path.partialPathName().asChar()), "group");
    EXPECT_EQ(path.childCount(), 1u);
    ASSERT_TRUE(path.push(path.child(0)));
    EXPECT_FALSE(path.extendToShape());  // a transform without a shape
    MDagPath cubePath;
    MDagPath::getAPathTo(cube, cubePath);
    unsigned shapes = 0;
    cubePath.numberOfShapesDirectlyBelow(shapes);
    EXPECT_EQ(shapes, 1u);
    ASSERT_TRUE(cubePath.extendToShape());
    EXPECT_TRUE(cubePath.node().hasFn(MFn::kMesh));
    EXPECT_EQ(MFnDagNode(cubePath.transform()).name(), MString("cube"));
    // A deleted node's path is no longer valid, and comes back with an undo.
    std::vector<host::UndoStep> steps;
    {
        Journal journal(&steps);
        deleteNode(*findNode("cube"));
    }
    EXPECT_FALSE(cubePath.isValid());
    steps[0].undo();
    EXPECT_TRUE(cubePath.isValid());
}

TEST_F(SceneTest, DagWalkFiltersResetsAndPrunes) {
    Node& a = createTransform("a");
    makeCube("cube");
    createTransform("a1", &a);
    std::vector<std::string> meshes;
    for (MItDag it(MItDag::kBreadthFirst, MFn::kMesh); !it.isDone(); it.next())
        meshes.push_back(it.partialPathName().asChar());
    EXPECT_EQ(meshes, (std::vector<std::string>{"polySurfaceShape1"}));
    MItDag it(MItDag::kDepthFirst);
    std::vector<std::string> pruned;
    for (; !it.isDone(); it.next()) {
        pruned.push_back(it.partialPathName().asChar());
        if (pruned.back() == "a")
            it.prune();
    }
    EXPECT_EQ(pruned, (std::vector<std::string>{"", "a", "cube", "polySurfaceShape1"}));
    ASSERT_TRUE(it.reset(objectOf(a), MItDag::kBreadthFirst));
    EXPECT_EQ(std::string(it.partialPathName().asChar()), "a");
    it.next();
    EXPECT_EQ(std::string(it.partialPathName().asChar()), "a1");
    EXPECT_FALSE(it.reset(objectOf(*findNode("initialShadingGroup"))));  // not a DAG node
}

TEST_F(SceneTest, FunctionSetsRefuseObjectsOfTheWrongKind) {
    MObject engine = objectOf(*findNode("initialShadingGroup"));
    MStatus status;
    MFnDagNode dag(engine, &status);
    EXPECT_FALSE(status);
    MFnMesh mesh(engine, &status);
    EXPECT_FALSE(status);
    EXPECT_EQ(mesh.numPolygons(&status), 0);
    EXPECT_FALSE(status);
    MFnDependencyNode node(engine, &status);
    EXPECT_TRUE(status);
    EXPECT_EQ(node.typeName(), MString("shadingEngine"));
    EXPECT_TRUE(engine.hasFn(MFn::kSet));
    EXPECT_FALSE(engine.hasFn(MFn::kDagNode));
    MObject component = MObject::faceComponent({1});
    EXPECT_EQ(component.apiType(), MFn::kMeshPolygonComponent);
    EXPECT_FALSE(MFnDependencyNode(component, &status).name().length());
    EXPECT_FALSE(status);
}
