#pragma once
// Every format assimp reads (PLY, STL, glTF/GLB, FBX, 3DS, ...), without any
// post-processing that would split, reorder or triangulate faces.
#include <string>

#include "io/imported_model.h"

namespace host::io {

// One object per scene node that holds meshes, its meshes' faces appended in
// order and its world transform applied to the positions; positions are not
// yet welded. Points and lines are skipped with a warning.
bool readWithAssimp(const std::string& path, ImportedModel& model, ReadReport& report);

}  // namespace host::io
