#pragma once
// Joins several meshes into one, in world space: points moved by each mesh's
// matrix, polygons in the order of the sources, UV and colour sets merged by
// name (each source's current set goes into the result's current set).
#include <vector>

#include "scene/scene.h"

namespace host::scene {

struct MergeSource {
    const MeshData* mesh;
    Matrix4 toWorld;
};

struct MergedMesh {
    MeshData data;
    std::vector<int> firstPolygon;  // per source: index of its first polygon in the result
};

MergedMesh mergeMeshes(const std::vector<MergeSource>& sources);

}  // namespace host::scene
