#include "scene/commands/shading_commands.h"

#include "scene/commands/command_support.h"
#include "scene/selection.h"

namespace host::scene {

namespace {

struct Membership {
    Node* mesh;
    std::vector<int> faces;  // empty: the whole mesh
};

// Members named by the arguments (or the selection): meshes, their
// transforms, or faces of them.
bool resolveMembers(const Invocation& call, std::vector<Membership>& out) {
    std::vector<std::string> names;
    if (!positionalTexts(call, names))
        return commandError(call, "members must be object names"), false;
    std::vector<SelectionItem> items;
    if (names.empty())
        items = selection();
    for (const std::string& name : names) {
        std::string error;
        if (!resolveSelection(name, items, error))
            return commandError(call, error), false;
    }
    for (const SelectionItem& item : items) {
        Node* mesh = item.node->kind == NodeKind::World ? nullptr : meshOf(*item.node);
        if (!mesh)
            return commandError(call, "'" + item.node->name + "' is not a polygon mesh"), false;
        out.push_back(Membership{mesh, item.component ? item.faces : std::vector<int>()});
    }
    return true;
}

Node* shadingEngine(const Invocation& call, const std::string& name) {
    Node* engine = findNode(name);
    if (!engine || engine->kind != NodeKind::ShadingEngine) {
        commandError(call, "'" + name + "' is not a shading group");
        return nullptr;
    }
    return engine;
}

Value memberNames(const Node& engine) {
    std::vector<std::string> out;
    for (Node* mesh : engineMembers(engine)) {
        for (const ShadingMember& m : mesh->shading) {
            if (m.engine.lock().get() != &engine)
                continue;
            if (m.faces.empty())
                out.push_back(mesh->name);
            else
                for (std::string& s :
                     selectionStrings(SelectionItem{handle(*transformOf(*mesh)), m.faces, true}))
                    out.push_back(s);
        }
    }
    return stringList(out);
}

MStatus addMembers(const Invocation& call, CommandContext& ctx, const std::string& engineName) {
    Node* engine = shadingEngine(call, engineName);
    if (!engine)
        return MStatus::kInvalidParameter;
    std::vector<Membership> members;
    if (!resolveMembers(call, members))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    for (Membership& m : members)
        assignToEngine(*engine, *m.mesh, m.faces);
    return MStatus::kSuccess;
}

// A new shading group; members given join it.
MStatus createSet(const Invocation& call, CommandContext& ctx) {
    if (!flagOn(call, "r", "renderable"))
        return commandError(
            call, "only renderable sets (shading groups) can be made; add -renderable true");
    std::string name;
    flagText(call, "n", "name", name);
    if (!name.empty() && !isValidName(name))
        return commandError(call, "invalid name '" + name + "'");
    std::vector<Membership> members;
    if (!flagOn(call, "em", "empty") && !resolveMembers(call, members))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    Node& engine = createShadingEngine(name.empty() ? "set1" : name);
    for (Membership& m : members)
        assignToEngine(engine, *m.mesh, m.faces);
    ctx.result = Value(engine.name);
    return MStatus::kSuccess;
}

MStatus runSets(const Invocation& call, CommandContext& ctx) {
    std::string target;
    if (flagText(call, "add", "addElement", target) || flagText(call, "fe", "forceElement", target))
        return addMembers(call, ctx, target);
    if (isQuery(call)) {
        std::vector<std::string> names;
        if (!positionalTexts(call, names) || names.size() != 1)
            return commandError(call, "query expects one set");
        Node* engine = shadingEngine(call, names[0]);
        if (!engine)
            return MStatus::kInvalidParameter;
        ctx.result = memberNames(*engine);
        return MStatus::kSuccess;
    }
    if (call.has("e", "edit"))
        return commandError(call, "-edit needs -forceElement or -addElement");
    return createSet(call, ctx);
}

// Only the connection the scene models: a material's outColor into a shading group.
MStatus runConnectAttr(const Invocation& call, CommandContext& ctx) {
    std::vector<std::string> plugs;
    if (!positionalTexts(call, plugs) || plugs.size() != 2)
        return commandError(call, "expects SOURCE DESTINATION");
    auto split = [](const std::string& plug) {
        size_t dot = plug.find('.');
        return dot == std::string::npos
                   ? std::pair<std::string, std::string>{plug, ""}
                   : std::pair<std::string, std::string>{plug.substr(0, dot), plug.substr(dot + 1)};
    };
    auto [srcName, srcAttr] = split(plugs[0]);
    auto [dstName, dstAttr] = split(plugs[1]);
    Node* src = findNode(srcName);
    Node* dst = findNode(dstName);
    if (!src || !dst)
        return commandError(call, "No object matches name: " + (src ? dstName : srcName));
    bool supported =
        src->kind == NodeKind::Material && (srcAttr == "outColor" || srcAttr == "oc") &&
        dst->kind == NodeKind::ShadingEngine && (dstAttr == "surfaceShader" || dstAttr == "ss");
    if (!supported)
        return commandError(call, "cannot connect " + plugs[0] + " to " + plugs[1]);
    if (materialOf(*dst) && !flagOn(call, "f", "force"))
        return commandError(call, plugs[1] + " is already connected; use -force");
    Journal journal(&ctx.undo);
    setSurfaceShader(*dst, src);
    return MStatus::kSuccess;
}

}  // namespace

void registerShadingCommands() {
    using A = ArgType;
    addSceneCommand("sets",
                    {{"add", "addElement", {A::String}},
                     {"fe", "forceElement", {A::String}},
                     {"e", "edit", {}},
                     {"q", "query", {}},
                     {"n", "name", {A::String}},
                     {"r", "renderable", {A::Bool}},
                     {"nss", "noSurfaceShader", {A::Bool}},
                     {"em", "empty", {}}},
                    runSets, true);
    addSceneCommand("connectAttr", {{"f", "force", {}}}, runConnectAttr, true);
}

}  // namespace host::scene
