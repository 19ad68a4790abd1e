// Reading model files into the intermediate model, before any scene exists.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <set>

#include "io/model_reader.h"
#include "io/obj_reader.h"
#include "io_test_files.h"

using namespace host::io;
using iotest::TempDir;

namespace {

ImportedModel readOk(const std::string& path, ReadReport* reportOut = nullptr) {
    ImportedModel model;
    ReadReport report;
    EXPECT_TRUE(readModelFile(path, model, report)) << report.error;
    if (reportOut)
        *reportOut = report;
    return model;
}

std::string readError(const std::string& path) {
    ImportedModel model;
    ReadReport report;
    EXPECT_FALSE(readModelFile(path, model, report)) << path;
    EXPECT_FALSE(report.error.empty());
    return report.error;
}

// Faces as lists of positions, so checks do not depend on vertex numbering.
std::vector<std::vector<Point3>> facePoints(const ImportedObject& o) {
    std::vector<std::vector<Point3>> faces;
    size_t at = 0;
    for (int count : o.faceCounts) {
        std::vector<Point3> face;
        for (int k = 0; k < count; ++k)
            face.push_back(o.positions[size_t(o.faceConnects[at + size_t(k)])]);
        faces.push_back(face);
        at += size_t(count);
    }
    return faces;
}

// Invariants every successfully read model keeps.
void expectSound(const ImportedModel& model) {
    EXPECT_EQ(checkModel(model), "");
    for (const ImportedObject& o : model.objects) {
        std::set<Point3> distinct(o.positions.begin(), o.positions.end());
        EXPECT_EQ(distinct.size(), o.positions.size()) << "positions not welded in " << o.name;
        std::vector<char> used(o.positions.size(), 0);
        for (int v : o.faceConnects)
            used[size_t(v)] = 1;
        EXPECT_EQ(std::count(used.begin(), used.end(), 0), 0) << "unused vertex in " << o.name;
    }
}

const char* kCubeStl =
    "solid cube\n"
    "facet normal 0 0 -1\n outer loop\n  vertex 0 0 0\n  vertex 0 1 0\n  vertex 1 1 0\n endloop\nendfacet\n"
    "facet normal 0 0 -1\n outer loop\n  vertex 0 0 0\n  vertex 1 1 0\n  vertex 1 0 0\n endloop\nendfacet\n"
    "facet normal 0 0 1\n outer loop\n  vertex 0 0 1\n  vertex 1 0 1\n  vertex 1 1 1\n endloop\nendfacet\n"
    "facet normal 0 0 1\n outer loop\n  vertex 0 0 1\n  vertex 1 1 1\n  vertex 0 1 1\n endloop\nendfacet\n"
    "facet normal 0 -1 0\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 1 0 1\n endloop\nendfacet\n"
    "facet normal 0 -1 0\n outer loop\n  vertex 0 0 0\n  vertex 1 0 1\n  vertex 0 0 1\n endloop\nendfacet\n"
    "facet normal 1 0 0\n outer loop\n  vertex 1 0 0\n  vertex 1 1 0\n  vertex 1 1 1\n endloop\nendfacet\n"
    "facet normal 1 0 0\n outer loop\n  vertex 1 0 0\n  vertex 1 1 1\n  vertex 1 0 1\n endloop\nendfacet\n"
    "facet normal 0 1 0\n outer loop\n  vertex 1 1 0\n  vertex 0 1 0\n  vertex 0 1 1\n endloop\nendfacet\n"
    "facet normal 0 1 0\n outer loop\n  vertex 1 1 0\n  vertex 0 1 1\n  vertex 1 1 1\n endloop\nendfacet\n"
    "facet normal -1 0 0\n outer loop\n  vertex 0 1 0\n  vertex 0 0 0\n  vertex 0 0 1\n endloop\nendfacet\n"
    "facet normal -1 0 0\n outer loop\n  vertex 0 1 0\n  vertex 0 0 1\n  vertex 0 1 1\n endloop\nendfacet\n"
    "endsolid cube\n";

const char* kColoredPly =
    "ply\nformat ascii 1.0\n"
    "element vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
    "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
    "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 255 255 255\n"
    "3 0 1 2\n3 0 2 3\n";

// Two triangles forming a unit square, under a node moved 10 along x.
const char* kSquareGltf = R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}], "scene": 0,
 "nodes": [{"name": "Moved Square", "mesh": 0, "translation": [10, 0, 0]}],
 "meshes": [{"name": "sq", "primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0}]}],
 "materials": [{"name": "paint", "pbrMetallicRoughness": {"baseColorFactor": [0.2, 0.4, 0.6, 1]}}],
 "buffers": [{"byteLength": 60, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAACAPwAAgD8AAAAAAAABAAIAAgABAAMA"}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 12}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
  {"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"}]})";

}  // namespace

