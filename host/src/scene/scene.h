#pragma once
// The host's scene: one process-wide graph of nodes that the Maya API classes,
// the scene commands, the importer and the tools all read and edit.
//
// Nodes
//   Every node is a heap record owned through NodePtr. The scene holds the
//   nodes that exist; a deleted node is only detached, so an undo step (or an
//   MObject) that still holds it can bring it back unchanged, with its name,
//   its data and its place among its parent's children.
//   Kinds: the DAG's transforms and mesh shapes (under a transform), and the
//   dependency nodes: shading engines (sets of faces), materials (lambert,
//   phong, blinn) and plain nodes made by createNode.
//
// Names
//   Names are unique across the whole scene (simpler than Maya's per-parent
//   rule, and what a plug-in that addresses objects by name relies on). A
//   wanted name that is taken gets the smallest free variant made the way
//   Maya makes it: trailing digits are stripped to a base, then base + n is
//   tried for n = trailing number + 1, + 2, ... (or 1, 2, ... without digits):
//   "pCube1" taken gives "pCube2", "dft0_0" taken gives "dft0_1", "mesh"
//   taken gives "mesh1". Lookup is a hash map, and a per-base counter keeps
//   the search short, so creating many similarly named nodes stays linear.
//
// Mesh data
//   A mesh's data is one immutable MeshData behind a shared pointer; an edit
//   makes a shallow copy (the large arrays stay shared) and swaps it in. The
//   arrays themselves are shared buffers: two meshes given the same UV array
//   hold one buffer, while the API still behaves as if each had a copy.
//
// Undo
//   Every edit function below records its exact inverse in the active
//   Journal, if one is open (scene commands open one around their work and
//   hand the steps to the undo queue). With no journal open, edits are just
//   made: that is how plug-in API calls such as MFnMesh::create behave.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <host_session/embedded_image.h>

#include <maya/MColor.h>
#include <maya/MFloatVector.h>
#include <maya/MFn.h>

#include "core/command.h"

namespace host::scene {

using FloatBuffer = std::shared_ptr<const std::vector<float>>;
using IntBuffer = std::shared_ptr<const std::vector<int>>;
using Point3 = std::array<double, 3>;
using PointBuffer = std::shared_ptr<const std::vector<Point3>>;
// Colours and normals keep the API's element types so that the arrays a
// plug-in passes in can be held as they are, without a copy.
using ColorBuffer = std::shared_ptr<const std::vector<MColor>>;
using NormalBuffer = std::shared_ptr<const std::vector<MFloatVector>>;

// Shares the empty buffers so that a default MeshData holds no allocations.
const FloatBuffer& emptyFloats();
const IntBuffer& emptyInts();
const ColorBuffer& emptyColors();
const PointBuffer& emptyPoints();

// One UV set: its table of UVs and, per face-vertex (in connects order), the
// UV id used there or -1 where that face-vertex has no UV.
struct UVSet {
    std::string name;
    FloatBuffer u = emptyFloats();
    FloatBuffer v = emptyFloats();
    IntBuffer faceVertexIds = emptyInts();  // empty: no face-vertex has a UV yet
};

// One colour set: its colours and, per face-vertex, the colour index or -1.
struct ColorSet {
    std::string name;
    ColorBuffer colors = emptyColors();
    IntBuffer faceVertexIds = emptyInts();  // empty: no face-vertex has a colour yet
    bool clamped = true;
    int representation = 4;  // channels: 1 alpha, 3 RGB, 4 RGBA (MFnMesh::MColorRepresentation)
};

struct MeshData {
    PointBuffer points = emptyPoints();  // object space
    IntBuffer counts = emptyInts();      // vertices per polygon
    IntBuffer connects = emptyInts();    // vertex ids, polygon after polygon
    std::vector<UVSet> uvSets;           // a created mesh has "map1"
    std::vector<ColorSet> colorSets;
    // The two indices side by side: no padding in a record a run makes per triangle.
    int currentUVSet = -1;     // index into uvSets, -1 none
    int currentColorSet = -1;  // index into colorSets, -1 none
    NormalBuffer normals;      // as last given to setNormals, may be null

