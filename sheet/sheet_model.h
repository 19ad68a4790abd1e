#pragma once
// The printable sheet as plain data: nets of flat triangles in millimetres,
// their glue tabs, and the materials the faces are printed with. Filled from
// the scene (scene_reader) or by hand in tests; classifyEdges then decides
// what every edge becomes on paper.
#include <string>
#include <vector>

#include <host_session/embedded_image.h>

#include "common/sheet_record.h"

namespace sheet {

struct Vec2 {
    double x = 0.0;
    double y = 0.0;
};

struct Colour {
    double r = 0.8;
    double g = 0.8;
    double b = 0.8;
};

struct Material {
    std::string name;  // the shading group the faces came from
    Colour colour;
    std::string texture;  // image file; empty when the material has none
    // The scene's default shading group: its grey is no colour anyone chose.
    bool isDefault = false;
    // The image itself when the model file held it; `texture` then only
    // names it.
    host_session::EmbeddedImagePtr embeddedTexture = nullptr;
};

enum class EdgeKind : unsigned char { Cut, Mountain, Valley, Flat };

// Mesh edges shared by two faces carry the same id; a border edge has none.
constexpr int kNoEdgeId = sheet_record::kNoEdge;

struct Face {
    unsigned position = 0;  // the triangle's place in its net
    // The face's place in the whole sheet as unfolded, which edits keep;
    // -1 until an editor numbers the faces.
    int origin = -1;
    Vec2 p[3];  // corners in mm, in the sheet's plane
    Vec2 uv[3];
    bool hasUv = false;
    int material = -1;  // index into Sheet::materials, -1 for none
    // Edge k runs from corner k to corner k + 1.
    int edgeId[3] = {kNoEdgeId, kNoEdgeId, kNoEdgeId};
    double fold[3] = {0.0, 0.0, 0.0};  // radians, negative = mountain
    // The unfolding joined edge k to its partner in this net: a fold. Every
    // other edge is a cut.
    bool joined[3] = {false, false, false};
    // Filled by classifyEdges.
    EdgeKind kind[3] = {EdgeKind::Cut, EdgeKind::Cut, EdgeKind::Cut};
    int glue[3] = {0, 0, 0};                   // number of the seam the edge belongs to, 0 = none
    bool labelled[3] = {false, false, false};  // prints its seam side's number
    int seamSide[3] = {-1, -1, -1};            // edges of one side of one seam share it
    // A seam of several edges starts at corner k or ends at corner k + 1 of
    // edge k: a tick across the outline marks it.
    bool seamStart[3] = {false, false, false};
    bool seamEnd[3] = {false, false, false};
};

// A glue tab on edge `edge` of a face: p[0] and p[1] are the edge's ends
// (corner edge + 1, then corner edge), p[2] and p[3] the tab's outer corners.
struct Lug {
    unsigned face = 0;  // index into Net::faces
    int edge = 0;
    Vec2 p[4];
};

struct Net {
    unsigned container = 0;  // the net's number in the run
    std::vector<Face> faces;
    std::vector<Lug> lugs;
};

// A triangle of the sheet where it sits on the assembled model, in world
// space, wound so that its front faces out. Single precision: it is only
// ever drawn small.
struct ModelTriangle {
    unsigned container = 0;  // the net that holds it (Net::container)
    unsigned position = 0;   // its place in that net (Face::position)
    float corner[3][3] = {};
    bool cut[3] = {false, false, false};  // edge k (corner k to k + 1) is cut or a border
};

struct Sheet {
    std::vector<Net> nets;
    std::vector<Material> materials;
    std::vector<ModelTriangle> model;  // read only when a map of the model is asked for
};

// The lug of edge k of face f, or nullptr.
const Lug* findLug(const Net& net, unsigned face, int edge);

}  // namespace sheet