TEST(IoReader, BunnyHasItsVerticesAndFaces) {
    std::string bunny = iotest::bunnyPath();
    if (bunny.empty())
        GTEST_SKIP() << "bunny.obj not present";
    ImportedModel model = readOk(bunny);
    ASSERT_EQ(model.objects.size(), 1u);
    EXPECT_EQ(model.objects[0].positions.size(), 1839u);
    EXPECT_EQ(model.objects[0].faceCounts.size(), 3674u);
    expectSound(model);
}

TEST(IoReader, ObjKeepsFaceOrderMaterialsAndUvs) {
    TempDir dir;
    dir.write("two.mtl", iotest::kTwoMaterialMtl);
    ImportedModel model = readOk(dir.write("two.obj", iotest::kTwoMaterialObj));
    expectSound(model);
    ASSERT_EQ(model.objects.size(), 1u);
    const ImportedObject& o = model.objects[0];
    EXPECT_EQ(o.name, "Panel");
    EXPECT_EQ(o.faceCounts, (std::vector<int>{4, 4, 3}));
    EXPECT_EQ(o.faceConnects, (std::vector<int>{0, 1, 2, 3, 1, 4, 5, 2, 4, 6, 5}));
    EXPECT_EQ(o.uvIds, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3, 4, 1, 2}));
    ASSERT_EQ(o.us.size(), 5u);
    EXPECT_FLOAT_EQ(o.us[4], 0.5f);
    EXPECT_EQ(o.normalIds, (std::vector<int>(11, 0)));

    ASSERT_EQ(model.materials.size(), 2u);
    ASSERT_EQ(o.faceMaterials.size(), 3u);
    const ImportedMaterial& first = model.materials[size_t(o.faceMaterials[0])];
    EXPECT_EQ(first.name, "red");
    EXPECT_EQ(o.faceMaterials[2], o.faceMaterials[0]);
    EXPECT_EQ(model.materials[size_t(o.faceMaterials[1])].name, "blue");
    EXPECT_FLOAT_EQ(first.diffuse[0], 1.0f);
    EXPECT_EQ(first.texturePath, (std::filesystem::path(dir.path()) / "textures/red.png").string());
    EXPECT_EQ(model.materials[size_t(o.faceMaterials[1])].texturePath, "");
}

