#include "scene/commands/node_commands.h"

#include <algorithm>

#include "scene/commands/command_support.h"

namespace host::scene {

namespace {

MStatus makeNode(const Invocation& call, CommandContext& ctx, const std::string& type) {
    if (!isKnownNodeType(type))
        return commandError(call, "Unknown object type: " + type);
    std::string name, parentName;
    flagText(call, "n", "name", name);
    if (!name.empty() && !isValidName(name))
        return commandError(call, "invalid name '" + name + "'");
    Node* parent = nullptr;
    if (flagText(call, "p", "parent", parentName)) {
        parent = findNode(parentName);
        if (!parent || parent->kind != NodeKind::Transform)
            return commandError(call, "parent '" + parentName + "' is not a transform");
        if (type != "transform" && type != "mesh")
            return commandError(call, type + " nodes cannot have a parent");
    }
    Journal journal(&ctx.undo);
    Node& node = createNode(type, name, parent);
    ctx.result = Value(node.name);
    return MStatus::kSuccess;
}

MStatus runCreateNode(const Invocation& call, CommandContext& ctx) {
    std::vector<std::string> args;
    if (!positionalTexts(call, args) || args.size() != 1)
        return commandError(call, "expects one node type");
    return makeNode(call, ctx, args[0]);
}

MStatus runShadingNode(const Invocation& call, CommandContext& ctx) {
    std::vector<std::string> args;
    if (!positionalTexts(call, args) || args.size() != 1)
        return commandError(call, "expects one node type");
    bool as = flagOn(call, "as", "asShader") || flagOn(call, "at", "asTexture") ||
              flagOn(call, "au", "asUtility");
    if (!as)
        return commandError(call, "one of -asShader, -asTexture or -asUtility is required");
    if (args[0] == "transform" || args[0] == "mesh" || args[0] == "shadingEngine")
        return commandError(call, args[0] + " is not a shading node");
    return makeNode(call, ctx, args[0]);
}

MStatus runRename(const Invocation& call, CommandContext& ctx) {
    if (!call.flags.empty())
        return commandError(call, "invalid flag -" + call.flags.front().name);
    std::vector<std::string> args;
    if (!positionalTexts(call, args) || args.empty() || args.size() > 2)
        return commandError(call, "expects [OBJECT] NEWNAME");
    Node* node = nullptr;
    if (args.size() == 2) {
        node = findNode(args[0]);
        if (!node || node->kind == NodeKind::World)
            return commandError(call, "No object matches name: " + args[0]);
    } else if (!selection().empty()) {
        node = selection().front().node.get();
    } else {
        return commandError(call, "No object to rename");
    }
    const std::string& wanted = args.back();
    if (!isValidName(wanted))
        return commandError(call, "New name has no legitimate characters: '" + wanted + "'");
    if (isDefaultNode(*node))
        return commandError(call, "Cannot rename a read only node '" + node->name + "'");
    Journal journal(&ctx.undo);
    ctx.result = Value(rename(*node, wanted));
    return MStatus::kSuccess;
}

// Objects to delete; refuses components and default nodes before anything changes.
bool deletionTargets(const Invocation& call, std::vector<Node*>& nodes) {
    std::vector<std::string> names;
    if (!positionalTexts(call, names))
        return commandError(call, "arguments must be object names"), false;
    if (names.empty())
        for (const SelectionItem& item : selection())
            if (item.component)
                return commandError(call, "deleting faces is not supported; select objects"), false;
    for (const std::string& name : names)
        if (name.find('.') != std::string::npos)
            return commandError(call, "deleting faces is not supported: " + name), false;
    if (!targetNodes(call, nodes))
        return false;
    for (Node* node : nodes)
        if (isDefaultNode(*node))
            return commandError(call, "Cannot delete the default node '" + node->name + "'"), false;
    return true;
}

void deleteAll(const std::vector<Node*>& nodes, CommandContext& ctx) {
    // Hold every target first: deleting a parent detaches the children listed after it.
    std::vector<NodePtr> held;
    for (Node* node : nodes)
        held.push_back(handle(*node));
    Journal journal(&ctx.undo);
    for (NodePtr& node : held)
        if (node->alive)
            deleteNode(*node);
}

MStatus runDelete(const Invocation& call, CommandContext& ctx) {
    if (!call.flags.empty())
        return commandError(call, "invalid flag -" + call.flags.front().name);
    std::vector<Node*> nodes;
    if (!deletionTargets(call, nodes))
        return MStatus::kInvalidParameter;
    if (nodes.empty())
        return commandError(call, "Not enough objects or values.");
    deleteAll(nodes, ctx);
    return MStatus::kSuccess;
}

// Deletes the selection; with nothing selected there is nothing to do.
MStatus runDoDelete(const Invocation& call, CommandContext& ctx) {
    if (!call.flags.empty())
        return commandError(call, "invalid flag -" + call.flags.front().name);
    if (!call.args.empty())
        return commandError(call, "takes no arguments; it deletes the selection");
    std::vector<Node*> nodes;
    if (!deletionTargets(call, nodes))
        return MStatus::kInvalidParameter;
    deleteAll(nodes, ctx);
    return MStatus::kSuccess;
}

}  // namespace

void registerNodeCommands() {
    using A = ArgType;
    addSceneCommand("createNode", {{"n", "name", {A::String}}, {"p", "parent", {A::String}}},
                    runCreateNode, true);
    addSceneCommand("shadingNode",
                    {{"n", "name", {A::String}},
                     {"as", "asShader", {}},
                     {"at", "asTexture", {}},
                     {"au", "asUtility", {}}},
                    runShadingNode, true);
    addSceneCommand("rename", {}, runRename, true);
    addSceneCommand("delete", {}, runDelete, true);
    addSceneCommand("doDelete", {}, runDoDelete, true);
}

}  // namespace host::scene
