#include "io/io_commands.h"

#include <string>
#include <vector>

#include "core/command.h"
#include "core/messages.h"
#include "io/model_io.h"
#include "scene/scene.h"

namespace host {

namespace {

namespace sc = host::scene;

MStatus fileError(const std::string& message, MStatus status = MStatus::kInvalidParameter) {
    postMessage(MessageKind::Error, "file: " + message);
    return status;
}

// The one path the command works on, from its positional arguments.
bool pathArgument(const Invocation& call, std::string& path) {
    if (call.args.size() != 1)
        return false;
    return toText(call.args[0], path) && !path.empty();
}

MStatus importFile(const Invocation& call, CommandContext& ctx) {
    std::string path;
    if (!pathArgument(call, path))
        return fileError("-import needs one file name");
    std::vector<std::string> made;
    std::string error;
    {
        sc::Journal journal(&ctx.undo);
        if (!io::importModelFile(path, made, error))
            return fileError(error, MStatus::kFailure);
    }
    Value::List names(made.begin(), made.end());
    ctx.result = Value(std::move(names));
    return MStatus::kSuccess;
}

bool exportTypeKnown(const Invocation& call) {
    const Flag* type = call.flag("typ", "type");
    std::string name;
    if (!type)
        return true;
    return !type->args.empty() && toText(type->args[0], name) &&
           (name == "OBJexport" || name == "OBJ");
}

MStatus exportFile(const Invocation& call, CommandContext& ctx, bool selectedOnly) {
    std::string path;
    if (!pathArgument(call, path))
        return fileError(std::string(selectedOnly ? "-exportSelected" : "-exportAll") +
                         " needs one file name");
    if (!exportTypeKnown(call))
        return fileError("unsupported export type; only \"OBJexport\" is written");
    std::string error;
    if (!io::exportObjFile(path, selectedOnly, error))
        return fileError(error, MStatus::kFailure);
    ctx.result = Value(path);
    return MStatus::kSuccess;
}

// Everything a user made, top-level first so that deleting a transform takes its shapes along.
std::vector<sc::NodePtr> userNodes() {
    std::vector<sc::NodePtr> nodes;
    for (sc::Node* node : sc::allNodes()) {
        bool topLevel = node->parent == nullptr || node->parent->kind == sc::NodeKind::World;
        if (topLevel && node->kind != sc::NodeKind::World && !sc::isDefaultNode(*node))
            nodes.push_back(sc::handle(*node));
    }
    return nodes;
}

// Deleting rather than resetting keeps the nodes for undo.
MStatus newScene(const Invocation& call, CommandContext& ctx) {
    std::vector<sc::NodePtr> nodes = userNodes();
    if (!call.has("f", "force") && !nodes.empty())
        return fileError("the scene has unsaved changes; use -force with -new");
    sc::Journal journal(&ctx.undo);
    sc::setSelection({});
    for (const sc::NodePtr& node : nodes)
        if (node->alive)
            sc::deleteNode(*node);
    return MStatus::kSuccess;
}

MStatus runFile(const Invocation& call, CommandContext& ctx) {
    bool import = call.has("i", "import");
    bool exportAll = call.has("ea", "exportAll");
    bool exportSelected = call.has("es", "exportSelected");
    bool fresh = call.has("new", "newFile");
    if (int(import) + int(exportAll) + int(exportSelected) + int(fresh) != 1)
        return fileError("give exactly one of -import, -exportAll, -exportSelected or -new");
    if (import)
        return importFile(call, ctx);
    if (fresh)
        return newScene(call, ctx);
    return exportFile(call, ctx, exportSelected);
}

}  // namespace

void registerIoCommands() {
    CommandSpec entry;
    entry.name = "file";
    entry.run = runFile;
    entry.undoable = true;
    entry.owner = "host";
    entry.flags = {
        {"i", "import", {}},           {"ea", "exportAll", {}}, {"es", "exportSelected", {}},
        {"new", "newFile", {}},        {"f", "force", {}},      {"typ", "type", {ArgType::String}},
        {"rnn", "returnNewNodes", {}},
    };
    CommandRegistry::instance().add(std::move(entry));
}

}  // namespace host
