// The scene graph: node records, unique names, journaled edits.
#include "scene/scene.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include "core/session.h"
#include "scene/name_index.h"

namespace host::scene {

namespace {

// Lets the tables keyed by name bases be searched with a view of a name.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

struct SceneState {
    NodePtr world;
    // Alive nodes in creation order, as a plain list: a detached node's entry
    // stays behind until enough pile up or the order is read, and an older
    // node attached again is sorted in then, so that undoing and redoing a
    // run of creations stays linear.
    std::vector<NodePtr> order;
    size_t aliveCount = 0;
    size_t staleEntries = 0;  // entries of detached nodes still in `order`
    bool sorted = true;       // `order` ascends by serial without repeats
    // Alive nodes by name (a name changes only between forgetName and claimName).
    NameIndex byName;
    std::unordered_map<std::string, long long, TextHash, std::equal_to<>>
        freeFrom;  // base -> all of base1..base(n-1) taken
    // base -> {n -> m}: all of base n .. base(m-1) taken, for each start n that
    // names asking for base(n-1) began their walk at
    std::unordered_map<std::string, std::map<long long, long long>, TextHash, std::equal_to<>>
        freeAbove;
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

// Drops the entries of detached nodes and puts re-attached ones in place.
void compactOrder() {
    SceneState& s = state();
    auto dead = [](const NodePtr& node) { return !node->alive; };
    s.order.erase(std::remove_if(s.order.begin(), s.order.end(), dead), s.order.end());
    if (!s.sorted) {
        auto bySerial = [](const NodePtr& a, const NodePtr& b) { return a->serial < b->serial; };
        std::sort(s.order.begin(), s.order.end(), bySerial);
        s.order.erase(std::unique(s.order.begin(), s.order.end()), s.order.end());
    }
    s.sorted = true;
    s.staleEntries = 0;
}

void enterOrder(const NodePtr& node) {
    SceneState& s = state();
    // An entry at or past this serial may be this very node's stale one.
    if (!s.order.empty() && s.order.back()->serial >= node->serial)
        s.sorted = false;
    s.order.push_back(node);
    ++s.aliveCount;
}

void leaveOrder() {
    SceneState& s = state();
    --s.aliveCount;
    if (++s.staleEntries > s.aliveCount + 1024)
        compactOrder();
}

// Splits "pCube12" into ("pCube", 12); no trailing digits gives number -1.
// The base views `name`.
std::pair<std::string_view, long long> splitTrailingNumber(std::string_view name) {
    size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9')
        --end;
    if (end == name.size() || name.size() - end > 15)
        return {name, -1};
    long long number = 0;
    std::from_chars(name.data() + end, name.data() + name.size(), number);
    return {name.substr(0, end), number};
}

// base + n as a name.
std::string numbered(std::string_view base, long long n) {
    return std::string(base) + std::to_string(n);
}

void forgetName(const std::string& name) {
    SceneState& s = state();
    s.byName.erase(name);
    auto [base, number] = splitTrailingNumber(name);
    auto it = s.freeFrom.find(base);
    if (number >= 1 && it != s.freeFrom.end() && number < it->second)
        it->second = number;
    auto above = s.freeAbove.find(base);
    if (above == s.freeAbove.end())
        return;
    for (auto& [from, to] : above->second)
        if (number >= from && number < to)
            to = number;
}

void claimName(Node& node) {
    bool fresh = state().byName.insert(node);
    assert(fresh);
    (void)fresh;
}

void attachTree(const NodePtr& node) {
    node->alive = true;
    enterOrder(node);
    claimName(*node);
    for (NodePtr& child : node->children)
        attachTree(child);
}

void detachTree(Node& node) {
    for (NodePtr& child : node.children)
        detachTree(*child);
    forgetName(node.name);
    node.alive = false;
    leaveOrder();
}

// The one stored copy of a type name, so that a node keeps a view instead of
// a string of its own. The set only ever holds the few types the host knows.
const char* internedTypeName(std::string_view typeName) {
    static std::set<std::string, std::less<>> names;
    auto it = names.find(typeName);
    if (it == names.end())
        it = names.emplace(typeName).first;
    return it->c_str();
}

NodePtr makeNode(NodeKind kind, MFn::Type apiType, std::string_view typeName,
                 std::string_view name) {
    auto node = std::make_shared<Node>();
    node->self = node;
    node->kind = kind;
    node->apiType = apiType;
    node->typeLiteral = internedTypeName(typeName);
    node->serial = state().nextSerial++;
    std::string wanted =
        name.empty() || !isValidName(name) ? std::string(typeName) + "1" : std::string(name);
    node->name = uniqueName(wanted);
    return node;
}

// Inserts a fresh node into the scene (under parent for DAG nodes), journaled.
Node& insertNode(NodePtr node, Node* parent) {
    Node& n = *node;
    if (parent) {
        n.parent = parent;
        parent->children.push_back(node);
    }
    n.alive = true;
    enterOrder(node);
    claimName(n);
    // The plug-in's API calls run without a journal: no steps to build then.
    if (!journaling())
        return n;
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
        if (n == &root)
            return true;
    return false;
}

// Takes the shading memberships and selection entries that refer into the
// subtree out of the scene, journaled so that undo puts them back.
void dropReferences(Node& root) {
    std::vector<SelectionItem> kept;
    for (const SelectionItem& item : state().selection)
        if (!isUnder(*item.node, root))
            kept.push_back(item);
    if (kept.size() != state().selection.size())
        setSelection(std::move(kept));
    if (root.kind == NodeKind::ShadingEngine) {
        for (Node* mesh : engineMembers(root)) {
            std::vector<ShadingMember> shading;
            for (const ShadingMember& m : mesh->shading)
                if (m.engine.lock().get() != &root)
                    shading.push_back(m);
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
    // A run makes one-polygon meshes by the ten thousand: no table for them.
    if (counts->size() <= 1)
        return polygon == 0 ? 0 : (*counts)[0];
    if (!offsets_ || offsets_->counts != counts) {
        auto built = std::make_shared<FaceOffsets>();
        built->counts = counts;
        built->offsets.assign(counts->size() + 1, 0);
        for (size_t i = 0; i < counts->size(); ++i)
            built->offsets[i + 1] = built->offsets[i] + (*counts)[i];
        offsets_ = std::move(built);
    }
    return offsets_->offsets[size_t(polygon)];
}

const UVSet* MeshData::uvSet(std::string_view name) const {
    if (name.empty())
        return currentUVSet >= 0 ? &uvSets[currentUVSet] : nullptr;
    for (const UVSet& set : uvSets)
        if (set.name == name)
            return &set;
    return nullptr;
}

const ColorSet* MeshData::colorSet(std::string_view name) const {
    if (name.empty())
        return currentColorSet >= 0 ? &colorSets[currentColorSet] : nullptr;
    for (const ColorSet& set : colorSets)
        if (set.name == name)
            return &set;
    return nullptr;
}

// ---- nodes ----

const NodeExtras& Node::extras() const {
    static const NodeExtras none;
    return rare ? *rare : none;
}

NodeExtras& Node::editableExtras() {
    if (!rare)
        rare = std::make_unique<NodeExtras>();
    return *rare;
}

// ---- journal ----

Journal::Journal(std::vector<UndoStep>* sink) : previous_(state().journal) {
    state().journal = sink;
}
Journal::~Journal() {
    state().journal = previous_;
}

void record(std::function<void()> undo, std::function<void()> redo) {
    if (state().journal)
        state().journal->push_back(UndoStep{std::move(undo), std::move(redo)});
}

bool journaling() {
    return state().journal != nullptr;
}

// ---- whole scene ----

void reset() {
    SceneState& s = state();
    std::vector<UndoStep>* journal = s.journal;
    s = SceneState();
    s.world = std::make_shared<Node>();
    s.world->self = s.world;
    s.world->kind = NodeKind::World;
    s.world->apiType = MFn::kWorld;
    s.world->typeLiteral = internedTypeName("world");
    s.world->serial = 0;
    s.world->alive = true;
    enterOrder(s.world);
    Node& material = createMaterial("lambert", "lambert1");
    Node& engine = createShadingEngine("initialShadingGroup");
    engine.editableExtras().surfaceShader = handle(material);
    s.journal = journal;
}

Node& world() {
    if (!state().world)
        reset();
    return *state().world;
}

std::vector<Node*> allNodes() {
    world();
    std::vector<Node*> out;
    if (state().staleEntries > 0 || !state().sorted)
        compactOrder();
    out.reserve(state().order.size());
    for (const NodePtr& node : state().order)
        out.push_back(node.get());
    return out;
}

size_t nodeCount() {
    return state().aliveCount;
}

// ---- names ----

Node* findNode(std::string_view nameOrPath) {
    world();
    size_t bar = nameOrPath.rfind('|');
    std::string_view leaf = bar == std::string_view::npos ? nameOrPath : nameOrPath.substr(bar + 1);
    Node* found = state().byName.find(leaf);
    if (!found)
        return nullptr;
    if (bar == std::string_view::npos)
        return found;
    // A path must be the node's full path, or its tail after a '|'.
    std::string full = fullPathName(*found);
    if (nameOrPath.front() == '|')
        return full == nameOrPath ? found : nullptr;
    std::string tail = "|" + std::string(nameOrPath);
    bool ends = full.size() >= tail.size() &&
                full.compare(full.size() - tail.size(), tail.size(), tail) == 0;
    return ends ? found : nullptr;
}

NodePtr handle(const Node& node) {
    return node.self.lock();
}

bool isValidName(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

std::string uniqueName(std::string_view wanted) {
    SceneState& s = state();
    auto [base, number] = splitTrailingNumber(wanted);
    // Every base + 1 .. base + (free - 1) is taken; moving free up is paid for
    // by the creations that took those names. Within that range the name
    // index need not be asked (a run asks for "polySurfaceShape1" each time).
    auto counted = s.freeFrom.find(base);
    bool canonical = number >= 1 && wanted[base.size()] != '0';  // "pCube7", not "pCube07"
    bool surelyTaken = canonical && counted != s.freeFrom.end() && number < counted->second;
    if (!surelyTaken && !s.byName.contains(wanted))
        return std::string(wanted);
    if (counted == s.freeFrom.end())
        counted = s.freeFrom.emplace(std::string(base), 1).first;
    long long& free = counted->second;
    while (s.byName.contains(numbered(base, free)))
        ++free;
    long long n = std::max(number + 1, 1LL);
    if (n <= free)
        return numbered(base, free);
    // Many objects asking for one name ("unnamed3") would each walk past all
    // the earlier ones: resume where the last walk from the same start ended.
    auto walks = s.freeAbove.find(base);
    if (walks == s.freeAbove.end())
        walks = s.freeAbove.emplace(std::string(base), std::map<long long, long long>()).first;
    long long& known = walks->second.try_emplace(n, n).first->second;
    n = std::max(n, known);
    while (s.byName.contains(numbered(base, n)))
        ++n;
    known = n;
    return numbered(base, n);
}

std::string numberedVariant(std::string_view wanted,
                            const std::function<bool(const std::string&)>& taken) {
    if (!taken(std::string(wanted)))
        return std::string(wanted);
    auto [base, number] = splitTrailingNumber(wanted);
    long long n = std::max(number + 1, 1LL);
    while (taken(numbered(base, n)))
        ++n;
    return numbered(base, n);
}

std::string rename(Node& node, std::string_view wanted) {
    assert(isValidName(wanted));
    if (node.name == wanted)
        return node.name;
    std::string oldName = node.name;
    forgetName(oldName);
    node.name = uniqueName(wanted);
    claimName(node);
    if (!journaling())
        return node.name;
    NodePtr ptr = handle(node);
    std::string newName = node.name;
    record(
        [ptr, oldName] {
            forgetName(ptr->name);
            ptr->name = oldName;
            claimName(*ptr);
        },
        [ptr, newName] {
            forgetName(ptr->name);
            ptr->name = newName;
            claimName(*ptr);
        });
    return node.name;
}

std::string fullPathName(const Node& node) {
    if (node.kind == NodeKind::World)
        return std::string();
    if (!node.parent)
        return node.name;
    std::string path;
    for (const Node* n = &node; n && n->kind != NodeKind::World; n = n->parent)
        path = "|" + n->name + path;
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
    return insertNode(makeNode(NodeKind::ShadingEngine, MFn::kShadingEngine, "shadingEngine", name),
                      nullptr);
}

Node& createMaterial(std::string_view typeName, std::string_view name) {
    MFn::Type type = typeName == "phong"   ? MFn::kPhong
                     : typeName == "blinn" ? MFn::kBlinn
                                           : MFn::kLambert;
    return insertNode(makeNode(NodeKind::Material, type, typeName, name), nullptr);
}

Node& createNode(std::string_view typeName, std::string_view name, Node* parent) {
    assert(isKnownNodeType(typeName));
    if (typeName == "transform")
        return createTransform(name, parent);
    if (typeName == "mesh") {
        Node& owner = parent ? *parent : createTransform("", nullptr);
        return createMesh(name, owner, nullptr);
    }
    if (typeName == "shadingEngine")
        return createShadingEngine(name);
    if (typeName == "lambert" || typeName == "phong" || typeName == "blinn")
        return createMaterial(typeName, name);
    MFn::Type type = typeName == "file"            ? MFn::kFileTexture
                     : typeName == "surfaceShader" ? MFn::kSurfaceShader
                     : typeName == "objectSet"     ? MFn::kSet
                                                   : MFn::kDependencyNode;
    return insertNode(makeNode(NodeKind::Other, type, typeName, name), nullptr);
}

bool isKnownNodeType(std::string_view typeName) {
    static const char* const known[] = {
        "transform", "mesh", "shadingEngine", "lambert",   "phong",
        "blinn",     "file", "surfaceShader", "objectSet", "place2dTexture"};
    return std::find(std::begin(known), std::end(known), typeName) != std::end(known);
}

bool isDefaultNode(const Node& node) {
    return node.kind == NodeKind::World || node.name == "initialShadingGroup" ||
           node.name == "lambert1";
}

bool deleteNode(Node& node) {
    if (!node.alive || isDefaultNode(node))
        return false;
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
    if (!journaling())
        return true;
    record(
        [ptr, parent, index] {
            if (parent)
                parent->children.insert(parent->children.begin() + long(index), ptr);
            ptr->parent = parent;
            attachTree(ptr);
        },
        [ptr] { deleteNode(*ptr); });
    return true;
}

// ---- editing ----

template <typename T, typename Field>
static void journaledSet(Node& node, Field field, T value) {
    if (!journaling()) {
        node.*field = std::move(value);
        return;
    }
    NodePtr ptr = handle(node);
    T old = node.*field;
    node.*field = value;
    record([ptr, field, old] { (*ptr).*field = old; },
           [ptr, field, value] { (*ptr).*field = value; });
}

void setMeshData(Node& mesh, MeshDataPtr data) {
    assert(mesh.kind == NodeKind::Mesh);
    journaledSet<MeshDataPtr>(mesh, &Node::mesh, std::move(data));
}

// The flags are bits, which no member pointer can name: journaled by hand.
void setIntermediate(Node& mesh, bool intermediate) {
    bool old = mesh.intermediate;
    mesh.intermediate = intermediate;
    if (!journaling())
        return;
    NodePtr ptr = handle(mesh);
    record([ptr, old] { ptr->intermediate = old; },
           [ptr, intermediate] { ptr->intermediate = intermediate; });
}

void setTransform(Node& transform, const std::array<double, 3>& translate,
                  const std::array<double, 3>& rotate, const std::array<double, 3>& scale) {
    NodePtr ptr = handle(transform);
    TransformValues old = transform.extras().transform;
    TransformValues now{translate, rotate, scale};
    transform.editableExtras().transform = now;
    record([ptr, old] { ptr->editableExtras().transform = old; },
           [ptr, now] { ptr->editableExtras().transform = now; });
}

void setVisibility(Node& node, bool visible) {
    bool old = node.visibility;
    node.visibility = visible;
    if (!journaling())
        return;
    NodePtr ptr = handle(node);
    record([ptr, old] { ptr->visibility = old; }, [ptr, visible] { ptr->visibility = visible; });
}

void setSurfaceShader(Node& engine, Node* material) {
    NodePtr ptr = handle(engine);
    std::weak_ptr<Node> old = engine.surfaceShader();
    std::weak_ptr<Node> feed = material ? handle(*material) : nullptr;
    engine.editableExtras().surfaceShader = feed;
    record([ptr, old] { ptr->editableExtras().surfaceShader = old; },
           [ptr, feed] { ptr->editableExtras().surfaceShader = feed; });
}

void setMaterial(Node& material, const std::array<float, 3>& color,
                 const std::array<float, 3>& transparency, const std::string& textureFile,
                 host_session::EmbeddedImagePtr textureImage) {
    MaterialValues now{color, transparency, textureFile, std::move(textureImage)};
    if (!journaling()) {
        material.editableExtras().material = std::move(now);
        return;
    }
    NodePtr ptr = handle(material);
    MaterialValues old = material.extras().material;
    material.editableExtras().material = now;
    record([ptr, old] { ptr->editableExtras().material = old; },
           [ptr, now] { ptr->editableExtras().material = now; });
}

// The step that brings one attribute back to `value` (nullopt: removes it).
// A run keeps one such step per attribute edit, and most edits add or remove
// an attribute, so the closure carries a value only when there is one.
static std::function<void()> restoreAttr(const NodePtr& node, const std::string& name,
                                         std::optional<AttrValue> value) {
    if (!value)
        return [node, name] { node->dynamicAttrs.erase(name); };
    return [node, name, v = std::move(*value)] { node->dynamicAttrs[name] = v; };
}

void setDynamicAttr(Node& node, const std::string& name, std::optional<AttrValue> value) {
    auto it = node.dynamicAttrs.find(name);
    std::optional<AttrValue> old;
    if (it != node.dynamicAttrs.end())
        old = it->second;
    if (value)
        node.dynamicAttrs[name] = *value;
    else if (it != node.dynamicAttrs.end())
        node.dynamicAttrs.erase(it);
    if (!journaling())
        return;
    NodePtr ptr = handle(node);
    record(restoreAttr(ptr, name, std::move(old)), restoreAttr(ptr, name, std::move(value)));
}

void setKeys(Node& node, const std::string& attr, std::vector<Key> keys) {
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
    NodePtr ptr = handle(node);
    std::vector<Key> old;
    if (auto it = node.keys().find(attr); it != node.keys().end())
        old = it->second;
    auto apply = [ptr, attr](const std::vector<Key>& k) {
        if (k.empty()) {
            if (ptr->rare)
                ptr->rare->keys.erase(attr);
        } else
            ptr->editableExtras().keys[attr] = k;
    };
    apply(keys);
    if (journaling())
        record([apply, old] { apply(old); }, [apply, keys] { apply(keys); });
}

// ---- selection and time ----

const std::vector<SelectionItem>& selection() {
    return state().selection;
}

void setSelection(std::vector<SelectionItem> items) {
    std::vector<SelectionItem> old = state().selection;
    state().selection = items;
    if (journaling())
        record([old] { state().selection = old; }, [items] { state().selection = items; });
}

double currentTime() {
    return state().time;
}
double minTime() {
    return state().minTime;
}
double maxTime() {
    return state().maxTime;
}

void setCurrentTime(double time) {
    double old = state().time;
    state().time = time;
    record([old] { state().time = old; }, [time] { state().time = time; });
}

void setPlaybackRange(double minT, double maxT) {
    double oldMin = state().minTime, oldMax = state().maxTime;
    state().minTime = minT;
    state().maxTime = maxT;
    record(
        [oldMin, oldMax] {
            state().minTime = oldMin;
            state().maxTime = oldMax;
        },
        [minT, maxT] {
            state().minTime = minT;
            state().maxTime = maxT;
        });
}

}  // namespace host::scene

namespace host {
void resetScene() {
    scene::reset();
}
}  // namespace host
