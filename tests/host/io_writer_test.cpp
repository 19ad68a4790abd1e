// The OBJ and MTL text the exporter writes, and its all-or-nothing file writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "io/model_reader.h"
#include "io/obj_writer.h"
#include "io_test_files.h"

using namespace host::io;
using iotest::TempDir;

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t entriesIn(const std::string& directory) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(directory))
        ++n;
    return n;
}

// A quad with a UV on three of its corners and per-vertex normals and colours,
// then a triangle in the default group.
ImportedModel sampleModel() {
    ImportedModel model;
    model.materials = {{"paint", {1, 0.5f, 0}, "/tex/paint.png", nullptr},
                       {"initialShadingGroup", {0.5f, 0.5f, 0.5f}, "", nullptr}};
    ImportedObject quad;
    quad.name = "quad";
    quad.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.25}};
    quad.faceCounts = {4};
    quad.faceConnects = {0, 1, 2, 3};
    quad.us = {0, 1, 0.5f};
    quad.vs = {0, 0, 1};
    quad.uvIds = {0, 1, 2, -1};
    quad.normals = {{0, 0, 1}};
    quad.normalIds = {0, 0, 0, 0};
    quad.colors = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}};
    quad.faceMaterials = {0};
    ImportedObject tri;
    tri.name = "tri";
    tri.positions = {{0.1, -2, 3e-7}, {1, 0, 0}, {0, 1, 0}};
    tri.faceCounts = {3};
    tri.faceConnects = {2, 0, 1};
    tri.faceMaterials = {1};
    model.objects = {quad, tri};
    return model;
}

}  // namespace

TEST(IoWriter, ObjText) {
    EXPECT_EQ(objText(sampleModel(), "scene.mtl"),
              "# written by kivano\n"
              "mtllib scene.mtl\n"
              "o quad\n"
              "v 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 1 1 0 0 0 1\nv 0 1 0.25 1 1 1\n"
              "vt 0 0\nvt 1 0\nvt 0.5 1\n"
              "vn 0 0 1\n"
              "usemtl paint\n"
              "f 1/1/1 2/2/1 3/3/1 4//1\n"
              "o tri\n"
              "v 0.1 -2 3e-07\nv 1 0 0\nv 0 1 0\n"
              "usemtl initialShadingGroup\n"
              "f 7 5 6\n");
}

TEST(IoWriter, MtlText) {
    EXPECT_EQ(mtlText(sampleModel()),
              "# written by kivano\n"
              "\nnewmtl paint\nKd 1 0.5 0\nmap_Kd /tex/paint.png\n"
              "\nnewmtl initialShadingGroup\nKd 0.5 0.5 0.5\n");
}

TEST(IoWriter, WrittenFileReadsBackTheSame) {
    TempDir dir;
    ImportedModel model = sampleModel();
    std::string error;
    ASSERT_TRUE(writeObj(model, dir.file("scene.obj"), error)) << error;
    ImportedModel back;
    ReadReport report;
    ASSERT_TRUE(readModelFile(dir.file("scene.obj"), back, report)) << report.error;
    ASSERT_EQ(back.objects.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back.objects[i].name, model.objects[i].name);
        EXPECT_EQ(back.objects[i].positions, model.objects[i].positions);
        EXPECT_EQ(back.objects[i].faceConnects, model.objects[i].faceConnects);
        EXPECT_EQ(back.objects[i].uvIds, model.objects[i].uvIds);
    }
    EXPECT_EQ(back.objects[0].colors, model.objects[0].colors);
    EXPECT_EQ(back.materials[size_t(back.objects[0].faceMaterials[0])].texturePath,
              "/tex/paint.png");
}

TEST(IoWriter, AllOrNothing) {
    TempDir dir;
    std::string error;
    // The second file cannot be written, so the first must not appear either.
    std::string first = dir.file("first.obj");
    EXPECT_FALSE(writeFilesAtomically({{first, "one"}, {dir.file("no/second.obj"), "two"}}, error));
    EXPECT_NE(error.find("no/second.obj"), std::string::npos) << error;
    EXPECT_EQ(entriesIn(dir.path()), 0u) << "nothing written, no temporary left";

    // An existing output is replaced whole, and kept when the write fails.
    dir.write("keep.obj", "old");
    ASSERT_TRUE(writeFilesAtomically({{dir.file("keep.obj"), "new"}}, error)) << error;
    EXPECT_EQ(contents(dir.file("keep.obj")), "new");
    EXPECT_FALSE(writeObj(sampleModel(), dir.path(), error));
    EXPECT_NE(error.find("is a directory"), std::string::npos);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}
