#pragma once
// A texture that came inside a model file (glTF, GLB, FBX) rather than as a
// file beside it: kept in memory, so nothing is written to the user's disk.
#include <memory>
#include <vector>

namespace host_session {

struct EmbeddedImage {
    // An image file's bytes (PNG, JPEG, ...) when height is 0; else width x
    // height pixels, rows top down, four bytes each: red, green, blue, alpha.
    std::vector<unsigned char> bytes;
    int width = 0;
    int height = 0;
};

using EmbeddedImagePtr = std::shared_ptr<const EmbeddedImage>;

}  // namespace host_session
