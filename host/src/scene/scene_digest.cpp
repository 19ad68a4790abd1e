#include "scene/scene_digest.h"

#include <cstdio>
#include <sstream>

#include "scene/scene.h"

namespace host::scene {

namespace {

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    return buffer;
}

template <typename Range, typename Format>
void list(std::ostringstream& out, const char* label, const Range& range, Format format) {
    out << "  " << label << " [";
    bool first = true;
    for (const auto& item : range) {
        out << (first ? "" : " ") << format(item);
        first = false;
    }
    out << "]\n";
}

void meshLines(std::ostringstream& out, const MeshData& m) {
    list(out, "points", *m.points,
         [](const Point3& p) { return number(p[0]) + "," + number(p[1]) + "," + number(p[2]); });
    list(out, "counts", *m.counts, [](int v) { return std::to_string(v); });
    list(out, "connects", *m.connects, [](int v) { return std::to_string(v); });
    for (size_t i = 0; i < m.uvSets.size(); ++i) {
        const UVSet& s = m.uvSets[i];
        out << "  uvSet " << s.name << (int(i) == m.currentUVSet ? " (current)" : "") << "\n";
        list(out, "  u", *s.u, [](float v) { return number(v); });
        list(out, "  v", *s.v, [](float v) { return number(v); });
        list(out, "  ids", *s.faceVertexIds, [](int v) { return std::to_string(v); });
    }
    for (size_t i = 0; i < m.colorSets.size(); ++i) {
        const ColorSet& s = m.colorSets[i];
        out << "  colorSet " << s.name << (int(i) == m.currentColorSet ? " (current)" : "")
            << " clamped " << s.clamped << " rep " << s.representation << "\n";
        list(out, "  colors", *s.colors, [](const MColor& c) {
            return number(c.r) + "," + number(c.g) + "," + number(c.b) + "," + number(c.a);
        });
        list(out, "  ids", *s.faceVertexIds, [](int v) { return std::to_string(v); });
    }
    if (m.normals)
        list(out, "normals", *m.normals, [](const MFloatVector& n) {
            return number(n.x) + "," + number(n.y) + "," + number(n.z);
        });
}

void nodeLines(std::ostringstream& out, const Node& n) {
    out << n.typeName() << " " << n.name << " parent " << (n.parent ? n.parent->name : "-") << "\n";
    if (!n.children.empty())
        list(out, "children", n.children, [](const NodePtr& c) { return c->name; });
    if (n.kind == NodeKind::Transform) {
        list(out, "translate", n.translate(), number);
        list(out, "rotate", n.rotate(), number);
        list(out, "scale", n.scale(), number);
    }
    if (n.kind == NodeKind::Transform || n.kind == NodeKind::Mesh)
        out << "  visibility " << n.visibility << "\n";
    if (n.kind == NodeKind::Mesh) {
        out << "  intermediate " << n.intermediate << "\n";
        meshLines(out, *n.mesh);
        for (const ShadingMember& m : n.shading) {
            NodePtr engine = m.engine.lock();
            out << "  shading " << (engine && engine->alive ? engine->name : "<gone>");
            list(out, "faces", m.faces, [](int f) { return std::to_string(f); });
        }
    }
    if (n.kind == NodeKind::ShadingEngine) {
        NodePtr m = n.surfaceShader().lock();
        out << "  surfaceShader " << (m && m->alive ? m->name : "-") << "\n";
    }
    if (n.kind == NodeKind::Material) {
        list(out, "color", n.color(), number);
        list(out, "transparency", n.transparency(), number);
        out << "  texture '" << n.textureFile() << "'\n";
    }
    for (const auto& [name, v] : n.dynamicAttrs) {
        out << "  attr " << name << " type " << int(v.type) << " " << number(v.number) << " '"
            << v.text << "'";
        list(out, "", v.array, number);
    }
    for (const auto& [attr, keys] : n.keys())
        list(out, ("keys " + attr).c_str(), keys,
             [](const Key& k) { return number(k.time) + ":" + number(k.value); });
}

}  // namespace

std::string sceneDigest() {
    std::ostringstream out;
    for (Node* node : allNodes())
        nodeLines(out, *node);
    out << "selection";
    for (const SelectionItem& item : selection())
        for (const std::string& s : selectionStrings(item))
            out << " " << s;
    out << "\ntime " << number(currentTime()) << " playback " << number(minTime()) << " "
        << number(maxTime()) << "\n";
    return out.str();
}

}  // namespace host::scene
