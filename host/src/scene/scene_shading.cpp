// Shading-engine membership of mesh faces, kept on the meshes.
#include "scene/scene_shading.h"

#include <algorithm>
#include <cassert>

namespace host::scene {

void assignToEngine(Node& engine, Node& mesh, std::vector<int> faces) {
    assert(engine.kind == NodeKind::ShadingEngine && mesh.kind == NodeKind::Mesh);
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    int polygons = mesh.mesh ? mesh.mesh->numPolygons() : 0;
    // Whole-mesh membership and face lists are normalised to explicit faces
    // whenever they have to be split between engines.
    std::vector<int> owner(size_t(polygons), -1);
    std::vector<std::weak_ptr<Node>> engines;
    for (const ShadingMember& m : mesh.shading) {
        NodePtr e = m.engine.lock();
        if (!e || !e->alive)
            continue;
        engines.push_back(e);
        if (m.faces.empty())
            std::fill(owner.begin(), owner.end(), int(engines.size() - 1));
        for (int f : m.faces)
            if (f >= 0 && f < polygons)
                owner[size_t(f)] = int(engines.size() - 1);
    }
    std::vector<ShadingMember> shading;
    if (faces.empty() || int(faces.size()) == polygons) {
        shading.push_back(ShadingMember{handle(engine), {}});
    } else {
        int self = -1;
        for (size_t i = 0; i < engines.size(); ++i)
            if (engines[i].lock().get() == &engine)
                self = int(i);
        if (self < 0) {
            engines.push_back(handle(engine));
            self = int(engines.size() - 1);
        }
        for (int f : faces)
            if (f >= 0 && f < polygons)
                owner[size_t(f)] = self;
        for (size_t i = 0; i < engines.size(); ++i) {
            ShadingMember member{engines[i], {}};
            for (int f = 0; f < polygons; ++f)
                if (owner[size_t(f)] == int(i))
                    member.faces.push_back(f);
            if (member.faces.empty())
                continue;
            if (member.faces.size() == size_t(polygons))
                member.faces.clear();
            shading.push_back(std::move(member));
        }
    }
    setShading(mesh, std::move(shading));
}

// Every change of a mesh's memberships, also by undo and redo, goes through here.
static void applyShading(Node& mesh, std::vector<ShadingMember> shading) {
    mesh.shading = std::move(shading);
    ++mesh.shadingVersion;
}

void setShading(Node& mesh, std::vector<ShadingMember> shading) {
    NodePtr ptr = handle(mesh);
    std::vector<ShadingMember> old = mesh.shading;
    applyShading(mesh, shading);
    if (journaling())
        record([ptr, old] { applyShading(*ptr, old); },
               [ptr, shading] { applyShading(*ptr, shading); });
}

Node* engineOfFace(const Node& mesh, int polygon) {
    Node* found = nullptr;
    for (const ShadingMember& m : mesh.shading) {
        NodePtr e = m.engine.lock();
        if (!e || !e->alive)
            continue;
        if (m.faces.empty() || std::binary_search(m.faces.begin(), m.faces.end(), polygon))
            found = e.get();
    }
    return found;
}

void connectedEngines(const Node& mesh, std::vector<Node*>& engines, std::vector<int>& perFace) {
    engines.clear();
    int polygons = mesh.mesh ? mesh.mesh->numPolygons() : 0;
    perFace.assign(size_t(polygons), -1);
    for (const ShadingMember& m : mesh.shading) {
        NodePtr e = m.engine.lock();
        if (!e || !e->alive)
            continue;
        engines.push_back(e.get());
        int index = int(engines.size() - 1);
        if (m.faces.empty())
            std::fill(perFace.begin(), perFace.end(), index);
        for (int f : m.faces)
            if (f >= 0 && f < polygons)
                perFace[size_t(f)] = index;
    }
}

Node* materialOf(const Node& engine) {
    NodePtr m = engine.surfaceShader().lock();
    return m && m->alive ? m.get() : nullptr;
}

std::vector<Node*> engineMembers(const Node& engine) {
    std::vector<Node*> out;
    for (Node* node : allNodes()) {
        if (node->kind != NodeKind::Mesh)
            continue;
        for (const ShadingMember& m : node->shading)
            if (m.engine.lock().get() == &engine) {
                out.push_back(node);
                break;
            }
    }
    return out;
}

}  // namespace host::scene