    int numPolygons() const { return int(counts->size()); }
    int numVertices() const { return int(points->size()); }
    int numFaceVertices() const { return int(connects->size()); }
    // As many as the polygons make once split into fans.
    int numTriangles() const {
        int triangles = 0;
        for (int n : *counts)
            triangles += n > 2 ? n - 2 : 0;
        return triangles;
    }
    // Offset of polygon p's first face-vertex in connects (computed on demand
    // and cached per data object).
    int faceVertexOffset(int polygon) const;
    const UVSet* uvSet(std::string_view name) const;  // empty name: current
    const ColorSet* colorSet(std::string_view name) const;

private:
    struct FaceOffsets {
        IntBuffer counts;          // the counts buffer these were built from
        std::vector<int> offsets;  // per polygon the first face-vertex, then the total
    };
    mutable std::shared_ptr<const FaceOffsets> offsets_;
};
using MeshDataPtr = std::shared_ptr<const MeshData>;

enum class NodeKind : uint8_t { World, Transform, Mesh, ShadingEngine, Material, Other };

// A value of a dynamic (addAttr) or built-in attribute.
struct AttrValue {
    enum Type { Double, DoubleArray, String, Bool } type = Double;
    double number = 0.0;
    std::vector<double> array;
    std::string text;
};

// A node's attributes made by addAttr, by name, in name order. A sorted list
// rather than a tree: most nodes have none and a triangle of a run has one.
class AttrTable {
public:
    using Entry = std::pair<std::string, AttrValue>;
    using iterator = std::vector<Entry>::iterator;
    using const_iterator = std::vector<Entry>::const_iterator;

    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    iterator find(std::string_view name);
    const_iterator find(std::string_view name) const;
    size_t count(std::string_view name) const { return find(name) != end() ? 1 : 0; }
    const AttrValue& at(std::string_view name) const;  // throws std::out_of_range when absent
    AttrValue& operator[](std::string_view name);      // adds a default value when absent
    void erase(std::string_view name);
    void erase(iterator it) { entries_.erase(it); }

private:
    std::vector<Entry> entries_;
};

struct Key {
    double time = 0.0;
    double value = 0.0;
};

struct Node;
using NodePtr = std::shared_ptr<Node>;

// Faces of one mesh that belong to a shading engine (empty faces: the whole mesh).
struct ShadingMember {
    std::weak_ptr<Node> engine;
    std::vector<int> faces;  // sorted, unique
};

// A transform's own values: Maya's attributes, rotation in degrees, XYZ order.
struct TransformValues {
    std::array<double, 3> translate{0, 0, 0};
    std::array<double, 3> rotate{0, 0, 0};
    std::array<double, 3> scale{1, 1, 1};
};

// A material's own values (lambert, phong, blinn).
struct MaterialValues {
    std::array<float, 3> color{0.5f, 0.5f, 0.5f};
    std::array<float, 3> transparency{0, 0, 0};
    std::string textureFile;  // the file texture feeding "color", if any
    // The texture's pixels when the model file held them; textureFile then
    // only names them ("*0").
    host_session::EmbeddedImagePtr textureImage;
};

// What few nodes ever hold. A run makes two nodes per triangle that never
// move, feed a shader, get keyed or shade anything, so this part is allocated
// on first need.
struct NodeExtras {
    TransformValues transform;
    MaterialValues material;
    std::weak_ptr<Node> surfaceShader;  // shading engines: the node feeding "surfaceShader"
    std::map<std::string, std::vector<Key>> keys;  // per attribute name, sorted by time
};

struct Node {
    // Small fields first and together: a run makes two nodes per triangle, so
    // padding between them costs megabytes.
    NodeKind kind = NodeKind::Other;
    bool alive : 1 = false;         // part of the scene now
    bool visibility : 1 = true;     // transforms and meshes
    bool intermediate : 1 = false;  // meshes
    MFn::Type apiType : 16 = MFn::kDependencyNode;
    uint32_t shadingVersion = 0;   // meshes: changes whenever `shading` does (for caches)
    uint64_t serial = 0;           // creation order; never reused
    const char* typeLiteral = "";  // the one stored copy of its type name: see typeName()
    std::string name;
    std::weak_ptr<Node> self;  // the owning pointer, for handing the node on

    // DAG (transforms, meshes, the world)
    Node* parent = nullptr;  // valid while alive
    std::vector<NodePtr> children;

    // Mesh
    MeshDataPtr mesh;
    std::vector<ShadingMember> shading;  // a face belongs to at most one engine

    // Every node: attributes made by addAttr.
    AttrTable dynamicAttrs;

    std::unique_ptr<NodeExtras> rare;  // null until one of its values is set

    std::string_view typeName() const { return typeLiteral; }  // "transform", "mesh", ...

