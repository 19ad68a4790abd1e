#include "scene/commands/poly_commands.h"

#include <map>

#include "scene/commands/command_support.h"
#include "scene/mesh_merge.h"
#include "scene/reverse_faces.h"
#include "scene/selection.h"
#include "scene/triangulate.h"

namespace host::scene {

namespace {

// The shape that a selected object stands for: the mesh itself, or the live
// (non-intermediate) mesh under a transform.
Node* liveShape(Node& node) {
    if (node.kind == NodeKind::World)
        return nullptr;
    Node* mesh = meshOf(node);
    return mesh && !mesh->intermediate ? mesh : nullptr;
}

// Gives the united mesh the engines of the faces it came from.
void copyShading(const std::vector<Node*>& sources, const std::vector<int>& firstPolygon,
                 Node& result) {
    std::vector<Node*> order;
    std::map<Node*, std::vector<int>> faces;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::vector<Node*> engines;
        std::vector<int> perFace;
        connectedEngines(*sources[i], engines, perFace);
        for (size_t f = 0; f < perFace.size(); ++f) {
            if (perFace[f] < 0)
                continue;
            Node* engine = engines[size_t(perFace[f])];
            if (!faces.count(engine))
                order.push_back(engine);
            faces[engine].push_back(firstPolygon[i] + int(f));
        }
    }
    for (Node* engine : order)
        assignToEngine(*engine, result, faces[engine]);
}

MStatus runPolyUnite(const Invocation& call, CommandContext& ctx) {
    std::string name;
    flagText(call, "n", "name", name);
    if (!name.empty() && !isValidName(name))
        return commandError(call, "invalid name '" + name + "'");
    bool history =
        !call.has("ch", "constructionHistory") || flagOn(call, "ch", "constructionHistory");
    std::vector<Node*> nodes;
    if (!targetNodes(call, nodes))
        return MStatus::kInvalidParameter;
    std::vector<Node*> meshes;
    for (Node* node : nodes) {
        Node* mesh = liveShape(*node);
        if (!mesh)
            return commandError(call, "'" + node->name + "' is not a polygon mesh");
        if (std::find(meshes.begin(), meshes.end(), mesh) == meshes.end())
            meshes.push_back(mesh);
    }
    if (meshes.size() < 2)
        return commandError(call, "Not enough objects or values.");
    std::vector<MergeSource> sources;
    for (Node* mesh : meshes)
        sources.push_back(MergeSource{mesh->mesh.get(), worldMatrix(*mesh)});
    MergedMesh merged = mergeMeshes(sources);
    Journal journal(&ctx.undo);
    Node& transform = createTransform(name.empty() ? "polySurface1" : name);
    Node& shape = createMesh(name.empty() ? "polySurfaceShape1" : name + "Shape", transform,
                             std::make_shared<const MeshData>(std::move(merged.data)));
    copyShading(meshes, merged.firstPolygon, shape);
    for (Node* mesh : meshes) {
        if (history)
            setIntermediate(*mesh, true);
        else
            deleteNode(*transformOf(*mesh));
    }
    setSelection({SelectionItem{handle(transform), {}, false}});
    ctx.result = stringList({transform.name});
    return MStatus::kSuccess;
}

struct Target {
    Node* mesh;
    std::vector<int> faces;  // empty: every polygon
};

// Meshes to triangulate from the arguments or the selection; components keep their faces.
bool triangulationTargets(const Invocation& call, std::vector<Target>& out) {
    std::vector<std::string> names;
    if (!positionalTexts(call, names))
        return commandError(call, "arguments must be object names"), false;
    std::vector<SelectionItem> items;
    if (names.empty())
        items = selection();
    for (const std::string& n : names) {
        std::string error;
        if (!resolveSelection(n, items, error))
            return commandError(call, error), false;
    }
    for (const SelectionItem& item : items) {
        Node* mesh = item.node->alive ? liveShape(*item.node) : nullptr;
        if (!mesh)
            continue;  // like the host's menu command, other objects are passed over
        auto it = std::find_if(out.begin(), out.end(),
                               [mesh](const Target& t) { return t.mesh == mesh; });
        if (it == out.end()) {
            out.push_back(Target{mesh, item.component ? item.faces : std::vector<int>()});
        } else if (!item.component || it->faces.empty()) {
            it->faces.clear();
        } else {
            it->faces.insert(it->faces.end(), item.faces.begin(), item.faces.end());
            std::sort(it->faces.begin(), it->faces.end());
        }
    }
    if (out.empty())
        return commandError(call, "no polygon objects selected"), false;
    return true;
}

std::vector<int> renumber(const std::vector<int>& faces, const std::vector<int>& firstTriangle) {
    std::vector<int> out;
    for (int f : faces)
        for (int t = firstTriangle[size_t(f)]; t < firstTriangle[size_t(f) + 1]; ++t)
            out.push_back(t);
    return out;
}

void renumberShading(Node& mesh, const std::vector<int>& firstTriangle) {
    std::vector<ShadingMember> shading = mesh.shading;
    for (ShadingMember& m : shading)
        m.faces = renumber(m.faces, firstTriangle);
    setShading(mesh, std::move(shading));
}

// Selected faces of the mesh now name the triangles made from them.
void renumberSelection(const Node& mesh, const std::vector<int>& firstTriangle) {
    std::vector<SelectionItem> items = selection();
    bool changed = false;
    for (SelectionItem& item : items) {
        if (!item.component || item.node.get() != mesh.parent)
            continue;
        item.faces = renumber(item.faces, firstTriangle);
        changed = true;
    }
    if (changed)
        setSelection(std::move(items));
}

MStatus runTriangulate(const Invocation& call, CommandContext& ctx) {
    if (!call.flags.empty())
        return commandError(call, "invalid flag -" + call.flags.front().name);
    std::vector<Target> targets;
    if (!triangulationTargets(call, targets))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    for (Target& t : targets) {
        const MeshData& data = *t.mesh->mesh;
        TriangulatedMesh result = triangulate(data, t.faces.empty() ? nullptr : &t.faces);
        if (result.data.numPolygons() == data.numPolygons())
            continue;  // already triangles
        std::vector<int> first = result.firstTriangle;
        setMeshData(*t.mesh, std::make_shared<const MeshData>(std::move(result.data)));
        renumberShading(*t.mesh, first);
        renumberSelection(*t.mesh, first);
    }
    return MStatus::kSuccess;
}

// Only -normalMode 0, which turns the faces; the modes that make normals
// agree or face one way are the host's own guesses and are left to it.
MStatus runPolyNormal(const Invocation& call, CommandContext& ctx) {
    double mode = 0.0;
    if (call.has("nm", "normalMode") &&
        (!flagNumber(call, "nm", "normalMode", mode) || mode != 0.0))
        return commandError(call, "only -normalMode 0 (reverse) is supported");
    std::vector<Target> targets;
    if (!triangulationTargets(call, targets))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    for (Target& t : targets)
        setMeshData(*t.mesh,
                    std::make_shared<const MeshData>(reverseFaces(*t.mesh->mesh, t.faces)));
    return MStatus::kSuccess;
}

}  // namespace

void registerPolyCommands() {
    using A = ArgType;
    addSceneCommand("polyUnite",
                    {{"n", "name", {A::String}}, {"ch", "constructionHistory", {A::Bool}}},
                    runPolyUnite, true);
    addSceneCommand("Triangulate", {}, runTriangulate, true);
    addSceneCommand("polyNormal",
                    {{"nm", "normalMode", {A::Int}},
                     {"unm", "userNormalMode", {A::Bool}},
                     {"ch", "constructionHistory", {A::Bool}}},
                    runPolyNormal, true);
}

}  // namespace host::scene
