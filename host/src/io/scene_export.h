#pragma once
// Gathering the scene's meshes into an ImportedModel for writing: world-space
// positions, the UVs the faces use, normals, and one material per shading group.
#include <string>

#include "io/imported_model.h"

namespace host::io {

// Meshes in the creation order of their transforms, each named after its
// transform; intermediate (history) shapes are left out. selectedOnly takes
// the objects of the active selection. Fails, with error set, when nothing
// is there to export.
bool collectScene(bool selectedOnly, ImportedModel& model, std::string& error);

}  // namespace host::io
