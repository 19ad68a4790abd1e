#include "io/scene_export.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "scene/scene.h"

namespace host::io {

namespace {

namespace sc = host::scene;

sc::Node* exportableMesh(sc::Node& transform) {
    for (const sc::NodePtr& child : transform.children)
        if (child->kind == sc::NodeKind::Mesh && !child->intermediate && child->mesh &&
            child->mesh->numPolygons() > 0)
            return child.get();
    return nullptr;
}

std::set<const sc::Node*> selectedTransforms() {
    std::set<const sc::Node*> out;
    for (const sc::SelectionItem& item : sc::selection())
        if (item.node && item.node->alive)
            out.insert(sc::transformOf(*item.node));
    return out;
}

// The UVs of the current set that faces use, renumbered in id order.
void collectUvs(const sc::MeshData& data, ImportedObject& o) {
    const sc::UVSet* set = data.uvSet("");
    if (!set || set->faceVertexIds->empty())
        return;
    std::vector<int> newId(set->u->size(), -1);
    for (int id : *set->faceVertexIds)
        if (id >= 0 && size_t(id) < newId.size())
            newId[size_t(id)] = 0;
    for (size_t id = 0; id < newId.size(); ++id) {
        if (newId[id] < 0)
            continue;
        newId[id] = int(o.us.size());
        o.us.push_back((*set->u)[id]);
        o.vs.push_back((*set->v)[id]);
    }
    for (int id : *set->faceVertexIds)
        o.uvIds.push_back(id >= 0 && size_t(id) < newId.size() ? newId[size_t(id)] : -1);
    if (o.us.empty())
        o.uvIds.clear();
}

// Normals turn with the inverse transpose of the object's linear part, so
// they stay perpendicular to the faces under non-uniform scale; a translation
// does not touch them. Returned unit length (or zero when degenerate).
sc::Point3 worldNormal(const sc::Matrix4& m, const MFloatVector& n) {
    auto a = [&m](int i, int j) { return m[size_t(4 * (i % 3) + (j % 3))]; };
    double in[3] = {n.x, n.y, n.z}, out[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor (i, j) of the 3 x 3 part: cyclic indices give the sign.
            double cofactor = a(i + 1, j + 1) * a(i + 2, j + 2) - a(i + 1, j + 2) * a(i + 2, j + 1);
            out[j] += in[i] * cofactor;
        }
    double det = a(0, 0) * (a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1)) -
                 a(0, 1) * (a(1, 0) * a(2, 2) - a(1, 2) * a(2, 0)) +
                 a(0, 2) * (a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0));
    double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    if (length == 0.0 || det == 0.0)
        return {0, 0, 0};
    double scale = (det < 0 ? -1.0 : 1.0) / length;
    return {out[0] * scale, out[1] * scale, out[2] * scale};
}

// Normals given to the mesh may be one per vertex, per face-vertex or per face.
void collectNormals(const sc::MeshData& data, const sc::Matrix4& world, ImportedObject& o) {
    if (!data.normals || data.normals->empty())
        return;
    size_t n = data.normals->size();
    for (const MFloatVector& v : *data.normals)
        o.normals.push_back(worldNormal(world, v));
    for (size_t p = 0, fv = 0; p < data.counts->size(); ++p)
        for (int k = 0; k < (*data.counts)[p]; ++k, ++fv) {
            if (n == size_t(data.numFaceVertices()))
                o.normalIds.push_back(int(fv));
            else if (n == size_t(data.numVertices()))
                o.normalIds.push_back(o.faceConnects[fv]);
            else if (n == size_t(data.numPolygons()))
                o.normalIds.push_back(int(p));
        }
    if (o.normalIds.size() != o.faceConnects.size()) {  // no layout fits: leave normals out
        o.normals.clear();
        o.normalIds.clear();
    }
}

