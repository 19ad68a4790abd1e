#pragma once
// What a model file's header promises, against what the file can hold. A
// header may claim billions of elements in a file of a few hundred bytes;
// a reader that trusts it reserves memory for all of them before it finds
// out. These checks read only the header and refuse such a file first.
#include <cstdint>
#include <string>

namespace host::io {

// Empty when the header's counts fit in `fileBytes`, or when the file is of
// a kind not checked here; else one sentence, e.g. "the header declares
// 3,535,352,353 vertices but the file holds 309 bytes".
std::string declaredCountsProblem(const std::string& path, std::uintmax_t fileBytes);

}  // namespace host::io
