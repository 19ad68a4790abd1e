#pragma once
// Wavefront OBJ with its MTL libraries. Read by hand rather than through assimp
// because assimp splits an object at every material change, which loses the
// file's face order that the unfolding and the user's face ids depend on.
#include <string>
#include <string_view>
#include <vector>

#include "io/imported_model.h"

namespace host::io {

// Objects start at "o" lines (or at "g" lines in files without any "o");
// positions are not yet welded. On failure report.error names the line.
bool readObj(const std::string& path, ImportedModel& model, ReadReport& report);

// Parses MTL text; texture paths are resolved against baseDirectory, and a
// texture the run may not read is left out with a warning. Later
// definitions of a name replace earlier ones.
void parseMtl(std::string_view text, const std::string& baseDirectory,
              std::vector<ImportedMaterial>& materials, std::vector<std::string>& warnings);

}  // namespace host::io