// OBJ can carry one colour per vertex; a colour set that gives some vertex
// two different colours (or leaves corners without one) does not fit and is left out.
void collectColors(const sc::MeshData& data, ImportedObject& o) {
    const sc::ColorSet* set = data.colorSet("");
    if (!set || set->faceVertexIds->size() != o.faceConnects.size())
        return;
    std::vector<int> colorOf(o.positions.size(), -1);
    for (size_t fv = 0; fv < o.faceConnects.size(); ++fv) {
        int id = (*set->faceVertexIds)[fv];
        int& seen = colorOf[size_t(o.faceConnects[fv])];
        if (id < 0 || size_t(id) >= set->colors->size() ||
            (seen >= 0 && seen != id &&
             !((*set->colors)[size_t(seen)] == (*set->colors)[size_t(id)])))
            return;
        seen = id;
    }
    for (int id : colorOf) {
        if (id < 0) {  // a vertex no face uses
            o.colors.push_back({1, 1, 1, 1});
            continue;
        }
        const MColor& c = (*set->colors)[size_t(id)];
        o.colors.push_back({c.r, c.g, c.b, c.a});
    }
}

struct MaterialTable {
    ImportedModel& model;
    std::vector<const sc::Node*> engines;  // parallel to model.materials

    int indexOf(sc::Node* engine) {
        if (!engine)
            engine = sc::findNode(kDefaultShadingGroup);
        auto it = std::find(engines.begin(), engines.end(), engine);
        if (it != engines.end())
            return int(it - engines.begin());
        engines.push_back(engine);
        model.materials.push_back(describe(*engine));
        return int(model.materials.size()) - 1;
    }

    static ImportedMaterial describe(sc::Node& engine) {
        ImportedMaterial m;
        const sc::Node* material = sc::materialOf(engine);
        bool isDefault = engine.name == kDefaultShadingGroup;
        m.name = isDefault || !material ? engine.name : material->name;
        if (material) {
            m.diffuse = material->color();
            m.texturePath = material->textureFile();
            m.textureImage = material->textureImage();
        }
        return m;
    }
};

void collectMaterials(sc::Node& mesh, MaterialTable& table, ImportedObject& o) {
    std::vector<sc::Node*> engines;
    std::vector<int> perFace;
    sc::connectedEngines(mesh, engines, perFace);
    for (int slot : perFace)
        o.faceMaterials.push_back(table.indexOf(slot >= 0 ? engines[size_t(slot)] : nullptr));
}

ImportedObject collectMesh(sc::Node& transform, sc::Node& mesh, MaterialTable& table) {
    const sc::MeshData& data = *mesh.mesh;
    sc::Matrix4 world = sc::worldMatrix(mesh);
    ImportedObject o;
    o.name = transform.name;
    for (const sc::Point3& p : *data.points)
        o.positions.push_back(sc::transformPoint(world, p));
    o.faceCounts = *data.counts;
    o.faceConnects = *data.connects;
    collectUvs(data, o);
    collectColors(data, o);
    collectNormals(data, world, o);
    collectMaterials(mesh, table, o);
    return o;
}

// A scene whose faces all sit in the default group needs no material library.
void dropDefaultOnlyMaterials(ImportedModel& model) {
    if (model.materials.size() != 1 || model.materials[0].name != kDefaultShadingGroup)
        return;
    model.materials.clear();
    for (ImportedObject& o : model.objects)
        o.faceMaterials.clear();
}

}  // namespace

bool collectScene(bool selectedOnly, ImportedModel& model, std::string& error) {
    model = ImportedModel{};
    std::set<const sc::Node*> chosen;
    if (selectedOnly)
        chosen = selectedTransforms();
    MaterialTable table{model, {}};
    for (sc::Node* node : sc::allNodes()) {
        if (node->kind != sc::NodeKind::Transform || (selectedOnly && !chosen.count(node)))
            continue;
        if (sc::Node* mesh = exportableMesh(*node))
            model.objects.push_back(collectMesh(*node, *mesh, table));
    }
    dropDefaultOnlyMaterials(model);
    if (model.objects.empty())
        error = selectedOnly ? "no mesh selected to export" : "no meshes to export";
    return !model.objects.empty();
}

}  // namespace host::io
