#pragma once
// The module maya.cmds: every command of the host's registry, called by name
// from Python (cmds.ls(sl=True), cmds.kivano()). Undoable work of a call made
// at top level goes on the host's undo queue; a call made while a command
// runs leaves undo to that command, or hands it to an UndoSinkScope.
#include <string>
#include <vector>

#include "core/command.h"

namespace host::python {

// While alive, undoable work of cmds calls made at the current command depth
// is handed to sink (a command that runs scripts on the user's behalf, such
// as pressing a button, keeps it for its own undo).
class UndoSinkScope {
public:
    explicit UndoSinkScope(std::vector<UndoStep>* sink);
    ~UndoSinkScope();
    UndoSinkScope(const UndoSinkScope&) = delete;
    UndoSinkScope& operator=(const UndoSinkScope&) = delete;

private:
    std::vector<UndoStep>* previousSink_;
    int previousDepth_;
};

}  // namespace host::python
