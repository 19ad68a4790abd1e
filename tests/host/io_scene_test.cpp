// The file command and the model API against a running host: imports become
// scene nodes, undo takes them back, exports read back as they were written.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "core/undo_queue.h"
#include "io/io_commands.h"
#include "io/model_io.h"
#include "io_test_files.h"
#include "scene/scene.h"

namespace sc = host::scene;
using iotest::TempDir;

namespace {

class IoScene : public ::testing::Test {
protected:
    IoScene() {
        if (!host::CommandRegistry::instance().find("file"))
            host::registerIoCommands();
        host::setQuiet(true);
        host::clearMessageLog();
    }

    // Runs one line of the command language as a user would, undo recorded.
    bool run(const std::string& line, host::Value* result = nullptr) {
        host::ExecOptions options;
        options.recordUndo = true;
        return bool(host::executeCommandLanguage(line, result, options));
    }

    std::vector<std::string> importNames(const std::string& path) {
        host::Value result;
        EXPECT_TRUE(run("file -import \"" + path + "\"", &result)) << lastError();
        std::vector<std::string> names;
        if (result.isList())
            for (const host::Value& v : std::get<host::Value::List>(result.data))
                names.push_back(std::get<std::string>(v.data));
        return names;
    }

    std::string lastError() const {
        for (auto it = host::messageLog().rbegin(); it != host::messageLog().rend(); ++it)
            if (it->kind == host::MessageKind::Error)
                return it->text;
        return {};
    }

    host::Session session;
};

const sc::MeshData& meshOf(const std::string& transform) {
    sc::Node* node = sc::findNode(transform);
    EXPECT_NE(node, nullptr) << transform;
    sc::Node* mesh = node ? sc::meshOf(*node) : nullptr;
    static const sc::MeshData empty;
    return mesh && mesh->mesh ? *mesh->mesh : empty;
}

sc::Node& shapeOf(const std::string& transform) {
    return *sc::meshOf(*sc::findNode(transform));
}

// A readable fingerprint of the whole scene: names, kinds and mesh sizes.
std::string sceneSummary() {
    std::ostringstream out;
    for (const sc::Node* node : sc::allNodes()) {
        out << node->name << ':' << int(node->kind);
        if (node->mesh)
            out << '(' << node->mesh->numVertices() << ',' << node->mesh->numPolygons() << ')';
        out << ' ';
    }
    return out.str();
}

std::vector<int> uvIds(const sc::MeshData& data) {
    const sc::UVSet* set = data.uvSet("");
    return set ? *set->faceVertexIds : std::vector<int>();
}

// Per face-vertex UV values, so comparisons do not depend on UV numbering.
std::vector<std::pair<float, float>> cornerUvs(const sc::MeshData& data) {
    std::vector<std::pair<float, float>> out;
    const sc::UVSet* set = data.uvSet("");
    if (!set)
        return out;
    for (int id : *set->faceVertexIds)
        out.emplace_back(id < 0 ? -1.0f : (*set->u)[size_t(id)],
                         id < 0 ? -1.0f : (*set->v)[size_t(id)]);
    return out;
}

// A PLY triangle whose second vertex and face are given.
std::string plyTriangle(const std::string& secondVertex, const std::string& face) {
    return "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n" +
           secondVertex + "\n0 1 0\n" + face + "\n";
}

std::string engineName(const std::string& transform, int face) {
    sc::Node* engine = sc::engineOfFace(shapeOf(transform), face);
    return engine ? engine->name : std::string("(none)");
}

}  // namespace

TEST_F(IoScene, BunnyBecomesOneMesh) {
    std::string bunny = iotest::bunnyPath();
    if (bunny.empty())
        GTEST_SKIP() << "bunny.obj not present";
    std::vector<std::string> names = importNames(bunny);
    ASSERT_EQ(names, (std::vector<std::string>{"bunny"}));
    EXPECT_EQ(meshOf("bunny").numVertices(), 1839);
    EXPECT_EQ(meshOf("bunny").numPolygons(), 3674);
    EXPECT_EQ(shapeOf("bunny").name, "bunnyShape");
    EXPECT_EQ(engineName("bunny", 0), "initialShadingGroup");
}

