#pragma once
// Neighbourhoods of a mesh's polygons and vertices, derived from its counts
// and connects.
#include <vector>

#include "scene/scene.h"

namespace host::scene {

// Per polygon: the other polygons sharing at least one edge with it, ascending, each once.
std::vector<std::vector<int>> edgeNeighbours(const MeshData& mesh);

struct Corner {
    int polygon;
    int faceVertex;  // offset into connects
};
// Per vertex: the face-vertices that use it, by ascending polygon.
std::vector<std::vector<Corner>> vertexCorners(const MeshData& mesh);

}  // namespace host::scene
