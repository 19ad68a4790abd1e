#pragma once
// A model as read from a file, before it becomes scene nodes: plain arrays in
// the file's own order, so readers and the scene builder can be tested apart.
#include <array>
#include <string>
#include <vector>

#include <host_session/embedded_image.h>

namespace host::io {

using Point3 = std::array<double, 3>;
using Color4 = std::array<float, 4>;

// A material of this name stands for the scene's default shading group: the
// exporter writes it for faces there, the importer puts its faces back there.
inline constexpr const char* kDefaultShadingGroup = "initialShadingGroup";

struct ImportedMaterial {
    std::string name;
    std::array<float, 3> diffuse{0.5f, 0.5f, 0.5f};
    std::string texturePath;  // absolute, or empty when the material has no texture
    // Set when the model file holds the texture; texturePath then names it
    // as the file does ("*0").
    host_session::EmbeddedImagePtr textureImage;
};

struct ImportedObject {
    std::string name;               // as written in the file (may be empty)
    std::vector<Point3> positions;  // one per vertex, welded
    std::vector<int> faceCounts;    // corners per face, faces in file order
    std::vector<int> faceConnects;  // vertex index per face-vertex
    std::vector<float> us, vs;      // UV pairs
    std::vector<int> uvIds;         // per face-vertex, -1 where the corner has none; empty: no UVs
    std::vector<Point3> normals;
    std::vector<int> normalIds;  // per face-vertex, -1 where the corner has none; empty: no normals
    std::vector<Color4> colors;  // per vertex; empty: no vertex colours
    std::vector<int> faceMaterials;  // per face, index into the model's materials or -1
};

struct ImportedModel {
    std::vector<ImportedObject> objects;
    std::vector<ImportedMaterial> materials;
};

// What a reader tells its caller besides the model: the one problem that made
// it fail, or the things it skipped while succeeding.
struct ReadReport {
    std::string error;
    std::vector<std::string> warnings;
};

// Merges vertices with identical positions into the first of them, so faces
// that touch share their vertices; vertices no face uses are dropped, the
// rest keep their order.
void weldPositions(ImportedObject& object);

// Removes faces with fewer than three distinct vertices (they have no edges to
// unfold along); returns how many were removed.
int dropDegenerateFaces(ImportedObject& object);

// Checks every index and number; returns an empty string when the model is
// sound, otherwise a one-line description of the first problem.
std::string checkModel(const ImportedModel& model);

// A valid node name: letters, digits and '_', not starting with a digit;
// empty when nothing usable is left.
std::string sanitiseNodeName(const std::string& name);

}  // namespace host::io