TEST_F(IoScene, MaterialsUvsAndFaceOrder) {
    TempDir dir;
    dir.write("two.mtl", iotest::kTwoMaterialMtl);
    ASSERT_EQ(importNames(dir.write("two.obj", iotest::kTwoMaterialObj)),
              (std::vector<std::string>{"Panel"}));
    const sc::MeshData& data = meshOf("Panel");
    EXPECT_EQ(*data.counts, (std::vector<int>{4, 4, 3}));
    EXPECT_EQ(*data.connects, (std::vector<int>{0, 1, 2, 3, 1, 4, 5, 2, 4, 6, 5}));
    EXPECT_EQ(uvIds(data), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3, 4, 1, 2}));
    EXPECT_EQ(data.uvSet("")->name, "map1");

    EXPECT_EQ(engineName("Panel", 0), "redSG");
    EXPECT_EQ(engineName("Panel", 1), "blueSG");
    EXPECT_EQ(engineName("Panel", 2), "redSG");
    sc::Node* red = sc::materialOf(*sc::findNode("redSG"));
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->name, "red");
    EXPECT_FLOAT_EQ(red->color()[0], 1.0f);
    EXPECT_EQ(red->textureFile(),
              (std::filesystem::path(dir.path()) / "textures/red.png").string());
}

TEST_F(IoScene, TriangleFileComesInAsWritten) {
    TempDir dir;
    std::string path = dir.write("tris.obj",
                                 "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 1 0 0\n"
                                 "f 2 4 3\nf 3 1 5\n");
    importNames(path);
    const sc::MeshData& data = meshOf("tris");
    EXPECT_EQ(data.numVertices(), 4) << "the repeated (1,0,0) is welded";
    EXPECT_EQ(*data.connects, (std::vector<int>{1, 3, 2, 2, 0, 1}));
    EXPECT_EQ((*data.points)[3], (sc::Point3{1, 1, 0}));
}

