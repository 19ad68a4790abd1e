#pragma once
// Files a model names besides itself (material libraries, textures): where
// they lie, and what is said about those the run may not read.
#include <filesystem>
#include <string>
#include <vector>

namespace host::io {

// The file a reference written in a model names, taken from `directory`
// unless absolute; back slashes count as separators.
std::filesystem::path referencedFile(const std::string& reference,
                                     const std::filesystem::path& directory);

// Said once for each reference outside the folder files may be read from,
// naming it as the model wrote it, never the folder's own path.
std::string outsideWarning(const std::string& what, const std::string& reference);

// The texture file a material names, or empty where it is a web address or
// lies outside the folder files may be read from: then a warning says so,
// and the faces keep the material's colour.
std::string texturePathFor(const std::string& reference, const std::filesystem::path& directory,
                           std::vector<std::string>& warnings);

}  // namespace host::io
