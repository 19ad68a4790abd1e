#pragma once
// Attributes by name: built-in and dynamic, with keys evaluated in time.
#include "scene/scene.h"

namespace host::scene {

// Built-in (translate/tx.., rotate, scale, visibility, intermediateObject) and
// dynamic attributes; keyed attributes evaluate at `time` (stepped), or give
// the value last set when evaluateKeys is false.
std::optional<AttrValue> getAttr(const Node& node, std::string_view attr, double time,
                                 bool evaluateKeys = true);
// Sets a built-in or dynamic attribute; false when the node has none of that name
// or the value does not fit it.
bool setAttr(Node& node, std::string_view attr, const AttrValue& value);
bool hasAttr(const Node& node, std::string_view attr);
// The long name of a built-in attribute ("tx" -> "translateX", "v" -> "visibility");
// other names unchanged. Keys are stored under this name.
std::string longAttrName(const Node& node, std::string_view attr);

}  // namespace host::scene
