#pragma once
// Small helpers shared by the scene commands: errors that name the command,
// reading arguments, and finding the nodes a command works on.
#include <string>
#include <vector>

#include <maya/MStatus.h>

#include "core/command.h"
#include "scene/scene.h"

namespace host::scene {

// Posts "<command>: <message>" as an error and returns kInvalidParameter.
MStatus commandError(const Invocation& call, const std::string& message);

// The flag's first argument as text / number; false when absent or unreadable.
bool flagText(const Invocation& call, const char* shortName, const char* longName,
              std::string& out);
bool flagNumber(const Invocation& call, const char* shortName, const char* longName, double& out);
// A bare on/off flag: present and not given false.
bool flagOn(const Invocation& call, const char* shortName, const char* longName);

// Every positional argument as text (lists are flattened); false on a value
// that is not text-like.
bool positionalTexts(const Invocation& call, std::vector<std::string>& out);

// Nodes named by the positional arguments or, without any, the selected
// objects (components count as their objects). Posts the error and returns
// false when a name matches nothing.
bool targetNodes(const Invocation& call, std::vector<Node*>& out);

Value stringList(const std::vector<std::string>& texts);

// Registers a host command with its flags.
void addSceneCommand(const std::string& name, std::vector<FlagSyntax> flags, CommandFn run,
                     bool undoable);

}  // namespace host::scene