    // The rare part as read: defaults (identity, no shader, no keys, grey
    // untextured material) when absent.
    const NodeExtras& extras() const;
    NodeExtras& editableExtras();
    const std::array<double, 3>& translate() const { return extras().transform.translate; }
    const std::array<double, 3>& rotate() const { return extras().transform.rotate; }
    const std::array<double, 3>& scale() const { return extras().transform.scale; }
    const std::weak_ptr<Node>& surfaceShader() const { return extras().surfaceShader; }
    const std::map<std::string, std::vector<Key>>& keys() const { return extras().keys; }
    const std::array<float, 3>& color() const { return extras().material.color; }
    const std::array<float, 3>& transparency() const { return extras().material.transparency; }
    const std::string& textureFile() const { return extras().material.textureFile; }
    const host_session::EmbeddedImagePtr& textureImage() const {
        return extras().material.textureImage;
    }
};

// ---- Journal --------------------------------------------------------------

// While alive, every scene edit appends its UndoStep to *sink. Journals nest:
// the innermost one receives the steps.
class Journal {
public:
    explicit Journal(std::vector<UndoStep>* sink);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

private:
    std::vector<UndoStep>* previous_;
};
// Appends one step to the open journal (no-op without one).
void record(std::function<void()> undo, std::function<void()> redo);
bool journaling();

// ---- Whole scene ----------------------------------------------------------

// Back to the empty scene: the world, "initialShadingGroup" fed by "lambert1",
// nothing selected, time 0, playback 1 to 24.
void reset();
Node& world();
// Every node in the scene in creation order (the world first).
std::vector<Node*> allNodes();
size_t nodeCount();

// ---- Finding and naming ---------------------------------------------------

// By name, or by a DAG path "|a|b" (the leaf's name decides, names being unique).
Node* findNode(std::string_view nameOrPath);
NodePtr handle(const Node& node);         // the owning pointer of a live node
bool isValidName(std::string_view name);  // letters, digits, '_', not starting with a digit
// The name a node asking for `wanted` would get now (wanted itself when free).
std::string uniqueName(std::string_view wanted);
// The same rule among other names (a mesh's UV or colour sets).
std::string numberedVariant(std::string_view wanted,
                            const std::function<bool(const std::string&)>& taken);
// Renames; returns the name applied (a unique variant when taken). `wanted`
// must be a valid name.
std::string rename(Node& node, std::string_view wanted);
std::string fullPathName(const Node& node);  // "|pCube1|pCubeShape1"; "" for the world

// ---- Creating and deleting ------------------------------------------------

// parent null: under the world. An empty name gives typeName + "1" style names.
Node& createTransform(std::string_view name, Node* parent = nullptr);
Node& createMesh(std::string_view name, Node& transform, MeshDataPtr data);
Node& createShadingEngine(std::string_view name);
// typeName "lambert", "phong" or "blinn".
Node& createMaterial(std::string_view typeName, std::string_view name);
// Any node type the host knows (isKnownNodeType); DAG types go under parent,
// a mesh without one under a new transform.
Node& createNode(std::string_view typeName, std::string_view name, Node* parent = nullptr);
bool isKnownNodeType(std::string_view typeName);
// Detaches the node with everything under it; takes its faces out of shading
// engines and its entries out of the selection. The world and the default
// nodes cannot be deleted (returns false).
bool deleteNode(Node& node);
bool isDefaultNode(const Node& node);

// ---- Editing --------------------------------------------------------------

void setMeshData(Node& mesh, MeshDataPtr data);
void setIntermediate(Node& mesh, bool intermediate);
void setTransform(Node& transform, const std::array<double, 3>& translate,
                  const std::array<double, 3>& rotate, const std::array<double, 3>& scale);
void setVisibility(Node& node, bool visible);
void setSurfaceShader(Node& engine, Node* material);
void setMaterial(Node& material, const std::array<float, 3>& color,
                 const std::array<float, 3>& transparency, const std::string& textureFile,
                 host_session::EmbeddedImagePtr textureImage = nullptr);
void setDynamicAttr(Node& node, const std::string& name,
                    std::optional<AttrValue> value);  // nullopt removes
void setKeys(Node& node, const std::string& attr, std::vector<Key> keys);

// ---- Selection ------------------------------------------------------------

struct SelectionItem {
    NodePtr node;            // the transform (or any node) selected
    std::vector<int> faces;  // selected polygons, sorted; used when component
    bool component = false;
};
const std::vector<SelectionItem>& selection();
void setSelection(std::vector<SelectionItem> items);

// ---- Time -----------------------------------------------------------------

double currentTime();
void setCurrentTime(double time);
double minTime();
double maxTime();
void setPlaybackRange(double minTime, double maxTime);

}  // namespace host::scene

// The rest of the scene's API, in the files that build it.
#include "scene/scene_attributes.h"
#include "scene/scene_geometry.h"
#include "scene/scene_shading.h"
#include "scene/selection.h"
