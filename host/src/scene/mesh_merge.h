#pragma once
// Joins several meshes into one, in world space: points moved by each mesh's
// matrix, polygons in the order of the sources. Every source's current UV
// (colour) set goes into the result's current set, named as the first
// source's; the other sets are merged by name. Face-vertices of a source
// without a given set have no id in it (-1). A non-current set that has the
// current set's name has no place of its own and is left out.
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
