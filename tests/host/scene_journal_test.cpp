// The undo steps a modifier keeps for attribute edits: adding, setting twice
// and removing, taken back and done again in any order, leave exactly the
// scene each point in between had.
#include <gtest/gtest.h>

#include <maya/MDGModifier.h>

#include "scene/scene.h"
#include "scene/scene_digest.h"
#include "scene_test_support.h"

using namespace scenetest;
using host::scene::AttrValue;
using host::scene::sceneDigest;

namespace {

void buildObjects() {
    makeQuad("dft0_0", 0);
    makeQuad("dft0_1", 2);
    makeCube("lug0_0");
}

// Queues edits on every object and runs them, returning the digest after.
std::string runEdits(MDGModifier& modifier, const char* attr, const char* values) {
    for (const char* name : {"dft0_0", "dft0_1", "lug0_0"})
        modifier.commandToExecute(MString("setAttr ") + name + "." + attr +
                                  " -type \"doubleArray\" " + values + ";");
    EXPECT_TRUE(modifier.doIt());
    return sceneDigest();
}

}  // namespace

TEST_F(SceneTest, AttributeEditsUndoAndRedoThroughAModifier) {
    buildObjects();
    std::string empty = sceneDigest();
    MDGModifier added;
    for (const char* name : {"dft0_0", "dft0_1", "lug0_0"})
        added.commandToExecute(MString("addAttr -ln kivanoEdges -dt doubleArray ") + name + ";");
    ASSERT_TRUE(added.doIt());
    std::string withAttr = sceneDigest();
    MDGModifier first, second;
    std::string once = runEdits(first, "kivanoEdges", "6 3 -1 7 0.5 0 -0.25");
    std::string twice = runEdits(second, "kivanoEdges", "2 9 8");
    EXPECT_NE(once, withAttr);
    EXPECT_NE(twice, once);

    ASSERT_TRUE(second.undoIt());
    EXPECT_EQ(sceneDigest(), once);  // the earlier value comes back, not nothing
    ASSERT_TRUE(first.undoIt());
    EXPECT_EQ(sceneDigest(), withAttr);
    ASSERT_TRUE(first.doIt());
    ASSERT_TRUE(second.doIt());
    EXPECT_EQ(sceneDigest(), twice);
    ASSERT_TRUE(second.undoIt());
    ASSERT_TRUE(first.undoIt());
    ASSERT_TRUE(added.undoIt());
    EXPECT_EQ(sceneDigest(), empty);
    ASSERT_TRUE(added.doIt());
    EXPECT_EQ(sceneDigest(), withAttr);
}

TEST_F(SceneTest, RemovingAnAttributeIsJournaledWithItsValue) {
    buildObjects();
    host::scene::Node& node = *host::scene::findNode("dft0_0");
    host::scene::setDynamicAttr(node, "note", AttrValue{AttrValue::String, 0, {}, "kept"});
    std::string before = sceneDigest();
    std::vector<host::UndoStep> steps;
    {
        host::scene::Journal journal(&steps);
        host::scene::setDynamicAttr(node, "note", std::nullopt);
        host::scene::setDynamicAttr(node, "missing", std::nullopt);  // nothing to remove
    }
    std::string after = sceneDigest();
    EXPECT_FALSE(host::scene::hasAttr(node, "note"));
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        it->undo();
    EXPECT_EQ(sceneDigest(), before);
    EXPECT_EQ(host::scene::getAttr(node, "note", 0, false)->text, "kept");
    for (host::UndoStep& step : steps)
        step.redo();
    EXPECT_EQ(sceneDigest(), after);
    EXPECT_FALSE(host::scene::hasAttr(node, "missing"));
}

// Material values live apart from the node; an edit must still undo to the
// exact earlier colour and texture, and nodes that are no material (a run's
// many triangle objects) must not pay for them.
TEST_F(SceneTest, MaterialEditsAreJournaledAndOnlyMaterialsHoldThem) {
    namespace sc = host::scene;
    sc::Node& material = sc::createMaterial("lambert", "paper");
    EXPECT_FLOAT_EQ(material.color()[0], 0.5f);
    EXPECT_EQ(material.textureFile(), "");
    sc::setMaterial(material, {1, 0, 0}, {0, 0, 0}, "red.png");
    std::string red = sceneDigest();
    std::vector<host::UndoStep> steps;
    {
        sc::Journal journal(&steps);
        sc::setMaterial(material, {0, 0, 1}, {0.25f, 0.25f, 0.25f}, "");
    }
    std::string blue = sceneDigest();
    EXPECT_FLOAT_EQ(material.color()[2], 1.0f);
    EXPECT_FLOAT_EQ(material.transparency()[1], 0.25f);
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        it->undo();
    EXPECT_EQ(sceneDigest(), red);
    EXPECT_EQ(material.textureFile(), "red.png");
    for (host::UndoStep& step : steps)
        step.redo();
    EXPECT_EQ(sceneDigest(), blue);

    buildObjects();
    for (const char* name : {"dft0_0", "dft0_1", "lug0_0"}) {
        const sc::Node& transform = *sc::findNode(name);
        EXPECT_EQ(transform.rare, nullptr) << name;
        ASSERT_FALSE(transform.children.empty());
        EXPECT_EQ(transform.children[0]->rare, nullptr) << name;
    }
}
