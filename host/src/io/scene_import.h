#pragma once
// Turning a checked ImportedModel into scene nodes: per object a transform
// over a mesh, per material a shading engine fed by a material node.
#include <string>
#include <vector>

#include "io/imported_model.h"

namespace host::io {

// The model must have passed checkModel. Every node it makes is an edit the
// open scene journal records, so a journaling caller can undo it all.
// fallbackName names objects whose file gives no usable name (the file's stem).
// Returns the new transforms' names in object order.
std::vector<std::string> addToScene(const ImportedModel& model, const std::string& fallbackName);

}  // namespace host::io