TEST_F(IoScene, PlyColoursBecomeAColourSet) {
    TempDir dir;
    std::string path = dir.write(
        "quad.ply",
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 255 255 255\n4 0 1 2 3\n");
    importNames(path);
    const sc::MeshData& data = meshOf("quad");
    EXPECT_EQ(*data.counts, (std::vector<int>{4}));
    const sc::ColorSet* colors = data.colorSet("");
    ASSERT_NE(colors, nullptr);
    EXPECT_EQ(colors->faceVertexIds->size(), 4u);
    const MColor& third = (*colors->colors)[size_t((*colors->faceVertexIds)[2])];
    EXPECT_FLOAT_EQ(third.b, 1.0f);
    EXPECT_FLOAT_EQ(third.r, 0.0f);
}

TEST_F(IoScene, StlWeldsIntoAClosedCube) {
    TempDir dir;
    std::string stl = "solid cube\n";
    // Six faces of the unit cube, two facets each, every facet with its own corners.
    const int quads[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
        {{1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {1, 1, 1}}, {{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}}};
    auto vertex = [](const int* p) {
        return "vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
               std::to_string(p[2]) + "\n";
    };
    for (const auto& q : quads)
        for (int t = 0; t < 2; ++t)
            stl += "facet normal 0 0 0\nouter loop\n" + vertex(q[0]) + vertex(q[1 + t]) +
                   vertex(q[2 + t]) + "endloop\nendfacet\n";
    stl += "endsolid cube\n";
    importNames(dir.write("cube.stl", stl));
    const sc::MeshData& data = meshOf("cube");
    EXPECT_EQ(data.numVertices(), 8);
    ASSERT_EQ(data.numPolygons(), 12);
    // Closed and welded: every edge is shared by exactly two faces.
    std::map<std::pair<int, int>, int> edges;
    for (int f = 0; f < 12; ++f)
        for (int k = 0; k < 3; ++k) {
            int a = (*data.connects)[size_t(3 * f + k)],
                b = (*data.connects)[size_t(3 * f + (k + 1) % 3)];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    EXPECT_EQ(edges.size(), 18u);
    for (const auto& [edge, count] : edges)
        EXPECT_EQ(count, 2);
}

TEST_F(IoScene, NamesAreSanitisedAndUnique) {
    TempDir dir;
    std::string path =
        dir.write("2 parts.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\no my part\nf 1 2 3\no\nf 3 2 1\n");
    EXPECT_EQ(importNames(path), (std::vector<std::string>{"my_part", "_2_parts"}));
    EXPECT_EQ(importNames(path), (std::vector<std::string>{"my_part1", "_2_parts1"}));
    EXPECT_EQ(shapeOf("my_part1").name, "my_partShape1");
}

TEST_F(IoScene, ErrorsLeaveTheSceneUntouched) {
    TempDir dir;
    importNames(dir.write("keep.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    const std::string before = sceneSummary();
    const size_t undoEntries = host::UndoQueue::instance().entries().size();
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.file("missing.obj"), "no such file"},
        {dir.path(), "is a directory"},
        {dir.write("empty.obj", ""), "empty file"},
        {dir.write("nofaces.obj", tri), "no faces"},
        {dir.write("lines.obj", tri + "l 1 2 3\n"), "only points or lines"},
        {dir.write("range.obj", tri + "f 1 2 3\nf 1 2 9\n"), "out of range"},
        {dir.write("nan.obj", "v 0 0 nan\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), "non-finite"},
        {dir.write("late.obj", tri + "f 1 2 3\nv inf 0 0\n"), "non-finite"},
        {dir.write("nan.ply", plyTriangle("1 nan 0", "3 0 1 2")), "non-finite vertex coordinate"},
        {dir.write("range.ply", plyTriangle("1 0 0", "3 0 1 7")),
         "face vertex index 7 out of range"},
        {dir.write("bad.gltf", "{ not json"), ""},
        {dir.write("nomesh.ply",
                   "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nend_header\n"),
         ""},
    };
    for (const auto& [path, problem] : cases) {
        host::clearMessageLog();
        EXPECT_FALSE(run("file -i \"" + path + "\"")) << path;
        std::string error = lastError();
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(problem), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        EXPECT_EQ(sceneSummary(), before) << path;
    }
    EXPECT_EQ(host::UndoQueue::instance().entries().size(), undoEntries)
        << "failures are not undo steps";
}

TEST_F(IoScene, ImportUndoesAndRedoesExactly) {
    TempDir dir;
    dir.write("two.mtl", iotest::kTwoMaterialMtl);
    std::string path = dir.write("two.obj", iotest::kTwoMaterialObj);
    const std::string empty = sceneSummary();
    importNames(path);
    const std::string imported = sceneSummary();
    ASSERT_NE(imported, empty);
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneSummary(), empty);
    EXPECT_EQ(sc::findNode("redSG"), nullptr);
    ASSERT_TRUE(run("redo"));
    EXPECT_EQ(sceneSummary(), imported);
    EXPECT_EQ(engineName("Panel", 1), "blueSG");
}

TEST_F(IoScene, ExportRoundTrip) {
    TempDir dir;
    dir.write("two.mtl", iotest::kTwoMaterialMtl);
    importNames(dir.write("two.obj", iotest::kTwoMaterialObj));
    importNames(dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nf 3 1 2\n"));
    const sc::MeshData panel = meshOf("Panel");
    const sc::MeshData tri = meshOf("tri");

    std::string out = dir.file("out/scene.obj");
    std::filesystem::create_directory(dir.file("out"));
    host::Value result;
    ASSERT_TRUE(run("file -exportAll -type \"OBJexport\" \"" + out + "\"", &result)) << lastError();
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/scene.mtl")));
    ASSERT_TRUE(run("file -force -new"));
    EXPECT_EQ(sc::findNode("Panel"), nullptr);

    EXPECT_EQ(importNames(out), (std::vector<std::string>{"Panel", "tri"}));
    const sc::MeshData& again = meshOf("Panel");
    EXPECT_EQ(*again.points, *panel.points);
    EXPECT_EQ(*again.counts, *panel.counts);
    EXPECT_EQ(*again.connects, *panel.connects);
    EXPECT_EQ(cornerUvs(again), cornerUvs(panel));
    EXPECT_EQ(engineName("Panel", 1), "blueSG");
    EXPECT_EQ(engineName("Panel", 2), "redSG");
    EXPECT_EQ(sc::materialOf(*sc::findNode("redSG"))->textureFile(),
              (std::filesystem::path(dir.path()) / "textures/red.png").string());
    EXPECT_EQ(*meshOf("tri").points, *tri.points);
    EXPECT_EQ(*meshOf("tri").connects, *tri.connects);
    EXPECT_EQ(engineName("tri", 0), "initialShadingGroup");
}

TEST_F(IoScene, ExportIsInWorldSpaceAndSelectedOnly) {
    TempDir dir;
    importNames(dir.write("a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    importNames(dir.write("b.obj", "v 0 0 0\nv 2 0 0\nv 0 2 0\nf 1 2 3\n"));
    sc::setTransform(*sc::findNode("b"), {0, 0, 10}, {0, 0, 0}, {1, 1, 1});
    ASSERT_TRUE(run("select b"));
    std::string out = dir.file("selected.obj");
    ASSERT_TRUE(run("file -es \"" + out + "\"")) << lastError();
    ASSERT_TRUE(run("file -f -new"));
    EXPECT_EQ(importNames(out), (std::vector<std::string>{"b"}));
    EXPECT_EQ((*meshOf("b").points)[1], (sc::Point3{2, 0, 10}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("selected.mtl"))) << "no materials, no library";
}

TEST_F(IoScene, FailedExportLeavesNoFile) {
    TempDir dir;
    importNames(dir.write("a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    std::string blocker = dir.write("plain.txt", "a file, not a directory");
    const std::vector<std::string> bad = {dir.file("absent/out.obj"), blocker + "/out.obj"};
    for (const std::string& path : bad) {
        host::clearMessageLog();
        EXPECT_FALSE(run("file -ea \"" + path + "\"")) << path;
        EXPECT_NE(lastError().find("cannot write"), std::string::npos) << lastError();
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // Nothing but the two inputs: no temporary left behind.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);

    ASSERT_TRUE(run("file -f -new"));
    EXPECT_FALSE(run("file -ea \"" + dir.file("nothing.obj") + "\""));
    EXPECT_NE(lastError().find("no meshes to export"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("nothing.obj")));
}

TEST_F(IoScene, NewSceneNeedsForceAndUndoes) {
    TempDir dir;
    importNames(dir.write("a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    const std::string full = sceneSummary();
    EXPECT_FALSE(run("file -new"));
    EXPECT_EQ(sceneSummary(), full);
    ASSERT_TRUE(run("file -f -new"));
    EXPECT_EQ(sc::findNode("a"), nullptr);
    ASSERT_NE(sc::findNode("initialShadingGroup"), nullptr);
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneSummary(), full);
}

TEST_F(IoScene, CommandErrors) {
    EXPECT_FALSE(run("file"));
    EXPECT_NE(lastError().find("exactly one of"), std::string::npos);
    EXPECT_FALSE(run("file -i"));
    EXPECT_NE(lastError().find("needs one file name"), std::string::npos);
    EXPECT_FALSE(run("file -ea -type \"FBX\" \"/tmp/x.fbx\""));
    EXPECT_NE(lastError().find("unsupported export type"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("/tmp/x.fbx"));
}

TEST_F(IoScene, ModelApiForTools) {
    TempDir dir;
    std::vector<std::string> made;
    ASSERT_TRUE(
        host::importModel(dir.write("t.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), &made));
    EXPECT_EQ(made, (std::vector<std::string>{"t"}));
    EXPECT_FALSE(host::importModel(dir.file("none.obj"), &made));
    EXPECT_NE(lastError().find("no such file"), std::string::npos);
    ASSERT_TRUE(host::exportObj(dir.file("t2.obj"), false));
    EXPECT_TRUE(std::filesystem::exists(dir.file("t2.obj")));
}

TEST_F(IoScene, VertexColoursSurviveAnObjRoundTrip) {
    TempDir dir;
    importNames(dir.write(
        "quad.ply",
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\n"
        "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 255 255 255\n3 0 1 2\n3 0 2 3\n"));
    ASSERT_TRUE(run("file -ea \"" + dir.file("quad.obj") + "\""));
    ASSERT_TRUE(run("file -f -new"));
    importNames(dir.file("quad.obj"));
    const sc::ColorSet* colors = meshOf("quad").colorSet("");
    ASSERT_NE(colors, nullptr);
    const MColor& second = (*colors->colors)[size_t((*colors->faceVertexIds)[1])];
    EXPECT_FLOAT_EQ(second.g, 1.0f);
    EXPECT_FLOAT_EQ(second.r, 0.0f);
}

TEST_F(IoScene, PythonReachesTheFileCommand) {
    TempDir dir;
    std::string path = dir.write("py.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    std::string result;
    ASSERT_TRUE(host::runPython("import maya.cmds as cmds\nnew = cmds.file(r'" + path +
                                "', i=True, returnNewNodes=True)"))
        << lastError();
    ASSERT_TRUE(host::runPythonWithResult("new", result));
    EXPECT_EQ(result, "['py']");
    ASSERT_TRUE(host::runPython("cmds.file(new=True, force=True)")) << lastError();
    EXPECT_EQ(sc::findNode("py"), nullptr);
}

// Exports a one-triangle object whose vertices all carry `normal`, under the
// given transform, and reads back the first "vn" and the face line.
void exportNormals(const TempDir& dir, const std::string& vertices, MFloatVector normal,
                   const std::array<double, 3>& rotate, const std::array<double, 3>& scale,
                   sc::Point3& written, std::string& face) {
    host::Value ignored;
    host::ExecOptions options;
    std::string path = dir.write("n.obj", vertices + "f 1 2 3\n");
    ASSERT_TRUE(
        host::executeCommandLanguage("file -f -new; file -i \"" + path + "\"", &ignored, options));
    sc::Node& shape = shapeOf("n");
    auto data = std::make_shared<sc::MeshData>(*shape.mesh);
    data->normals = std::make_shared<const std::vector<MFloatVector>>(3, normal);
    sc::setMeshData(shape, data);
    sc::setTransform(*sc::findNode("n"), {5, 5, 5}, rotate, scale);
    ASSERT_TRUE(host::executeCommandLanguage("file -ea \"" + dir.file("out.obj") + "\"", &ignored,
                                             options));
    std::ifstream in(dir.file("out.obj"));
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (line.rfind("vn ", 0) == 0 && first) {
            std::istringstream(line.substr(3)) >> written[0] >> written[1] >> written[2];
            first = false;
        }
        if (line.rfind("f ", 0) == 0)
            face = line;
    }
}

TEST_F(IoScene, ExportedNormalsFollowTheObject) {
    TempDir dir;
    sc::Point3 n{};
    std::string face;
    // A quarter turn about x turns +z to -y; the move does not touch normals.
    exportNormals(dir, "v 0 0 0\nv 1 0 0\nv 0 1 0\n", MFloatVector(0, 0, 1), {90, 0, 0}, {1, 1, 1},
                  n, face);
    EXPECT_EQ(face, "f 1//1 2//2 3//3");
    EXPECT_NEAR(n[0], 0, 1e-6);
    EXPECT_NEAR(std::abs(n[1]), 1, 1e-6);
    EXPECT_NEAR(n[2], 0, 1e-6);
    // Stretching x by 2 tilts the face's normal from (1,0,1) towards (1,0,2), not (2,0,1).
    float h = float(std::sqrt(0.5));
    exportNormals(dir, "v 0 0 0\nv 1 0 -1\nv 0 1 0\n", MFloatVector(h, 0, h), {0, 0, 0}, {2, 1, 1},
                  n, face);
    EXPECT_NEAR(n[0], 1 / std::sqrt(5.0), 1e-6);
    EXPECT_NEAR(n[1], 0, 1e-6);
    EXPECT_NEAR(n[2], 2 / std::sqrt(5.0), 1e-6);
}
