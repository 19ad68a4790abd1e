#pragma once
// Faces wound the other way round, as the host's "polyNormal -normalMode 0"
// turns them: each keeps its first corner and lists the others backwards,
// every corner keeping the UV and colour of its face-vertex.
#include <vector>

#include "scene/scene.h"

namespace host::scene {

// Turns the listed polygons (every one when `faces` is empty; ids out of
// range are passed over). Normals stored per face-vertex turn with their
// faces; normals stored any other way no longer fit and are dropped, so the
// mesh's own, worked out from its faces, take their place.
MeshData reverseFaces(const MeshData& mesh, const std::vector<int>& faces);

}  // namespace host::scene