TEST(IoReader, TrianglesComeInExactlyAsWritten) {
    TempDir dir;
    // Corners deliberately not starting at the lowest index; one face uses negative indices.
    ImportedModel model = readOk(dir.write("tri.obj",
                                           "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                           "f 2 4 3\nf 3 1 2\nf -1 -2 -3\n"));
    expectSound(model);
    ASSERT_EQ(model.objects.size(), 1u);
    EXPECT_EQ(model.objects[0].faceConnects, (std::vector<int>{1, 3, 2, 2, 0, 1, 3, 2, 1}));
    EXPECT_TRUE(model.objects[0].uvIds.empty());
    EXPECT_TRUE(model.objects[0].faceMaterials.empty());
}

TEST(IoReader, IdenticalPositionsAreWelded) {
    TempDir dir;
    // Each triangle lists its own copy of the shared edge.
    ImportedModel obj = readOk(dir.write("split.obj",
                                         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                         "f 1 2 3\nf 4 5 6\n"));
    expectSound(obj);
    EXPECT_EQ(obj.objects[0].positions.size(), 4u);
    EXPECT_EQ(obj.objects[0].faceConnects, (std::vector<int>{0, 1, 2, 1, 3, 2}));

    ImportedModel stl = readOk(dir.write("cube.stl", kCubeStl));
    expectSound(stl);
    ASSERT_EQ(stl.objects.size(), 1u);
    EXPECT_EQ(stl.objects[0].positions.size(), 8u);
    EXPECT_EQ(stl.objects[0].faceCounts, std::vector<int>(12, 3));
    EXPECT_TRUE(stl.objects[0].faceMaterials.empty()) << "STL has no materials of its own";
}

TEST(IoReader, StlKeepsFacetsAndCornerOrder) {
    TempDir dir;
    ImportedModel model = readOk(dir.write("cube.stl", kCubeStl));
    std::vector<std::vector<Point3>> faces = facePoints(model.objects[0]);
    ASSERT_EQ(faces.size(), 12u);
    EXPECT_EQ(faces[0], (std::vector<Point3>{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}}));
    EXPECT_EQ(faces[11], (std::vector<Point3>{{0, 1, 0}, {0, 0, 1}, {0, 1, 1}}));
}

TEST(IoReader, PlyVertexColours) {
    TempDir dir;
    ImportedModel model = readOk(dir.write("quad.ply", kColoredPly));
    expectSound(model);
    ASSERT_EQ(model.objects.size(), 1u);
    const ImportedObject& o = model.objects[0];
    ASSERT_EQ(o.positions.size(), 4u);
    ASSERT_EQ(o.colors.size(), 4u);
    EXPECT_EQ(o.faceConnects, (std::vector<int>{0, 1, 2, 0, 2, 3}));
    EXPECT_FLOAT_EQ(o.colors[0][0], 1.0f);
    EXPECT_FLOAT_EQ(o.colors[1][1], 1.0f);
    EXPECT_FLOAT_EQ(o.colors[2][2], 1.0f);
    EXPECT_FLOAT_EQ(o.colors[2][0], 0.0f);
}

TEST(IoReader, ObjVertexColoursAndObjects) {
    TempDir dir;
    ImportedModel model = readOk(dir.write(
        "two.obj",
        "o first\nv 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nf 1 2 3\n"
        "o second object\nv 5 5 5 1 1 1\nv 6 5 5 1 1 1\nv 5 6 5 1 1 1\nf 4 5 6\nf -3 -1 -2\n"));
    expectSound(model);
    ASSERT_EQ(model.objects.size(), 2u);
    EXPECT_EQ(model.objects[0].name, "first");
    EXPECT_EQ(model.objects[1].name, "second object");
    EXPECT_EQ(model.objects[1].positions[0], (Point3{5, 5, 5}));
    EXPECT_EQ(model.objects[1].faceConnects, (std::vector<int>{0, 1, 2, 0, 2, 1}));
    ASSERT_EQ(model.objects[0].colors.size(), 3u);
    EXPECT_FLOAT_EQ(model.objects[0].colors[1][1], 1.0f);
}

TEST(IoReader, GroupsAreObjectsOnlyWithoutObjectStatements) {
    TempDir dir;
    const char* body = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\ng a\nf 1 2 3\ng b\nf 2 4 3\n";
    EXPECT_EQ(readOk(dir.write("groups.obj", body)).objects.size(), 2u);
    std::string withObject = std::string("o whole\n") + body;
    EXPECT_EQ(readOk(dir.write("object.obj", withObject)).objects.size(), 1u);
}

TEST(IoReader, DegenerateFaces) {
    TempDir dir;
    ReadReport report;
    // A zero-area face stays; a face with only two distinct vertices goes, with a warning.
    ImportedModel model = readOk(dir.write("degenerate.obj",
                                           "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nv 0 1 0\n"
                                           "f 1 2 3\nf 1 4 5\nf 1 2 4\n"),
                                 &report);
    ASSERT_EQ(model.objects.size(), 1u);
    EXPECT_EQ(model.objects[0].faceCounts.size(), 2u);
    EXPECT_EQ(model.objects[0].faceConnects, (std::vector<int>{0, 1, 2, 0, 1, 3}));
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("fewer than 3 distinct"), std::string::npos);
}

