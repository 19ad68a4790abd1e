// Minimal Wavefront OBJ reading and writing of positions and triangles.
#pragma once

#include "bench/meshgen/meshgen.h"

#include <string>

namespace kivano {

// Writes "v" and "f" lines; returns false when the file cannot be written.
bool writeObj(const TriangleMesh& mesh, const char* path);

// Reads "v" and "f" lines (polygons are split into fans; texture and normal
// references and every other line are ignored). On failure returns false
// and describes the first problem, with its line number, in error.
bool readObj(const char* path, TriangleMesh& mesh, std::string& error);

}  // namespace kivano
