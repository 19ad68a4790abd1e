#pragma once
// Writing a model as Wavefront OBJ with an MTL library beside it.
#include <string>
#include <utility>
#include <vector>

#include "io/imported_model.h"

namespace host::io {

// The OBJ text; mtlFileName is what its "mtllib" line names (no line when
// the model has no materials). Faces of material -1 among faces with
// materials are written under the default shading group's name.
std::string objText(const ImportedModel& model, const std::string& mtlFileName);
std::string mtlText(const ImportedModel& model);
std::string mtlText(const std::vector<ImportedMaterial>& materials);

// Writes each (path, text) to a temporary file in the path's directory and
// renames them into place only when all were written, so a failure leaves
// neither a partial nor a missing-half output. On failure error names the
// file and the reason.
bool writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error);

// objText and mtlText for path and its ".mtl" sibling, written atomically.
bool writeObj(const ImportedModel& model, const std::string& path, std::string& error);

}  // namespace host::io
