#include "scene_reader.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "scene/scene.h"

namespace sheet {

namespace sc = host::scene;

namespace {

constexpr double kMillimetresPerUnit = 10.0;  // the scene works in centimetres
// "kivanoEdges": three edge ids, three fold angles, then net and position.
constexpr int kEdgeValues = 8;
constexpr int kNetValue = 6;
constexpr double kSamePoint = 1e-9;  // relative; a tab repeats its edge's corners

bool wholeNumber(double value, unsigned& number) {
    if (!std::isfinite(value) || value < 0.0 || value > 4294967295.0 || value != std::floor(value))
        return false;
    number = unsigned(value);
    return true;
}

// Reads an unsigned decimal number at `at`; advances past it.
bool readNumber(const std::string& text, size_t& at, unsigned& value) {
    size_t start = at;
    unsigned long long n = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 9)
        n = n * 10 + unsigned(text[at++] - '0');
    value = unsigned(n);
    return at > start && (at == text.size() || text[at] < '0' || text[at] > '9');
}

bool expect(const std::string& text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

struct NetBuilder {
    std::map<unsigned, Face> faces;              // by position
    std::vector<std::pair<unsigned, Lug>> lugs;  // position of the face, tab
};

// The triangle object read last: its tabs follow it in creation order.
struct LastTriangle {
    bool valid = false;
    unsigned net = 0;
    unsigned position = 0;
    Vec2 p[3];
    int nextEdge = 0;  // tabs come in edge order
};

struct Reader {
    Sheet& sheet;
    SceneCounts& counts;
    std::vector<std::string>& warnings;
    std::map<unsigned, NetBuilder> nets;
    std::map<const sc::Node*, int> materialOfEngine;
    LastTriangle last;
};

std::vector<Vec2> worldPoints(const sc::Node& shape) {
    sc::Matrix4 world = sc::worldMatrix(shape);
    std::vector<Vec2> points;
    for (const sc::Point3& p : *shape.mesh->points) {
        sc::Point3 q = sc::transformPoint(world, p);
        points.push_back({q[0] * kMillimetresPerUnit, q[1] * kMillimetresPerUnit});
    }
    return points;
}

int materialIndex(Reader& reader, const sc::Node& shape) {
    const sc::Node* engine = sc::engineOfFace(shape, 0);
    if (!engine)
        return -1;
    auto found = reader.materialOfEngine.find(engine);
    if (found != reader.materialOfEngine.end())
        return found->second;
    Material material;
    material.name = engine->name;
    if (const sc::Node* shader = sc::materialOf(*engine)) {
        material.colour = {shader->color()[0], shader->color()[1], shader->color()[2]};
        material.texture = shader->textureFile();
    }
    reader.sheet.materials.push_back(material);
    int index = int(reader.sheet.materials.size()) - 1;
    reader.materialOfEngine[engine] = index;
    return index;
}

void readUvs(const sc::MeshData& mesh, Face& face) {
    const sc::UVSet* set = mesh.uvSet("");
    if (!set || set->faceVertexIds->size() < 3)
        return;
    for (int k = 0; k < 3; ++k) {
        int id = (*set->faceVertexIds)[k];
        if (id < 0 || size_t(id) >= set->u->size() || size_t(id) >= set->v->size())
            return;
        face.uv[k] = {(*set->u)[id], (*set->v)[id]};
    }
    face.hasUv = true;
}

void readEdges(Reader& reader, const sc::Node& transform, Face& face) {
    auto value = sc::getAttr(transform, "kivanoEdges", sc::currentTime());
    if (!value || value->type != sc::AttrValue::DoubleArray ||
        value->array.size() != size_t(kEdgeValues)) {
        reader.warnings.push_back(transform.name +
                                  " carries no edge data (kivanoEdges): its edges print as cuts");
        return;
    }
    for (int k = 0; k < 3; ++k) {
        double id = value->array[k];
        face.edgeId[k] = (std::isfinite(id) && id >= 0.0 && id < 2e9) ? int(id) : kNoEdgeId;
        double fold = value->array[3 + k];
        face.fold[k] = std::isfinite(fold) ? fold : 0.0;
    }
}

const sc::Node* meshWith(const sc::Node& transform, int vertices,
                         std::vector<std::string>& warnings) {
    sc::Node* shape = sc::meshOf(const_cast<sc::Node&>(transform));
    if (!shape || !shape->mesh || shape->mesh->numVertices() != vertices ||
        shape->mesh->numPolygons() != 1) {
        warnings.push_back(transform.name + " is not a mesh of " + std::to_string(vertices) +
                           " vertices and one face: left out");
        return nullptr;
    }
    return shape;
}

void readTriangle(Reader& reader, const sc::Node& transform, unsigned net, unsigned position) {
    reader.last.valid = false;
    const sc::Node* shape = meshWith(transform, 3, reader.warnings);
    if (!shape)
        return;
    Face face;
    face.position = position;
    std::vector<Vec2> points = worldPoints(*shape);
    for (int k = 0; k < 3; ++k)
        face.p[k] = points[k];
    readUvs(*shape->mesh, face);
    face.material = materialIndex(reader, *shape);
    readEdges(reader, transform, face);
    reader.nets[net].faces[position] = face;
    ++reader.counts.triangleObjects;
    reader.last = {true, net, position, {face.p[0], face.p[1], face.p[2]}, 0};
}

void addLug(Reader& reader, const std::vector<Vec2>& points, unsigned net, unsigned position,
            int edge) {
    Lug lug;
    lug.edge = edge;
    for (int i = 0; i < 4; ++i)
        lug.p[i] = points[i];
    reader.nets[net].lugs.push_back({position, lug});
    ++reader.counts.lugObjects;
}

void readLug(Reader& reader, const sc::Node& transform, unsigned net, unsigned position, int edge) {
    const sc::Node* shape = meshWith(transform, 4, reader.warnings);
    if (!shape)
        return;
    addLug(reader, worldPoints(*shape), net, position, edge);
}

bool samePoint(const Vec2& a, const Vec2& b) {
    double scale = std::max({1.0, std::fabs(a.x), std::fabs(a.y)});
    return std::fabs(a.x - b.x) <= kSamePoint * scale && std::fabs(a.y - b.y) <= kSamePoint * scale;
}

// The edge of the last triangle that a tab starting along it belongs to, -1
// for none. A tab runs from corner k + 1 to corner k.
int edgeAlong(const LastTriangle& last, const std::vector<Vec2>& points) {
    for (int k = last.nextEdge; k < 3; ++k)
        if (samePoint(points[0], last.p[(k + 1) % 3]) && samePoint(points[1], last.p[k]))
            return k;
    return -1;
}

// An object whose name says nothing (a number past what names hold) is a tab
// when it comes right after a triangle's object and lies along one of its
// edges; anything else ends that triangle's run of tabs.
void readUnnamedLug(Reader& reader, const sc::Node& transform) {
    if (!reader.last.valid)
        return;
    const sc::Node* shape = sc::meshOf(const_cast<sc::Node&>(transform));
    int edge = -1;
    std::vector<Vec2> points;
    if (shape && shape->mesh && shape->mesh->numVertices() == 4 &&
        shape->mesh->numPolygons() == 1) {
        points = worldPoints(*shape);
        edge = edgeAlong(reader.last, points);
    }
    if (edge < 0) {
        reader.last.valid = false;
        return;
    }
    addLug(reader, points, reader.last.net, reader.last.position, edge);
    reader.last.nextEdge = edge + 1;
}

// A triangle's net and position: from the tail of its "kivanoEdges"
// attribute, which holds them at any size, else from its name.
bool trianglePlace(Reader& reader, const sc::Node& transform, unsigned& net, unsigned& position) {
    auto value = sc::getAttr(transform, "kivanoEdges", sc::currentTime());
    if (!value)
        return parseTriangleName(transform.name, net, position);
    if (value->type == sc::AttrValue::DoubleArray && value->array.size() == size_t(kEdgeValues) &&
        wholeNumber(value->array[kNetValue], net) &&
        wholeNumber(value->array[kNetValue + 1], position))
        return true;
    reader.warnings.push_back(
        transform.name + " carries an unusable net number (kivanoEdges)" +
        (parseTriangleName(transform.name, net, position) ? ": placed by its name" : ": left out"));
    return parseTriangleName(transform.name, net, position);
}

// Faces in position order; tabs tied to their face's index. Each net's
// builder is emptied as its net is made, so that the sheet is not held twice.
void finishNets(Reader& reader) {
    reader.sheet.nets.reserve(reader.nets.size());
    for (auto& [number, builder] : reader.nets) {
        Net net;
        net.container = number;
        net.faces.reserve(builder.faces.size());
        net.lugs.reserve(builder.lugs.size());
        std::map<unsigned, unsigned> indexOf;
        for (auto& [position, face] : builder.faces) {
            indexOf[position] = unsigned(net.faces.size());
            net.faces.push_back(face);
        }
        builder.faces.clear();
        for (auto& [position, lug] : builder.lugs) {
            auto found = indexOf.find(position);
            if (found == indexOf.end()) {
                reader.warnings.push_back(
                    "lug" + std::to_string(number) + "_" + std::to_string(position) + "_" +
                    std::to_string(lug.edge) + " has no triangle dft" + std::to_string(number) +
                    "_" + std::to_string(position) + ": left out");
                continue;
            }
            lug.face = found->second;
            net.lugs.push_back(lug);
        }
        builder.lugs = {};
        if (!net.faces.empty())
            reader.sheet.nets.push_back(std::move(net));
    }
}

}  // namespace

bool parseTriangleName(const std::string& name, unsigned& net, unsigned& position) {
    size_t at = 3;
    return name.rfind("dft", 0) == 0 && readNumber(name, at, net) && expect(name, at, '_') &&
           readNumber(name, at, position) && at == name.size();
}

bool parseLugName(const std::string& name, unsigned& net, unsigned& position, int& edge) {
    size_t at = 3;
    unsigned k = 0;
    bool ok = name.rfind("lug", 0) == 0 && readNumber(name, at, net) && expect(name, at, '_') &&
              readNumber(name, at, position) && expect(name, at, '_') && readNumber(name, at, k) &&
              at == name.size() && k <= 2;
    edge = int(k);
    return ok;
}

bool readSheetFromScene(Sheet& sheet, SceneCounts& counts, std::vector<std::string>& warnings,
                        std::string& error) {
    sheet = Sheet{};
    counts = SceneCounts{};
    Reader reader{sheet, counts, warnings, {}, {}, {}};
    for (const sc::Node* node : sc::allNodes()) {
        if (node->kind != sc::NodeKind::Transform)
            continue;
        unsigned net = 0, position = 0;
        int edge = 0;
        if (trianglePlace(reader, *node, net, position))
            readTriangle(reader, *node, net, position);
        else if (parseLugName(node->name, net, position, edge))
            readLug(reader, *node, net, position, edge);
        else
            readUnnamedLug(reader, *node);
    }
    finishNets(reader);
    if (sheet.nets.empty()) {
        error = "the scene holds no sheet (no dft objects)";
        return false;
    }
    return true;
}

}  // namespace sheet
