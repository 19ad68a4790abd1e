#pragma once
// A plug-in's MPxCommand as a host command: one object per call, kept by the
// undo queue when it is undoable, deleted otherwise.
#include <string>

#include <maya/MTypes.h>

#include "core/command.h"

namespace host {

CommandSpec pluginCommandSpec(const std::string& name, MCreatorFunction creator,
                              MCreateSyntaxFunction createSyntax, const std::string& owner);

// Where MPxCommand::setResult writes: the result of the innermost running
// plug-in command, or null when none runs.
Value* currentCommandResult();

// The name of the innermost running plug-in command, or null when none runs;
// its argument errors name it.
const std::string* runningPluginCommand();

}  // namespace host
