// The commands the language itself provides: undo, redo, flushUndo, python,
// print, loadPlugin, unloadPlugin.
#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "core/undo_queue.h"
#include "lang/interpreter.h"
#include "plugins/plugin_loader.h"

namespace host {

namespace {

MStatus usage(const Invocation& call, const char* expected) {
    postMessage(MessageKind::Error, call.command + ": " + expected);
    return MStatus::kInvalidParameter;
}

// The single text argument of a command such as loadPlugin PATH.
bool singleText(const Invocation& call, std::string& out) {
    return call.args.size() == 1 && toText(call.args[0], out);
}

MStatus undoCommand(const Invocation& call, CommandContext&) {
    if (!call.args.empty())
        return usage(call, "takes no arguments");
    UndoQueue& queue = UndoQueue::instance();
    if (queue.doneCount() == 0) {
        postMessage(MessageKind::Warning, "There are no more commands to undo.");
        return MStatus::kSuccess;
    }
    const std::string name = queue.entries()[queue.doneCount() - 1].command;
    queue.undo();
    postMessage(MessageKind::Info, "Undo: " + name);
    return MStatus::kSuccess;
}

MStatus redoCommand(const Invocation& call, CommandContext&) {
    if (!call.args.empty())
        return usage(call, "takes no arguments");
    UndoQueue& queue = UndoQueue::instance();
    if (queue.doneCount() == queue.entries().size()) {
        postMessage(MessageKind::Warning, "There are no more commands to redo.");
        return MStatus::kSuccess;
    }
    const std::string name = queue.entries()[queue.doneCount()].command;
    queue.redo();
    postMessage(MessageKind::Info, "Redo: " + name);
    return MStatus::kSuccess;
}

// Forgets every step that undo or redo could take, and the memory they hold.
MStatus flushUndoCommand(const Invocation& call, CommandContext&) {
    if (!call.args.empty())
        return usage(call, "takes no arguments");
    UndoQueue::instance().clear();
    return MStatus::kSuccess;
}

MStatus pythonCommand(const Invocation& call, CommandContext& context) {
    std::string code;
    if (!singleText(call, code))
        return usage(call, "expects one string of Python code");
    std::string result;
    MStatus status = runPythonWithResult(code, result);
    if (status)
        context.result = Value(result);
    return status;
}

MStatus printCommand(const Invocation& call, CommandContext&) {
    std::string text;
    for (const Value& arg : call.args)
        text += displayText(arg);
    // The language's print leaves line ends to the caller; a message is already one line.
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    postMessage(MessageKind::Info, text);
    return MStatus::kSuccess;
}

MStatus loadPluginCommand(const Invocation& call, CommandContext& context) {
    std::string path;
    if (!singleText(call, path))
        return usage(call, "expects one plug-in file");
    MStatus status = loadPlugin(path);
    if (status)
        context.result = Value(findPlugin(path) ? findPlugin(path)->name : path);
    return status;
}

MStatus unloadPluginCommand(const Invocation& call, CommandContext&) {
    std::string name;
    if (!singleText(call, name))
        return usage(call, "expects one plug-in name or file");
    return unloadPlugin(name);
}

void add(const char* name, CommandFn run, bool undoable) {
    CommandSpec entry;
    entry.name = name;
    entry.run = std::move(run);
    entry.undoable = undoable;
    entry.owner = "host";
    CommandRegistry::instance().add(std::move(entry));
}

}  // namespace

void registerLanguageCommands() {
    lang::resetVariables();
    add("undo", undoCommand, false);
    add("redo", redoCommand, false);
    add("flushUndo", flushUndoCommand, false);
    // Undoable: what the Python code changes through maya.cmds undoes as one step.
    add("python", pythonCommand, true);
    add("print", printCommand, false);
    add("loadPlugin", loadPluginCommand, false);
    add("unloadPlugin", unloadPluginCommand, false);
}

}  // namespace host
