// The scene graph: node records, unique names, journaled edits.
#include "scene/scene.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "core/session.h"

namespace host::scene {

namespace {

struct SceneState {
    NodePtr world;
    std::map<uint64_t, NodePtr> nodes;               // alive nodes by creation order
    std::unordered_map<std::string, Node*> byName;   // alive nodes by name
    std::unordered_map<std::string, long long> freeFrom;  // base -> all of base1..base(n-1) taken
    uint64_t nextSerial = 1;
    std::vector<SelectionItem> selection;
    double time = 0.0;
    double minTime = 1.0;
    double maxTime = 24.0;
    std::vector<UndoStep>* journal = nullptr;
};

SceneState& state() {
    static SceneState s;
    return s;
}

// Splits "pCube12" into ("pCube", 12); no trailing digits gives number -1.
std::pair<std::string, long long> splitTrailingNumber(std::string_view name) {
    size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
    if (end == name.size() || name.size() - end > 15) return {std::string(name), -1};
    return {std::string(name.substr(0, end)), std::stoll(std::string(name.substr(end)))};
}

void forgetName(const std::string& name) {
    SceneState& s = state();
    s.byName.erase(name);
    auto [base, number] = splitTrailingNumber(name);
    auto it = s.freeFrom.find(base);
    if (number >= 1 && it != s.freeFrom.end() && number < it->second) it->second = number;
}

void claimName(Node& node) {
    assert(!state().byName.count(node.name));
    state().byName[node.name] = &node;
}

void attachTree(const NodePtr& node) {
    node->alive = true;
    state().nodes[node->serial] = node;
    claimName(*node);
    for (NodePtr& child : node->children) attachTree(child);
}

void detachTree(Node& node) {
    for (NodePtr& child : node.children) detachTree(*child);
    SceneState& s = state();
    forgetName(node.name);
    s.nodes.erase(node.serial);
    node.alive = false;
}

NodePtr makeNode(NodeKind kind, MFn::Type apiType, std::string_view typeName, std::string_view name) {
    auto node = std::make_shared<Node>();
    node->self = node;
    node->kind = kind;
    node->apiType = apiType;
    node->typeName = std::string(typeName);
    node->serial = state().nextSerial++;
    std::string wanted = name.empty() || !isValidName(name) ? std::string(typeName) + "1" : std::string(name);
    node->name = uniqueName(wanted);
    return node;
}

// Inserts a fresh node into the scene (under parent for DAG nodes), journaled.
Node& insertNode(NodePtr node, Node* parent) {
    SceneState& s = state();
    Node& n = *node;
    if (parent) {
        n.parent = parent;
        parent->children.push_back(node);
    }
    n.alive = true;
    s.nodes[n.serial] = node;
    claimName(n);
    record([node] { deleteNode(*node); },
           [node, parent] {
               if (parent) {
                   node->parent = parent;
                   parent->children.push_back(node);
               }
               attachTree(node);
           });
    return n;
}

bool isUnder(const Node& node, const Node& root) {
    for (const Node* n = &node; n; n = n->parent)
        if (n == &root) return true;
    return false;
}

// Takes the shading memberships and selection entries that refer into the
// subtree out of the scene, journaled so that undo puts them back.
void dropReferences(Node& root) {
    std::vector<SelectionItem> kept;
    for (const SelectionItem& item : state().selection)
        if (!isUnder(*item.node, root)) kept.push_back(item);
    if (kept.size() != state().selection.size()) setSelection(std::move(kept));
    if (root.kind == NodeKind::ShadingEngine) {
        for (Node* mesh : engineMembers(root)) {
            std::vector<ShadingMember> shading;
            for (const ShadingMember& m : mesh->shading)
                if (m.engine.lock().get() != &root) shading.push_back(m);
            setShading(*mesh, std::move(shading));
        }
    }
}

}  // namespace

// ---- buffers ----

const FloatBuffer& emptyFloats() {
    static const FloatBuffer empty = std::make_shared<const std::vector<float>>();
    return empty;
}

const IntBuffer& emptyInts() {
    static const IntBuffer empty = std::make_shared<const std::vector<int>>();
    return empty;
}

const ColorBuffer& emptyColors() {
    static const ColorBuffer empty = std::make_shared<const std::vector<MColor>>();
    return empty;
}

const PointBuffer& emptyPoints() {
    static const PointBuffer empty = std::make_shared<const std::vector<Point3>>();
    return empty;
}

int MeshData::faceVertexOffset(int polygon) const {
    assert(polygon >= 0 && polygon <= numPolygons());
    if (offsetsFor_ != counts) {
        auto offsets = std::make_shared<std::vector<int>>(counts->size() + 1, 0);
        for (size_t i = 0; i < counts->size(); ++i) (*offsets)[i + 1] = (*offsets)[i] + (*counts)[i];
        offsets_ = offsets;
        offsetsFor_ = counts;
    }
    return (*offsets_)[size_t(polygon)];
}

const UVSet* MeshData::uvSet(std::string_view name) const {
    if (name.empty()) return currentUVSet >= 0 ? &uvSets[currentUVSet] : nullptr;
    for (const UVSet& set : uvSets)
        if (set.name == name) return &set;
    return nullptr;
}

const ColorSet* MeshData::colorSet(std::string_view name) const {
    if (name.empty()) return currentColorSet >= 0 ? &colorSets[currentColorSet] : nullptr;
    for (const ColorSet& set : colorSets)
        if (set.name == name) return &set;
    return nullptr;
}

// ---- journal ----

Journal::Journal(std::vector<UndoStep>* sink) : previous_(state().journal) { state().journal = sink; }
Journal::~Journal() { state().journal = previous_; }

void record(std::function<void()> undo, std::function<void()> redo) {
    if (state().journal) state().journal->push_back(UndoStep{std::move(undo), std::move(redo)});
}

bool journaling() { return state().journal != nullptr; }

// ---- whole scene ----

void reset() {
    SceneState& s = state();
    std::vector<UndoStep>* journal = s.journal;
    s = SceneState();
    s.world = std::make_shared<Node>();
    s.world->self = s.world;
    s.world->kind = NodeKind::World;
    s.world->apiType = MFn::kWorld;
    s.world->typeName = "world";
    s.world->serial = 0;
    s.world->alive = true;
    s.nodes[0] = s.world;
    Node& material = createMaterial("lambert", "lambert1");
    Node& engine = createShadingEngine("initialShadingGroup");
    engine.surfaceShader = handle(material);
    s.journal = journal;
}

Node& world() {
    if (!state().world) reset();
    return *state().world;
}

std::vector<Node*> allNodes() {
    world();
    std::vector<Node*> out;
    out.reserve(state().nodes.size());
    for (auto& [serial, node] : state().nodes) out.push_back(node.get());
    return out;
}

size_t nodeCount() { return state().nodes.size(); }

// ---- names ----

Node* findNode(std::string_view nameOrPath) {
    world();
    size_t bar = nameOrPath.rfind('|');
    std::string_view leaf = bar == std::string_view::npos ? nameOrPath : nameOrPath.substr(bar + 1);
    auto it = state().byName.find(std::string(leaf));
    if (it == state().byName.end()) return nullptr;
    if (bar == std::string_view::npos) return it->second;
    // A path must be the node's full path, or its tail after a '|'.
    std::string full = fullPathName(*it->second);
    if (nameOrPath.front() == '|') return full == nameOrPath ? it->second : nullptr;
    std::string tail = "|" + std::string(nameOrPath);
    bool ends = full.size() >= tail.size() && full.compare(full.size() - tail.size(), tail.size(), tail) == 0;
    return ends ? it->second : nullptr;
}

NodePtr handle(const Node& node) { return node.self.lock(); }

bool isValidName(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

std::string uniqueName(std::string_view wanted) {
    SceneState& s = state();
    if (!s.byName.count(std::string(wanted))) return std::string(wanted);
    auto [base, number] = splitTrailingNumber(wanted);
    // Every base + 1 .. base + (free - 1) is taken; moving free up is paid for
    // by the creations that took those names.
    long long& free = s.freeFrom.try_emplace(base, 1).first->second;
    while (s.byName.count(base + std::to_string(free))) ++free;
    long long n = std::max(number + 1, 1LL);
    if (n <= free) return base + std::to_string(free);
    while (s.byName.count(base + std::to_string(n))) ++n;
    return base + std::to_string(n);
}

std::string numberedVariant(std::string_view wanted, const std::function<bool(const std::string&)>& taken) {
    if (!taken(std::string(wanted))) return std::string(wanted);
    auto [base, number] = splitTrailingNumber(wanted);
    long long n = std::max(number + 1, 1LL);
    while (taken(base + std::to_string(n))) ++n;
    return base + std::to_string(n);
}

std::string rename(Node& node, std::string_view wanted) {
    assert(isValidName(wanted));
    if (node.name == wanted) return node.name;
    std::string oldName = node.name;
    forgetName(oldName);
    node.name = uniqueName(wanted);
    claimName(node);
    NodePtr ptr = handle(node);
    std::string newName = node.name;
    record([ptr, oldName] { forgetName(ptr->name); ptr->name = oldName; claimName(*ptr); },
           [ptr, newName] { forgetName(ptr->name); ptr->name = newName; claimName(*ptr); });
    return node.name;
}

std::string fullPathName(const Node& node) {
    if (node.kind == NodeKind::World) return std::string();
    if (!node.parent) return node.name;
    std::string path;
    for (const Node* n = &node; n && n->kind != NodeKind::World; n = n->parent) path = "|" + n->name + path;
    return path;
}

// ---- creating and deleting ----

Node& createTransform(std::string_view name, Node* parent) {
    NodePtr node = makeNode(NodeKind::Transform, MFn::kTransform, "transform", name);
    return insertNode(node, parent ? parent : &world());
}

Node& createMesh(std::string_view name, Node& transform, MeshDataPtr data) {
    NodePtr node = makeNode(NodeKind::Mesh, MFn::kMesh, "mesh", name);
    node->mesh = data ? std::move(data) : std::make_shared<const MeshData>();
    return insertNode(node, &transform);
}

Node& createShadingEngine(std::string_view name) {
    return insertNode(makeNode(NodeKind::ShadingEngine, MFn::kShadingEngine, "shadingEngine", name), nullptr);
}

Node& createMaterial(std::string_view typeName, std::string_view name) {
    MFn::Type type = typeName == "phong" ? MFn::kPhong : typeName == "blinn" ? MFn::kBlinn : MFn::kLambert;
    return insertNode(makeNode(NodeKind::Material, type, typeName, name), nullptr);
}

Node& createNode(std::string_view typeName, std::string_view name, Node* parent) {
    assert(isKnownNodeType(typeName));
    if (typeName == "transform") return createTransform(name, parent);
    if (typeName == "mesh") {
        Node& owner = parent ? *parent : createTransform("", nullptr);
        return createMesh(name, owner, nullptr);
    }
    if (typeName == "shadingEngine") return createShadingEngine(name);
    if (typeName == "lambert" || typeName == "phong" || typeName == "blinn") return createMaterial(typeName, name);
    MFn::Type type = typeName == "file" ? MFn::kFileTexture
                   : typeName == "surfaceShader" ? MFn::kSurfaceShader
                   : typeName == "objectSet" ? MFn::kSet : MFn::kDependencyNode;
    return insertNode(makeNode(NodeKind::Other, type, typeName, name), nullptr);
}

bool isKnownNodeType(std::string_view typeName) {
    static const char* const known[] = {"transform", "mesh", "shadingEngine", "lambert", "phong",
                                        "blinn", "file", "surfaceShader", "objectSet", "place2dTexture"};
    return std::find(std::begin(known), std::end(known), typeName) != std::end(known);
}

bool isDefaultNode(const Node& node) {
    return node.kind == NodeKind::World || node.name == "initialShadingGroup" || node.name == "lambert1";
}

bool deleteNode(Node& node) {
    if (!node.alive || isDefaultNode(node)) return false;
    NodePtr ptr = handle(node);
    dropReferences(node);
    Node* parent = node.parent;
    size_t index = 0;
    if (parent) {
        // Searched from the end: undoing a run of creations deletes the newest first.
        auto& siblings = parent->children;
        auto it = std::find(siblings.rbegin(), siblings.rend(), ptr);
        assert(it != siblings.rend());
        index = size_t(siblings.rend() - it) - 1;
        siblings.erase(siblings.begin() + long(index));
    }
    detachTree(node);
    record([ptr, parent, index] {
               if (parent) parent->children.insert(parent->children.begin() + long(index), ptr);
               ptr->parent = parent;
               attachTree(ptr);
           },
           [ptr] { deleteNode(*ptr); });
    return true;
}

// ---- editing ----

template <typename T, typename Field>
static void journaledSet(Node& node, Field field, T value) {
    NodePtr ptr = handle(node);
    T old = node.*field;
    node.*field = value;
    record([ptr, field, old] { (*ptr).*field = old; }, [ptr, field, value] { (*ptr).*field = value; });
}

void setMeshData(Node& mesh, MeshDataPtr data) {
    assert(mesh.kind == NodeKind::Mesh);
    journaledSet<MeshDataPtr>(mesh, &Node::mesh, std::move(data));
}

void setIntermediate(Node& mesh, bool intermediate) { journaledSet<bool>(mesh, &Node::intermediate, intermediate); }

void setTransform(Node& transform, const std::array<double, 3>& translate, const std::array<double, 3>& rotate,
                  const std::array<double, 3>& scale) {
    journaledSet<std::array<double, 3>>(transform, &Node::translate, translate);
    journaledSet<std::array<double, 3>>(transform, &Node::rotate, rotate);
    journaledSet<std::array<double, 3>>(transform, &Node::scale, scale);
}

void setVisibility(Node& node, bool visible) { journaledSet<bool>(node, &Node::visibility, visible); }

void setSurfaceShader(Node& engine, Node* material) {
    std::weak_ptr<Node> feed = material ? handle(*material) : nullptr;
    journaledSet<std::weak_ptr<Node>>(engine, &Node::surfaceShader, feed);
}

void setMaterial(Node& material, const std::array<float, 3>& color, const std::array<float, 3>& transparency,
                 const std::string& textureFile) {
    journaledSet<std::array<float, 3>>(material, &Node::color, color);
    journaledSet<std::array<float, 3>>(material, &Node::transparency, transparency);
    journaledSet<std::string>(material, &Node::textureFile, textureFile);
}

void setDynamicAttr(Node& node, const std::string& name, std::optional<AttrValue> value) {
    NodePtr ptr = handle(node);
    std::optional<AttrValue> old;
    if (auto it = node.dynamicAttrs.find(name); it != node.dynamicAttrs.end()) old = it->second;
    auto apply = [ptr, name](const std::optional<AttrValue>& v) {
        if (v) ptr->dynamicAttrs[name] = *v;
        else ptr->dynamicAttrs.erase(name);
    };
    apply(value);
    if (journaling()) record([apply, old] { apply(old); }, [apply, value] { apply(value); });
}

void setKeys(Node& node, const std::string& attr, std::vector<Key> keys) {
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
    NodePtr ptr = handle(node);
    std::vector<Key> old;
    if (auto it = node.keys.find(attr); it != node.keys.end()) old = it->second;
    auto apply = [ptr, attr](const std::vector<Key>& k) {
        if (k.empty()) ptr->keys.erase(attr);
        else ptr->keys[attr] = k;
    };
    apply(keys);
    if (journaling()) record([apply, old] { apply(old); }, [apply, keys] { apply(keys); });
}

// ---- selection and time ----

const std::vector<SelectionItem>& selection() { return state().selection; }

void setSelection(std::vector<SelectionItem> items) {
    std::vector<SelectionItem> old = state().selection;
    state().selection = items;
    if (journaling())
        record([old] { state().selection = old; }, [items] { state().selection = items; });
}

double currentTime() { return state().time; }
double minTime() { return state().minTime; }
double maxTime() { return state().maxTime; }

void setCurrentTime(double time) {
    double old = state().time;
    state().time = time;
    record([old] { state().time = old; }, [time] { state().time = time; });
}

void setPlaybackRange(double minT, double maxT) {
    double oldMin = state().minTime, oldMax = state().maxTime;
    state().minTime = minT;
    state().maxTime = maxT;
    record([oldMin, oldMax] { state().minTime = oldMin; state().maxTime = oldMax; },
           [minT, maxT] { state().minTime = minT; state().maxTime = maxT; });
}


// ---- shading ----

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
        if (!e || !e->alive) continue;
        engines.push_back(e);
        if (m.faces.empty()) std::fill(owner.begin(), owner.end(), int(engines.size() - 1));
        for (int f : m.faces)
            if (f >= 0 && f < polygons) owner[size_t(f)] = int(engines.size() - 1);
    }
    std::vector<ShadingMember> shading;
    if (faces.empty() || int(faces.size()) == polygons) {
        shading.push_back(ShadingMember{handle(engine), {}});
    } else {
        int self = -1;
        for (size_t i = 0; i < engines.size(); ++i)
            if (engines[i].lock().get() == &engine) self = int(i);
        if (self < 0) {
            engines.push_back(handle(engine));
            self = int(engines.size() - 1);
        }
        for (int f : faces)
            if (f >= 0 && f < polygons) owner[size_t(f)] = self;
        for (size_t i = 0; i < engines.size(); ++i) {
            ShadingMember member{engines[i], {}};
            for (int f = 0; f < polygons; ++f)
                if (owner[size_t(f)] == int(i)) member.faces.push_back(f);
            if (member.faces.empty()) continue;
            if (member.faces.size() == size_t(polygons)) member.faces.clear();
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
        record([ptr, old] { applyShading(*ptr, old); }, [ptr, shading] { applyShading(*ptr, shading); });
}

Node* engineOfFace(const Node& mesh, int polygon) {
    Node* found = nullptr;
    for (const ShadingMember& m : mesh.shading) {
        NodePtr e = m.engine.lock();
        if (!e || !e->alive) continue;
        if (m.faces.empty() || std::binary_search(m.faces.begin(), m.faces.end(), polygon)) found = e.get();
    }
    return found;
}

void connectedEngines(const Node& mesh, std::vector<Node*>& engines, std::vector<int>& perFace) {
    engines.clear();
    int polygons = mesh.mesh ? mesh.mesh->numPolygons() : 0;
    perFace.assign(size_t(polygons), -1);
    for (const ShadingMember& m : mesh.shading) {
        NodePtr e = m.engine.lock();
        if (!e || !e->alive) continue;
        engines.push_back(e.get());
        int index = int(engines.size() - 1);
        if (m.faces.empty()) std::fill(perFace.begin(), perFace.end(), index);
        for (int f : m.faces)
            if (f >= 0 && f < polygons) perFace[size_t(f)] = index;
    }
}

Node* materialOf(const Node& engine) {
    NodePtr m = engine.surfaceShader.lock();
    return m && m->alive ? m.get() : nullptr;
}

std::vector<Node*> engineMembers(const Node& engine) {
    std::vector<Node*> out;
    for (auto& [serial, node] : state().nodes) {
        if (node->kind != NodeKind::Mesh) continue;
        for (const ShadingMember& m : node->shading)
            if (m.engine.lock().get() == &engine) {
                out.push_back(node.get());
                break;
            }
    }
    return out;
}

// ---- geometry ----

static Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[size_t(i * 4 + k)] * b[size_t(k * 4 + j)];
            r[size_t(i * 4 + j)] = sum;
        }
    return r;
}

