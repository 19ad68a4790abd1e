#include "scene/commands/poly_commands.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "scene/commands/command_support.h"
#include "scene/mesh_merge.h"
#include "scene/reduce_faces.h"
#include "scene/reverse_faces.h"
#include "scene/scene_geometry.h"
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

// The most a unit of the mesh's own space grows to in the world.
double largestWorldScale(const Node& mesh) {
    Matrix4 m = worldMatrix(mesh);
    double largest = 0.0;
    for (size_t row = 0; row < 3; ++row)
        largest =
            std::max(largest, std::sqrt(m[row * 4] * m[row * 4] + m[row * 4 + 1] * m[row * 4 + 1] +
                                        m[row * 4 + 2] * m[row * 4 + 2]));
    return largest;
}

// Per polygon, the index of its shading membership, or -1.
std::vector<int> shadingGroups(const Node& mesh) {
    std::vector<int> groups(size_t(mesh.mesh->numPolygons()), -1);
    for (size_t m = 0; m < mesh.shading.size(); ++m)
        for (int f : mesh.shading[m].faces)
            if (f >= 0 && size_t(f) < groups.size())
                groups[size_t(f)] = int(m);
    return groups;
}

// Face components of the mesh no longer name the faces they did: the
// object stays selected, as a whole.
void selectWhole(const Node& mesh) {
    std::vector<SelectionItem> items = selection();
    bool changed = false;
    for (SelectionItem& item : items)
        if (item.component && item.node.get() == mesh.parent) {
            item.component = false;
            item.faces.clear();
            changed = true;
        }
    if (changed)
        setSelection(std::move(items));
}

// Reduces to a number of triangles (-termination 2 -triangleCount N) or a
// share of them (-termination 0 -percentage P), always keeping open
// borders, texture seams and colour and material borders. -maxDeviation is
// this host's own: the furthest, in world units, the surface may move;
// reduction stops there even short of the count.
MStatus runPolyReduce(const Invocation& call, CommandContext& ctx) {
    static const char* const kKept[][2] = {
        {"kb", "keepBorder"}, {"kmb", "keepMapBorder"}, {"kcb", "keepColorBorder"}};
    for (const auto& kept : kKept)
        if (call.has(kept[0], kept[1]) && !flagOn(call, kept[0], kept[1]))
            return commandError(call, std::string("-") + kept[1] + " 0 is not supported");
    double termination = 0.0, count = -1.0, percentage = -1.0, deviation = HUGE_VAL;
    if (call.has("trm", "termination") && !flagNumber(call, "trm", "termination", termination))
        return commandError(call, "-termination takes 0 or 2");
    if (termination == 2.0) {
        if (!flagNumber(call, "tct", "triangleCount", count) || !(count >= 0.0))
            return commandError(call, "-termination 2 needs -triangleCount, at least 0");
    } else if (termination == 0.0) {
        if (!flagNumber(call, "p", "percentage", percentage) ||
            !(percentage >= 0.0 && percentage <= 100.0))
            return commandError(call, "-percentage must lie between 0 and 100");
    } else {
        return commandError(call,
                            "only -termination 0 (percentage) and 2 (triangles) are "
                            "supported");
    }
    if (call.has("mxd", "maxDeviation") &&
        (!flagNumber(call, "mxd", "maxDeviation", deviation) || !(deviation >= 0.0)))
        return commandError(call, "-maxDeviation must be 0 or more");
    std::vector<Target> targets;
    if (!triangulationTargets(call, targets))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    for (Target& t : targets) {
        const MeshData& data = *t.mesh->mesh;
        int triangles = data.numTriangles();
        // Percentage reduces by that share of the triangles, as the host reads it.
        double goal = termination == 2.0 ? count : triangles * (1.0 - percentage / 100.0);
        int target = int(std::min(goal, double(triangles)));
        double scale = largestWorldScale(*t.mesh);
        double error = scale > 0.0 && std::isfinite(deviation) ? deviation / scale : 1e30;
        ReducedMesh reduced = reduceFaces(data, shadingGroups(*t.mesh), target, error);
        if (reduced.data.numPolygons() == data.numPolygons() &&
            reduced.data.numFaceVertices() == data.numFaceVertices())
            continue;  // nothing collapsed
        std::vector<ShadingMember> shading = t.mesh->shading;
        for (ShadingMember& m : shading)
            m.faces.clear();
        for (size_t f = 0; f < reduced.faceGroup.size(); ++f)
            if (int g = reduced.faceGroup[f]; g >= 0)
                shading[size_t(g)].faces.push_back(int(f));
        setMeshData(*t.mesh, std::make_shared<const MeshData>(std::move(reduced.data)));
        setShading(*t.mesh, std::move(shading));
        selectWhole(*t.mesh);
    }
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
    addSceneCommand("polyReduce",
                    {{"ver", "version", {A::Int}},
                     {"trm", "termination", {A::Int}},
                     {"tct", "triangleCount", {A::Int}},
                     {"p", "percentage", {A::Double}},
                     {"kb", "keepBorder", {A::Bool}},
                     {"kmb", "keepMapBorder", {A::Bool}},
                     {"kcb", "keepColorBorder", {A::Bool}},
                     {"mxd", "maxDeviation", {A::Double}},
                     {"ch", "constructionHistory", {A::Bool}}},
                    runPolyReduce, true);
}

}  // namespace host::scene
