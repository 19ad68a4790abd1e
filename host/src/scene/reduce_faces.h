#pragma once
// Fewer triangles by edge collapses, as the host's "polyReduce" makes them.
// A collapse moves one vertex onto another and no vertex elsewhere, so every
// corner kept keeps its UVs and colours. A corner's UVs, colours and face
// group are one with its position: where they differ across an edge (a
// texture seam, a colour border, the border of a material) the edge
// collapses only along itself, as an open border does, and a part never
// joins another.
#include <vector>

#include "scene/scene.h"

namespace host::scene {

struct ReducedMesh {
    MeshData data;               // triangles only
    std::vector<int> faceGroup;  // per triangle: the group of the polygons it came from
    double error = 0.0;          // how far the simplifier reckons the surface moved, object units
};

// `faceGroups`: per polygon of `mesh` the group whose border stays (its
// shading engine, say), or -1. Stops at `targetTriangles` or where a further
// collapse would move the surface more than `maxError` (object units),
// whichever comes first.
ReducedMesh reduceFaces(const MeshData& mesh, const std::vector<int>& faceGroups,
                        int targetTriangles, double maxError);

}  // namespace host::scene
