// Every scene command that changes the scene, run from the command language
// on a small textured scene: undo through the queue gives back exactly the
// scene before (digest), redo exactly the scene after.
#include <gtest/gtest.h>

#include <maya/MFnMesh.h>

#include "core/undo_queue.h"
#include "scene/scene.h"
#include "scene/scene_digest.h"
#include "scene_test_support.h"

using namespace scenetest;
using host::scene::sceneDigest;

namespace {

// A coloured cube partly in its own shading group, a textured quad moved
// away, a spare material, and both objects selected.
void buildScene() {
    MObject cube = makeCube("cube");
    makeQuad("quad", 3);
    MFnMesh mesh(cube);
    MString set("paint");
    mesh.createColorSet(set);
    MColorArray colors;
    colors.append(MColor(1, 0, 0));
    colors.append(MColor(0, 0, 1));
    mesh.setColors(colors, &set);
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 4; ++k)
            mesh.assignColor(f, k, (f + k) % 2, &set);
    ASSERT_TRUE(run(
        "shadingNode -asShader -n green lambert; sets -renderable true -empty -n greenSG;"
        "connectAttr green.outColor greenSG.surfaceShader; sets -e -forceElement greenSG cube.f[0:1];"
        "sets -e -forceElement initialShadingGroup quad; shadingNode -asShader -n shiny phong;"
        "setAttr quad.rotateZ 30; currentTime 4; select cube quad"));
    host::UndoQueue::instance().clear();
}

class SceneUndoTest : public SceneTest, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(SceneUndoTest, UndoAndRedoRestoreTheSceneExactly) {
    buildScene();
    std::string before = sceneDigest();
    ASSERT_TRUE(run(GetParam())) << GetParam();
    std::string after = sceneDigest();
    EXPECT_NE(after, before) << "the command changed nothing: " << GetParam();
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneDigest(), before) << GetParam();
    ASSERT_TRUE(run("redo"));
    EXPECT_EQ(sceneDigest(), after) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    EveryEdit, SceneUndoTest,
    ::testing::Values(
        "select cube.f[0:2]", "select -r quad.f[0] cube.f[5]", "select -cl", "select -tgl cube",
        "select -d quad", "select -tgl quad", "polyUnite", "polyUnite -ch false cube quad",
        "polyUnite -n joined quad cube", "Triangulate", "Triangulate cube.f[2:3]", "delete cube",
        "doDelete", "delete greenSG", "delete green", "rename quad flat", "rename cube quad",
        "createNode transform -n extra", "createNode mesh -p quad", "shadingNode -asShader blinn",
        "sets -e -forceElement greenSG cube", "sets -add greenSG quad cube.f[5]",
        "sets -renderable true -n newSG cube.f[3]",
        "connectAttr -f shiny.outColor greenSG.surfaceShader", "addAttr -ln note -dt string quad",
        "addAttr -ln weight -at double -dv 2 cube quad", "setAttr quad.translate 1 2 3",
        "setAttr quad.v 0", "setAttr cube.sx 4", "setKeyframe -at tx -v 3 quad", "setKeyframe cube",
        "setKeyframe -at visibility -t 9 -v 0"));

TEST_F(SceneTest, UnitingAndTriangulatingTwiceUndoesStepByStep) {
    buildScene();
    std::vector<std::string> digests{sceneDigest()};
    for (const char* command :
         {"polyUnite", "Triangulate", "select polySurface1.f[0]", "delete cube"}) {
        ASSERT_TRUE(run(command)) << command;
        digests.push_back(sceneDigest());
    }
    for (size_t i = digests.size() - 1; i > 0; --i) {
        ASSERT_TRUE(run("undo"));
        EXPECT_EQ(sceneDigest(), digests[i - 1]) << "after undoing step " << i;
    }
}

TEST_F(SceneTest, ViewStateCommandsAreNotOnTheUndoQueue) {
    buildScene();
    ASSERT_TRUE(run("currentTime 12; playbackOptions -min 0 -max 30; ls -sl; getAttr quad.tx"));
    EXPECT_TRUE(host::UndoQueue::instance().entries().empty());
    EXPECT_EQ(host::scene::currentTime(), 12.0);
    EXPECT_EQ(host::scene::maxTime(), 30.0);
}
