#pragma once
// The one folder a run may read files from. A server unfolds uploads it does
// not trust: whatever a model names (a material library, a texture, a glTF
// buffer) is opened only when it lies inside the job's folder, so that no
// file elsewhere on the machine can find its way onto a sheet.
#include <filesystem>

namespace kivano {

// Sets the folder once per process, before the first file is read. Without
// it every file may be read, as a person running the tool expects.
void setReadRoot(const std::filesystem::path& folder);

// True when no folder is set, or when the file, with ".." and symbolic links
// resolved, lies inside it. Relative paths count from the current directory.
bool mayRead(const std::filesystem::path& file);

}  // namespace kivano
