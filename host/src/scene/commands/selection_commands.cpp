#include "scene/commands/selection_commands.h"

#include "scene/commands/command_support.h"
#include "scene/selection.h"

namespace host::scene {

namespace {

bool isDagNode(const Node& node) {
    return node.kind == NodeKind::Transform || node.kind == NodeKind::Mesh;
}

// Nodes in depth-first DAG order (for -dag), else in creation order.
std::vector<Node*> candidates(bool dagOnly) {
    std::vector<Node*> out;
    if (!dagOnly) {
        for (Node* node : allNodes())
            if (node->kind != NodeKind::World)
                out.push_back(node);
        return out;
    }
    std::vector<Node*> stack{&world()};
    while (!stack.empty()) {
        Node* node = stack.back();
        stack.pop_back();
        if (node->kind != NodeKind::World)
            out.push_back(node);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            stack.push_back(it->get());
    }
    return out;
}

bool typeMatches(const Node& node, const std::vector<std::string>& types) {
    if (types.empty())
        return true;
    for (const std::string& t : types)
        if (node.typeName() == t || (t == "shape" && node.kind == NodeKind::Mesh) ||
            (t == "dagNode" && isDagNode(node)))
            return true;
    return false;
}

std::string listedName(const Node& node, bool longNames) {
    return longNames && isDagNode(node) ? fullPathName(node) : node.name;
}

MStatus listSelection(const std::vector<std::string>& types, bool longNames, CommandContext& ctx) {
    std::vector<std::string> out;
    for (const SelectionItem& item : selection()) {
        if (!item.node->alive || !typeMatches(*item.node, types))
            continue;
        if (item.component) {
            for (std::string& s : selectionStrings(item))
                out.push_back(
                    longNames ? fullPathName(*item.node) + s.substr(item.node->name.size()) : s);
        } else {
            out.push_back(listedName(*item.node, longNames));
        }
    }
    ctx.result = stringList(out);
    return MStatus::kSuccess;
}

MStatus runLs(const Invocation& call, CommandContext& ctx) {
    std::vector<std::string> types;
    for (const Flag& flag : call.flags) {
        std::string t;
        if ((flag.name == "type" || flag.name == "typ") && !flag.args.empty() &&
            toText(flag.args[0], t))
            types.push_back(t);
    }
    if (flagOn(call, "tr", "transforms"))
        types.push_back("transform");
    if (flagOn(call, "s", "shapes"))
        types.push_back("shape");
    bool longNames = flagOn(call, "l", "long");
    if (flagOn(call, "sl", "selection"))
        return listSelection(types, longNames, ctx);
    std::vector<std::string> patterns;
    if (!positionalTexts(call, patterns))
        return commandError(call, "arguments must be names or patterns");
    std::vector<std::string> out;
    for (Node* node : candidates(flagOn(call, "dag", "dag"))) {
        if (!typeMatches(*node, types))
            continue;
        bool named = patterns.empty();
        for (const std::string& p : patterns)
            named = named || matchesPattern(p, node->name) || p == fullPathName(*node);
        if (named)
            out.push_back(listedName(*node, longNames));
    }
    ctx.result = stringList(out);
    return MStatus::kSuccess;
}

std::vector<SelectionItem> allObjects() {
    std::vector<SelectionItem> out;
    for (NodePtr& child : world().children)
        out.push_back(SelectionItem{child, {}, false});
    return out;
}

MStatus runSelect(const Invocation& call, CommandContext& ctx) {
    std::vector<std::string> names;
    if (!positionalTexts(call, names))
        return commandError(call, "arguments must be object names");
    std::vector<SelectionItem> items;
    for (const std::string& name : names) {
        std::string error;
        if (!resolveSelection(name, items, error))
            return commandError(call, error);
    }
    if (flagOn(call, "all", "all")) {
        std::vector<SelectionItem> all = allObjects();
        items.insert(items.end(), all.begin(), all.end());
    }
    bool clear = flagOn(call, "cl", "clear");
    bool add = flagOn(call, "add", "add") || flagOn(call, "af", "addFirst");
    bool deselect = flagOn(call, "d", "deselect");
    bool toggle = flagOn(call, "tgl", "toggle");
    if (int(add) + int(deselect) + int(toggle) + int(clear) > 1)
        return commandError(call, "only one of -add, -deselect, -toggle and -clear may be given");
    std::vector<SelectionItem> result =
        add || deselect || toggle ? selection() : std::vector<SelectionItem>();
    if (!clear) {
        for (const SelectionItem& item : items) {
            if (deselect || (toggle && selectionContains(result, item)))
                removeFromSelection(result, item);
            else
                addToSelection(result, item);
        }
    }
    Journal journal(&ctx.undo);
    setSelection(std::move(result));
    return MStatus::kSuccess;
}

}  // namespace

void registerSelectionCommands() {
    using A = ArgType;
    addSceneCommand("ls",
                    {{"sl", "selection", {}},
                     {"typ", "type", {A::String}},
                     {"l", "long", {}},
                     {"dag", "dag", {}},
                     {"tr", "transforms", {}},
                     {"s", "shapes", {}}},
                    runLs, false);
    addSceneCommand("select",
                    {{"add", "add", {}},
                     {"af", "addFirst", {}},
                     {"d", "deselect", {}},
                     {"cl", "clear", {}},
                     {"all", "all", {}},
                     {"r", "replace", {}},
                     {"tgl", "toggle", {}}},
                    runSelect, true);
}

}  // namespace host::scene
