#pragma once
// Reading any supported model file into an ImportedModel that is ready to
// become scene nodes: the file checked, positions welded, every index valid.
#include <string>

#include "io/imported_model.h"

namespace host::io {

// What a failure that left a reader with no words of its own says.
inline constexpr char kOutOfMemory[] = "not enough memory to read it";
inline constexpr char kReaderFailed[] = "the file is damaged: its reader gave up on it";

// On failure report.error says what is wrong (without the path) and model
// holds nothing the caller should use.
bool readModelFile(const std::string& path, ImportedModel& model, ReadReport& report);

}  // namespace host::io
