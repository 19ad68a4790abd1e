#pragma once
// Reading any supported model file into an ImportedModel that is ready to
// become scene nodes: the file checked, positions welded, every index valid.
#include <string>

#include "io/imported_model.h"

namespace host::io {

// On failure report.error says what is wrong (without the path) and model
// holds nothing the caller should use.
bool readModelFile(const std::string& path, ImportedModel& model, ReadReport& report);

}  // namespace host::io
