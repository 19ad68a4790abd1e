// One stand-in host for the whole test program, with the built plug-in
// loaded, and helpers to build small scenes and read back what a run wrote.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/value.h"
#include "scene/scene.h"

// Command-language text run at top level (undo recorded, as typed by a user).
MStatus run(const std::string& text, host::Value* result = nullptr);
MStatus runPython(const std::string& code);
std::string pythonResult(const std::string& expression);

// "kivano: ..." infos and errors since the last clearMessageLog, in order.
std::vector<std::string> kivanoMessages();
bool logHas(const std::string& fragment);

// A cube of six quads with one UV per corner of each face (so every face
// has UV ids of its own), optionally half red and half blue.
host::scene::Node& addCube(const std::string& name, std::array<double, 3> at,
                           bool twoMaterials = false);
// One mesh of four triangles in a row, the third with collinear corners.
host::scene::Node& addStripWithSliver(const std::string& name);
// `count` hinges side by side: two right triangles with 1 cm legs each,
// sharing one leg and standing at right angles to each other.
host::scene::Node& addHinges(const std::string& name, int count);
void selectOnly(const std::vector<std::string>& names);

// What a run left in the scene, by name.
struct SheetObject {
    std::string name;
    std::vector<std::array<double, 3>> points;  // world space
    std::string shadingGroup;                   // of face 0
    std::vector<double> edges;  // the record's edge ids and fold angles, triangles only
    std::vector<double> place;  // the record's net and position
    std::vector<int> uvIds;     // face-vertex UV ids, current set
    bool hasUVs = false;
};
std::vector<SheetObject> sheetObjects(const std::string& prefix);  // "dft" or "lug", creation order

// Nodes, names, parents, mesh data, shading and selection as one text, so
// two states of the scene can be compared.
std::string sceneSnapshot();

// Opens the option window in English and sets its controls.
void openWindow(int language = 1);
void setOption(const std::string& pythonEditLine);
MStatus pressStart();

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
