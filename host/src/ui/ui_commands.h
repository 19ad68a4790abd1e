#pragma once
// What the UI commands share: reporting a failure the way the host does
// ("checkBox: Object 'x' not found.") and reading their name argument.
#include <string>

#include <maya/MStatus.h>

#include "core/command.h"

namespace host::ui {

// Posts "<command>: <text>" as an error and gives a failure status.
MStatus fail(const std::string& command, const std::string& text);

// The host's wording for a name that addresses nothing.
std::string notFound(const std::string& name);

// Adds a UI command to the registry; a name already taken is reported, not ignored.
void registerCommand(CommandSpec entry);

// The positional arguments as names; false (and an error posted) when one is
// not text.
bool readNames(const Invocation& call, std::vector<std::string>& names);

}  // namespace host::ui
