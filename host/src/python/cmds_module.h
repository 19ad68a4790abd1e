#pragma once
// The module maya.cmds: every command of the host's registry, called by name
// from Python (cmds.ls(sl=True), cmds.kivano()). A call made at top level puts
// its undoable work on the host's undo queue; a call made while a command runs
// leaves it to that command. A failing command raises RuntimeError with the
// host's own message. maya.mel.eval runs command-language text the same way.
#include <string>

#include <pybind11/pybind11.h>

namespace host::python {

pybind11::object callCommand(const std::string& command, const pybind11::args& args,
                             const pybind11::kwargs& kwargs);

pybind11::object evalCommandLanguage(const std::string& text);

}  // namespace host::python