TEST(IoReader, MissingMaterialLibraryIsAWarning) {
    TempDir dir;
    ReadReport report;
    ImportedModel model = readOk(
        dir.write("m.obj", "mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl paint\nf 1 2 3\n"),
        &report);
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, "paint");
    EXPECT_EQ(report.warnings.size(), 2u);
}

TEST(IoReader, FileErrors) {
    TempDir dir;
    EXPECT_EQ(readError(dir.file("absent.obj")), "no such file");
    EXPECT_EQ(readError(dir.path()), "is a directory");
    EXPECT_EQ(readError(dir.write("empty.obj", "")), "empty file");
    EXPECT_EQ(readError(""), "no file name given");
    if (geteuid() != 0) {  // root reads everything
        std::string locked = dir.write("locked.obj", "v 0 0 0\n");
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_NE(readError(locked).find("cannot be read"), std::string::npos);
    }
}

TEST(IoReader, ContentErrors) {
    TempDir dir;
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    EXPECT_EQ(readError(dir.write("nofaces.obj", tri)), "no faces");
    EXPECT_EQ(readError(dir.write("comments.obj", "# nothing here\n")), "no faces");
    EXPECT_EQ(readError(dir.write("lines.obj", tri + "l 1 2\np 3\n")),
              "only points or lines, no faces");
    EXPECT_EQ(readError(dir.write("range.obj", tri + "f 1 2 4\n")),
              "line 4: face vertex index 4 out of range");
    EXPECT_EQ(readError(dir.write("zero.obj", tri + "f 0 1 2\n")),
              "line 4: face vertex index 0 out of range");
    EXPECT_EQ(readError(dir.write("negative.obj", tri + "f -4 1 2\n")),
              "line 4: face vertex index -4 out of range");
    EXPECT_EQ(readError(dir.write("uvrange.obj", tri + "vt 0 0\nf 1/2 2/1 3/1\n")),
              "line 5: texture coordinate index 2 out of range");
    EXPECT_EQ(readError(dir.write("nan.obj", "v 0 nan 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")),
              "line 1: non-finite coordinate in vertex");
    EXPECT_EQ(readError(dir.write("huge.obj", "v 0 1e999 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")),
              "line 1: non-finite coordinate in vertex");
    EXPECT_EQ(readError(dir.write("word.obj", "v 0 x 0\n")),
              "line 1: malformed number \"x\" in vertex");
    EXPECT_EQ(readError(dir.write("short.obj", tri + "f 1 2\n")),
              "line 4: a face needs at least 3 corners");
}

TEST(IoReader, AssimpFormatErrors) {
    TempDir dir;
    EXPECT_EQ(readError(dir.write("broken.ply", "ply\nformat ascii 1.0\nelement vertex 3\n")),
              "PLY header without an end_header line");
    std::string pointsOnly =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "end_header\n0 0 0\n1 0 0\n0 1 0\n";
    EXPECT_EQ(readError(dir.write("points.ply", pointsOnly)), "only points or lines, no faces");
    // assimp's own words are passed on.
    EXPECT_NE(
        readError(dir.write("noise.xyz123", "not a model at all\n")).find("No suitable reader"),
        std::string::npos);
    EXPECT_FALSE(readError(dir.write("broken.gltf", "{\"asset\": ")).empty());
}

