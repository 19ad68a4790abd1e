#pragma once
// Splits polygons into triangles by ear clipping, so concave faces split
// inside their outline. The triangles of polygon i come before those of
// polygon i + 1, each keeps its polygon's winding, and every corner keeps
// the UV and colour ids of the face-vertex it came from. A convex polygon
// becomes the fan (0, 1, 2), (0, 2, 3), ...
#include <array>
#include <vector>

#include "scene/scene.h"

namespace host::scene {

// Corner triples (indices into `corners`) covering the polygon; n - 2 of them
// for n corners, also when the polygon is degenerate.
std::vector<std::array<int, 3>> earClip(const std::vector<Point3>& corners);

struct TriangulatedMesh {
    MeshData data;
    std::vector<int>
        firstTriangle;  // per source polygon, then the total: its first polygon in the result
};

// Triangulates every polygon, or only those listed (sorted) in `only`.
TriangulatedMesh triangulate(const MeshData& mesh, const std::vector<int>* only = nullptr);

}  // namespace host::scene
