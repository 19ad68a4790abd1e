#pragma once
// A readable text of everything the scene holds: every node with its name,
// type, place in the DAG, attributes, keys, mesh arrays (points, polygons,
// UV and colour sets, normals), shading links, then the selection and the
// time line. Two scenes are the same exactly when their digests are equal,
// so tests compare digests before an edit and after its undo.
#include <string>

namespace host::scene {

std::string sceneDigest();

}  // namespace host::scene
