// A real model end to end: the bunny unfolds with every message and an undo
// gives the scene back exactly. A second run with other options undoes on its
// own terms.
#include "host_fixture.h"

#include <filesystem>
#include <set>

#include "core/messages.h"
#include "io/model_io.h"
#include "plugin/option_controls.h"

namespace {

const std::string bunnyPath = std::string(KIVANO_SOURCE_DIR) + "/../shared/models/bunny.obj";

class Model : public PluginTest {};

TEST_F(Model, BunnyUnfoldsAndUndoRestoresTheScene) {
    if (!std::filesystem::exists(bunnyPath))
        GTEST_SKIP() << bunnyPath << " is not there";
    std::vector<std::string> imported;
    ASSERT_TRUE(host::importModel(bunnyPath, &imported));
    ASSERT_EQ(imported.size(), 1u);
    selectOnly(imported);
    openWindow();
    std::string before = sceneSnapshot();
    host::clearMessageLog();
    ASSERT_TRUE(pressStart());
    std::vector<std::string> expected = {
        "kivano: calculate..",      "kivano: calculate(1/3)..", "kivano: calculate(2/3)..",
        "kivano: calculate(3/3)..", "kivano: creating scene..", "kivano: finished",
        "kivano: finished.",
    };
    EXPECT_EQ(kivanoMessages(), expected);
    EXPECT_EQ(sheetObjects("dft").size(), 3674u);
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneSnapshot(), before);
}

// Every triangle object carries the UV ids and the material of exactly one
// face of the triangulated source.
TEST_F(Model, TexturedFigureKeepsUVIdsAndMaterialPerFace) {
    std::vector<std::string> imported;
    ASSERT_TRUE(
        host::importModel(std::string(KIVANO_SOURCE_DIR) + "/examples/figure.obj", &imported));
    selectOnly(imported);
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=False)");
    ASSERT_TRUE(pressStart());
    const host::scene::Node& source = *host::scene::meshOf(*host::scene::findNode(imported[0]));
    const host::scene::UVSet* uv = source.mesh->uvSet("");
    ASSERT_NE(uv, nullptr);
    std::multiset<std::pair<std::vector<int>, std::string>> faces, objects;
    for (int f = 0; f < source.mesh->numPolygons(); ++f) {
        std::vector<int> ids(uv->faceVertexIds->begin() + 3 * f,
                             uv->faceVertexIds->begin() + 3 * f + 3);
        faces.insert({ids, host::scene::engineOfFace(source, f)->name});
    }
    for (const SheetObject& o : sheetObjects("dft"))
        objects.insert({o.uvIds, o.shadingGroup});
    EXPECT_EQ(objects, faces);
    std::set<std::string> materials;
    for (const auto& face : faces)
        materials.insert(face.second);
    EXPECT_EQ(materials.size(), 2u);
}

TEST_F(Model, EachRunUndoesWithItsOwnDeleteChoice) {
    addCube("a", {0, 0, 0});
    addCube("b", {3, 0, 0});
    std::string start = sceneSnapshot();
    openWindow();
    selectOnly({"a"});
    ASSERT_TRUE(pressStart());  // deletes a
    std::string afterFirst = sceneSnapshot();
    setOption("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=False)");
    selectOnly({"b"});
    std::string beforeSecond = sceneSnapshot();
    ASSERT_TRUE(pressStart());  // keeps b
    ASSERT_NE(host::scene::findNode("b"), nullptr);
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneSnapshot(), beforeSecond);
    ASSERT_TRUE(run("undo"));  // the select of b
    EXPECT_EQ(sceneSnapshot(), afterFirst);
    ASSERT_TRUE(run("undo"));
    ASSERT_TRUE(run("undo"));  // the select of a
    EXPECT_EQ(sceneSnapshot(), start);
}

}  // namespace