// A header may claim far more than its file holds: refused with what it
// claims and what the file holds, before a reader reserves room for it.
TEST(IoReader, HeadersClaimingMoreThanTheFileHoldsAreRefusedFirst) {
    TempDir dir;
    const std::string ascii = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_EQ(readError(dir.write("lying.off", "OFF\n3535352353 1 0\n" + ascii)),
              "the header declares 3,535,352,353 vertices and 1 face but the file holds 45 bytes");
    const std::string plyHead =
        "ply\nformat ascii 1.0\nelement vertex 3000000000\nproperty float x\nproperty float "
        "y\nproperty float z\nelement face 1\nproperty list uchar int vertex_indices\n"
        "end_header\n";
    EXPECT_EQ(readError(dir.write("lying.ply", plyHead + ascii)),
              "the header declares 3,000,000,000 vertices and 1 face but the file holds 189 bytes");
    std::string binary = plyHead;
    binary.replace(binary.find("ascii"), 5, "binary_little_endian");
    binary.replace(binary.find("3000000000"), 10, "3");
    binary.replace(binary.find("face 1"), 6, "face 4000000000");
    EXPECT_EQ(
        readError(dir.write("lying-binary.ply", binary + std::string(36, '\0'))),
        "the header declares 3 vertices and 4,000,000,000 faces but the file holds 214 bytes");
    std::string stl(80, '\0');
    stl += std::string("\x00\x28\x6b\xee", 4) + std::string(100, '\0');  // 4,000,000,000
    EXPECT_EQ(readError(dir.write("lying.stl", stl)),
              "the header declares 4,000,000,000 triangles but the file holds 184 bytes");
    std::string glb = std::string("glTF\x02\0\0\0\x00\x28\x6b\xee", 12) + std::string(58, ' ');
    EXPECT_EQ(readError(dir.write("lying.glb", glb)),
              "the header declares 4,000,000,000 bytes but the file holds 70 bytes");
    std::string threeDs = std::string("\x4d\x4d\x00\x5e\xd0\xb2", 6) + std::string(60, '\0');
    EXPECT_EQ(readError(dir.write("lying.3ds", threeDs)),
              "the header declares 3,000,000,000 bytes but the file holds 66 bytes");
    // The same headers, telling the truth, are read.
    readOk(dir.write("honest.off", "OFF\n3 1 0\n" + ascii));
    std::string honest = plyHead;
    honest.replace(honest.find("3000000000"), 10, "3");
    readOk(dir.write("honest.ply", honest + ascii));
}

TEST(IoReader, GltfNodeTransformAndMaterial) {
    TempDir dir;
    ImportedModel model = readOk(dir.write("square.gltf", kSquareGltf));
    expectSound(model);
    ASSERT_EQ(model.objects.size(), 1u);
    const ImportedObject& o = model.objects[0];
    EXPECT_EQ(o.name, "Moved Square");
    EXPECT_EQ(o.faceConnects, (std::vector<int>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(o.positions[1], (Point3{11, 0, 0})) << "the node's translation is applied";
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, "paint");
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[1], 0.4f);
    EXPECT_EQ(o.faceMaterials, (std::vector<int>{0, 0}));
}

TEST(IoReader, MtlTextureOptionsAndPaths) {
    std::vector<ImportedMaterial> m;
    std::vector<std::string> warnings;
    parseMtl(
        "newmtl a\nKd 0.1 0.2 0.3\nmap_Kd -s 2 2 -bm 0.5 -clamp on tex dir/face 1.png  \n"
        "newmtl b\nmap_Kd ..\\maps\\b.png\n"
        "newmtl c\nKd nan 0 0\nmap_Kd /abs/c.png\n",
        "/models", m, warnings);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_TRUE(warnings.empty());
    EXPECT_FLOAT_EQ(m[0].diffuse[2], 0.3f);
    EXPECT_EQ(m[0].texturePath, "/models/tex dir/face 1.png");
    EXPECT_EQ(m[1].texturePath, "/maps/b.png");
    EXPECT_EQ(m[2].texturePath, "/abs/c.png");
    EXPECT_FLOAT_EQ(m[2].diffuse[0], 0.5f) << "a non-finite colour keeps the default";
}

TEST(IoReader, NodeNames) {
    EXPECT_EQ(sanitiseNodeName("pCube1"), "pCube1");
    EXPECT_EQ(sanitiseNodeName("second object"), "second_object");
    EXPECT_EQ(sanitiseNodeName("3d|mesh:a"), "_3d_mesh_a");
    EXPECT_EQ(sanitiseNodeName("  "), "");
    EXPECT_EQ(sanitiseNodeName(""), "");
}
