#include "core/session.h"

#include <cassert>

#include "core/command.h"
#include "core/progress.h"
#include "core/undo_queue.h"
#include "io/io_commands.h"
#include "lang/interpreter.h"

namespace host {

namespace {

bool& sessionAlive() {
    static bool alive = false;
    return alive;
}

}  // namespace

Session::Session() {
    assert(!sessionAlive() && "one host session at a time");
    sessionAlive() = true;
    registerLanguageCommands();
    registerSceneCommands();
    registerIoCommands();
    registerUiCommands();
    startPython();
}

Session::~Session() {
    // Undo steps hold scene objects and plug-in command objects: they go
    // first, while everything they refer to still exists.
    UndoQueue::instance().clear();
    // The scene holds arrays that a plug-in's code may have allocated: free
    // them while that code is still mapped.
    resetScene();
    unloadAllPlugins();
    resetUi();
    resetProgress();
    stopPython();
    CommandRegistry::instance().clear();
    lang::resetVariables();
    sessionAlive() = false;
}

}  // namespace host