static Matrix4 identity() {
    return Matrix4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Maya's default rotate order XYZ with row vectors: p * Rx * Ry * Rz.
Matrix4 localMatrix(const Node& transform) {
    if (transform.kind != NodeKind::Transform) return identity();
    const double toRadians = 3.14159265358979323846 / 180.0;
    double cx = std::cos(transform.rotate[0] * toRadians), sx = std::sin(transform.rotate[0] * toRadians);
    double cy = std::cos(transform.rotate[1] * toRadians), sy = std::sin(transform.rotate[1] * toRadians);
    double cz = std::cos(transform.rotate[2] * toRadians), sz = std::sin(transform.rotate[2] * toRadians);
    Matrix4 s = identity();
    s[0] = transform.scale[0];
    s[5] = transform.scale[1];
    s[10] = transform.scale[2];
    Matrix4 rx{1, 0, 0, 0, 0, cx, sx, 0, 0, -sx, cx, 0, 0, 0, 0, 1};
    Matrix4 ry{cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1};
    Matrix4 rz{cz, sz, 0, 0, -sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Matrix4 m = multiply(multiply(multiply(s, rx), ry), rz);
    m[12] = transform.translate[0];
    m[13] = transform.translate[1];
    m[14] = transform.translate[2];
    return m;
}

Matrix4 worldMatrix(const Node& node) {
    Matrix4 m = identity();
    for (const Node* n = &node; n; n = n->parent) m = multiply(m, localMatrix(*n));
    return m;
}

Point3 transformPoint(const Matrix4& m, const Point3& p) {
    Point3 r;
    double w = p[0] * m[3] + p[1] * m[7] + p[2] * m[11] + m[15];
    for (size_t j = 0; j < 3; ++j) r[j] = (p[0] * m[j] + p[1] * m[4 + j] + p[2] * m[8 + j] + m[12 + j]) / (w != 0 ? w : 1);
    return r;
}

Node* meshOf(Node& node) {
    if (node.kind == NodeKind::Mesh) return &node;
    for (NodePtr& child : node.children)
        if (child->kind == NodeKind::Mesh && !child->intermediate) return child.get();
    for (NodePtr& child : node.children)
        if (child->kind == NodeKind::Mesh) return child.get();
    return nullptr;
}

Node* transformOf(Node& node) {
    return node.kind == NodeKind::Mesh && node.parent ? node.parent : &node;
}

// ---- selection strings ----

std::vector<std::string> selectionStrings(const SelectionItem& item) {
    if (!item.component) return {item.node->name};
    std::vector<std::string> out;
    const std::vector<int>& f = item.faces;
    for (size_t i = 0; i < f.size();) {
        size_t j = i;
        while (j + 1 < f.size() && f[j + 1] == f[j] + 1) ++j;
        std::string range = i == j ? std::to_string(f[i]) : std::to_string(f[i]) + ":" + std::to_string(f[j]);
        out.push_back(item.node->name + ".f[" + range + "]");
        i = j + 1;
    }
    return out;
}

// ---- attributes by name ----

namespace {

struct BuiltIn {
    const char* longName;
    const char* shortName;
    int component;  // -1: all three
    std::array<double, 3> Node::*vector;
};

const BuiltIn kTransformAttrs[] = {
    {"translate", "t", -1, &Node::translate}, {"translateX", "tx", 0, &Node::translate},
    {"translateY", "ty", 1, &Node::translate}, {"translateZ", "tz", 2, &Node::translate},
    {"rotate", "r", -1, &Node::rotate},        {"rotateX", "rx", 0, &Node::rotate},
    {"rotateY", "ry", 1, &Node::rotate},       {"rotateZ", "rz", 2, &Node::rotate},
    {"scale", "s", -1, &Node::scale},          {"scaleX", "sx", 0, &Node::scale},
    {"scaleY", "sy", 1, &Node::scale},         {"scaleZ", "sz", 2, &Node::scale},
};

const BuiltIn* transformAttr(const Node& node, std::string_view attr) {
    if (node.kind != NodeKind::Transform) return nullptr;
    for (const BuiltIn& b : kTransformAttrs)
        if (attr == b.longName || attr == b.shortName) return &b;
    return nullptr;
}

bool isVisibility(const Node& node, std::string_view attr) {
    return (node.kind == NodeKind::Transform || node.kind == NodeKind::Mesh) && (attr == "visibility" || attr == "v");
}

bool isIntermediateAttr(const Node& node, std::string_view attr) {
    return node.kind == NodeKind::Mesh && (attr == "intermediateObject" || attr == "io");
}

// Stepped evaluation: the value of the last key at or before time, else the first key's.
double keyedValue(const std::vector<Key>& keys, double time) {
    double value = keys.front().value;
    for (const Key& k : keys) {
        if (k.time > time) break;
        value = k.value;
    }
    return value;
}

AttrValue number(double v) {
    AttrValue a;
    a.number = v;
    return a;
}

}  // namespace

std::string longAttrName(const Node& node, std::string_view attr) {
    if (const BuiltIn* b = transformAttr(node, attr)) return b->longName;
    if (isVisibility(node, attr)) return "visibility";
    if (isIntermediateAttr(node, attr)) return "intermediateObject";
    return std::string(attr);
}

bool hasAttr(const Node& node, std::string_view attr) {
    return transformAttr(node, attr) || isVisibility(node, attr) || isIntermediateAttr(node, attr) ||
           node.dynamicAttrs.count(std::string(attr));
}

std::optional<AttrValue> getAttr(const Node& node, std::string_view attr, double time, bool evaluateKeys) {
    if (!hasAttr(node, attr)) return std::nullopt;
    auto keyed = node.keys.find(longAttrName(node, attr));
    if (evaluateKeys && keyed != node.keys.end() && !keyed->second.empty()) {
        AttrValue v = number(keyedValue(keyed->second, time));
        if (isVisibility(node, attr)) {
            v.type = AttrValue::Bool;
            v.number = v.number != 0.0 ? 1.0 : 0.0;
        }
        return v;
    }
    if (const BuiltIn* b = transformAttr(node, attr)) {
        const std::array<double, 3>& vec = node.*(b->vector);
        if (b->component >= 0) return number(vec[size_t(b->component)]);
        AttrValue v;
        v.type = AttrValue::DoubleArray;
        v.array.assign(vec.begin(), vec.end());
        return v;
    }
    if (isVisibility(node, attr) || isIntermediateAttr(node, attr)) {
        AttrValue v = number(isVisibility(node, attr) ? node.visibility : node.intermediate);
        v.type = AttrValue::Bool;
        return v;
    }
    return node.dynamicAttrs.at(std::string(attr));
}

bool setAttr(Node& node, std::string_view attr, const AttrValue& value) {
    bool scalar = value.type == AttrValue::Double || value.type == AttrValue::Bool;
    if (const BuiltIn* b = transformAttr(node, attr)) {
        std::array<double, 3> vec = node.*(b->vector);
        if (b->component >= 0 && scalar) vec[size_t(b->component)] = value.number;
        else if (b->component < 0 && value.type == AttrValue::DoubleArray && value.array.size() == 3)
            std::copy(value.array.begin(), value.array.end(), vec.begin());
        else return false;
        journaledSet<std::array<double, 3>>(node, b->vector, vec);
        return true;
    }
    if (isVisibility(node, attr) || isIntermediateAttr(node, attr)) {
        if (!scalar) return false;
        if (isVisibility(node, attr)) setVisibility(node, value.number != 0.0);
        else setIntermediate(node, value.number != 0.0);
        return true;
    }
    auto it = node.dynamicAttrs.find(std::string(attr));
    if (it == node.dynamicAttrs.end()) return false;
    AttrValue stored = value;
    bool numbers = (it->second.type == AttrValue::Double || it->second.type == AttrValue::Bool) && scalar;
    if (numbers) stored.type = it->second.type;
    if (stored.type == AttrValue::Bool) stored.number = stored.number != 0.0 ? 1.0 : 0.0;
    if (stored.type != it->second.type) return false;
    setDynamicAttr(node, std::string(attr), stored);
    return true;
}
}  // namespace host::scene

namespace host {
void resetScene() { scene::reset(); }
}  // namespace host
