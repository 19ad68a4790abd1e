#pragma once
// A glTF file's JSON bounded before assimp sees it: assimp's JSON parser and
// its node importer both recurse, so a file nested deep enough would end the
// process on a full stack instead of failing with a sentence.
#include <cstddef>
#include <string>

namespace host::io {

// Deeper than any model needs, far shallower than what exhausts the stack.
inline constexpr size_t kMaxJsonNesting = 256;
inline constexpr int kMaxNodeTreeDepth = 1000;

// Empty when the file holds no JSON (text, or a binary glTF's JSON chunk) or
// its JSON and node tree stay within the bounds; otherwise the one sentence
// that says why the file is refused.
std::string jsonBoundsProblem(const std::string& path);

}  // namespace host::io
