#include <maya/MFnMesh.h>

#include <cmath>

#include "scene/node_types.h"

using namespace host::scene;

namespace {

void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

int uvSetIndex(const MeshData& data, const MString* name) {
    if (!name)
        return data.currentUVSet;
    for (size_t i = 0; i < data.uvSets.size(); ++i)
        if (data.uvSets[i].name == name->asChar())
            return int(i);
    return -1;
}

int colorSetIndex(const MeshData& data, const MString* name) {
    if (!name)
        return data.currentColorSet;
    for (size_t i = 0; i < data.colorSets.size(); ++i)
        if (data.colorSets[i].name == name->asChar())
            return int(i);
    return -1;
}

// A shallow copy to edit: the large arrays stay shared until replaced.
std::shared_ptr<MeshData> editable(const Node& mesh) {
    return std::make_shared<MeshData>(*mesh.mesh);
}

bool validFaceVertex(const MeshData& data, int polygon, int vertex) {
    return polygon >= 0 && polygon < data.numPolygons() && vertex >= 0 &&
           vertex < (*data.counts)[size_t(polygon)];
}

// Face-vertex ids of a set, expanded to one entry per face-vertex (-1 unset).
std::vector<int> expandedIds(const IntBuffer& ids, const MeshData& data) {
    if (!ids->empty())
        return *ids;
    return std::vector<int>(size_t(data.numFaceVertices()), -1);
}

template <typename PointArray>
bool readPoints(int numVertices, const PointArray& points, std::vector<Point3>& out) {
    if (numVertices < 0 || points.length() < unsigned(numVertices))
        return false;
    out.resize(size_t(numVertices));
    for (unsigned i = 0; i < unsigned(numVertices); ++i) {
        out[i] = {double(points[i].x), double(points[i].y), double(points[i].z)};
        for (double c : out[i])
            if (!std::isfinite(c))
                return false;
    }
    return true;
}

bool validTopology(int numVertices, int numPolygons, const MIntArray& counts,
                   const MIntArray& connects) {
    if (numPolygons < 0 || counts.length() != unsigned(numPolygons))
        return false;
    size_t total = 0;
    for (unsigned i = 0; i < counts.length(); ++i) {
        if (counts[i] < 3)
            return false;
        total += size_t(counts[i]);
    }
    if (total != connects.length())
        return false;
    for (unsigned i = 0; i < connects.length(); ++i)
        if (connects[i] < 0 || connects[i] >= numVertices)
            return false;
    return true;
}

}  // namespace

MFnMesh::MFnMesh(MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnMesh::MFnMesh(const MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnMesh::MFnMesh(const MDagPath& path, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(path));
}

bool MFnMesh::accepts(const MObject& object) const {
    return liveMesh(object) != nullptr;
}

MStatus MFnMesh::setObject(MObject& object) {
    return setObject(static_cast<const MObject&>(object));
}

MStatus MFnMesh::setObject(const MObject& object) {
    Node* mesh = liveMesh(object);
    return MFnBase::setObject(mesh ? objectOf(*mesh) : object);
}

MStatus MFnMesh::setObject(const MDagPath& path) {
    return setObject(path.node());
}

// ---- creation ----

template <typename PointArray>
static MObject createMesh(MObject& attached, int numVertices, int numPolygons,
                          const PointArray& vertexArray, const MIntArray& counts,
                          const MIntArray& connects, const MFloatArray* u, const MFloatArray* v,
                          const MObject& parent, MStatus* ReturnStatus) {
    auto data = std::make_shared<MeshData>();
    std::vector<Point3> points;
    Node* parentNode = parent.isNull() ? nullptr : liveNode(parent);
    bool badParent = !parent.isNull() && (!parentNode || parentNode->kind != NodeKind::Transform);
    if (badParent || !readPoints(numVertices, vertexArray, points) ||
        !validTopology(numVertices, numPolygons, counts, connects) ||
        (u && u->length() != v->length())) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MObject();
    }
    data->points = std::make_shared<const std::vector<Point3>>(std::move(points));
    data->counts = counts.sharedData();
    data->connects = connects.sharedData();
    UVSet map1;
    map1.name = "map1";
    if (u) {
        map1.u = u->sharedData();
        map1.v = v->sharedData();
    }
    data->uvSets.push_back(std::move(map1));
    data->currentUVSet = 0;
    Node& transform = parentNode ? *parentNode : createTransform("polySurface1");
    Node& mesh = host::scene::createMesh("polySurfaceShape1", transform, data);
    attached = objectOf(mesh);
    setStatus(ReturnStatus, MStatus::kSuccess);
    return parentNode ? attached : objectOf(transform);
}

MObject MFnMesh::create(int numVertices, int numPolygons, const MFloatPointArray& vertexArray,
                        const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                        MObject parentOrOwner, MStatus* ReturnStatus) {
    return createMesh(object_, numVertices, numPolygons, vertexArray, polygonCounts,
                      polygonConnects, nullptr, nullptr, parentOrOwner, ReturnStatus);
}

MObject MFnMesh::create(int numVertices, int numPolygons, const MFloatPointArray& vertexArray,
                        const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                        const MFloatArray& uArray, const MFloatArray& vArray, MObject parentOrOwner,
                        MStatus* ReturnStatus) {
    return createMesh(object_, numVertices, numPolygons, vertexArray, polygonCounts,
                      polygonConnects, &uArray, &vArray, parentOrOwner, ReturnStatus);
}

MObject MFnMesh::create(int numVertices, int numPolygons, const MPointArray& vertexArray,
                        const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                        MObject parentOrOwner, MStatus* ReturnStatus) {
    return createMesh(object_, numVertices, numPolygons, vertexArray, polygonCounts,
                      polygonConnects, nullptr, nullptr, parentOrOwner, ReturnStatus);
}

MObject MFnMesh::create(int numVertices, int numPolygons, const MPointArray& vertexArray,
                        const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                        const MFloatArray& uArray, const MFloatArray& vArray, MObject parentOrOwner,
                        MStatus* ReturnStatus) {
    return createMesh(object_, numVertices, numPolygons, vertexArray, polygonCounts,
                      polygonConnects, &uArray, &vArray, parentOrOwner, ReturnStatus);
}

// ---- topology and points ----

#define MESH_OR(fail)                   \
    Node* node = liveMesh(object_);     \
    if (!node)                          \
        return fail;                    \
    const MeshData& data = *node->mesh; \
    (void)data

int MFnMesh::numVertices(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? node->mesh->numVertices() : 0;
}

int MFnMesh::numPolygons(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? node->mesh->numPolygons() : 0;
}

int MFnMesh::numFaceVertices(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? node->mesh->numFaceVertices() : 0;
}

int MFnMesh::polygonVertexCount(int polygonId, MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    bool ok = node && polygonId >= 0 && polygonId < node->mesh->numPolygons();
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return ok ? (*node->mesh->counts)[size_t(polygonId)] : 0;
}

MStatus MFnMesh::getPolygonVertices(int polygonId, MIntArray& vertexList) const {
    MESH_OR(MStatus::kInvalidParameter);
    if (polygonId < 0 || polygonId >= data.numPolygons())
        return MStatus::kInvalidParameter;
    vertexList.clear();
    int offset = data.faceVertexOffset(polygonId);
    for (int k = 0; k < (*data.counts)[size_t(polygonId)]; ++k)
        vertexList.append((*data.connects)[size_t(offset + k)]);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getVertices(MIntArray& vertexCount, MIntArray& vertexList) const {
    MESH_OR(MStatus::kInvalidParameter);
    vertexCount = MIntArray(data.counts);
    vertexList = MIntArray(data.connects);
    return MStatus::kSuccess;
}

static Point3 spacePoint(const Node& mesh, const Point3& p, MSpace::Space space) {
    return space == MSpace::kWorld ? transformPoint(worldMatrix(mesh), p) : p;
}

MStatus MFnMesh::getPoints(MPointArray& vertexArray, MSpace::Space space) const {
    MESH_OR(MStatus::kInvalidParameter);
    std::vector<MPoint> out;
    out.reserve(data.points->size());
    // the world matrix walks every parent: once per call, not per point
    bool world = space == MSpace::kWorld;
    Matrix4 matrix = world ? worldMatrix(*node) : Matrix4{};
    for (const Point3& p : *data.points) {
        Point3 q = world ? transformPoint(matrix, p) : p;
        out.emplace_back(q[0], q[1], q[2]);
    }
    vertexArray = MPointArray(std::make_shared<const std::vector<MPoint>>(std::move(out)));
    return MStatus::kSuccess;
}

MStatus MFnMesh::getPoints(MFloatPointArray& vertexArray, MSpace::Space space) const {
    MPointArray points;
    MStatus status = getPoints(points, space);
    vertexArray.clear();
    for (unsigned i = 0; i < points.length(); ++i)
        vertexArray.append(MFloatPoint(points[i]));
    return status;
}

MStatus MFnMesh::getPoint(int vertexId, MPoint& pos, MSpace::Space space) const {
    MESH_OR(MStatus::kInvalidParameter);
    if (vertexId < 0 || vertexId >= data.numVertices())
        return MStatus::kInvalidParameter;
    Point3 q = spacePoint(*node, (*data.points)[size_t(vertexId)], space);
    pos = MPoint(q[0], q[1], q[2]);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setPoints(const MPointArray& vertexArray, MSpace::Space space) {
    MESH_OR(MStatus::kInvalidParameter);
    if (vertexArray.length() != unsigned(data.numVertices()))
        return MStatus::kInvalidParameter;
    MMatrix inverse;
    if (space == MSpace::kWorld)
        inverse = MDagPath(object_).inclusiveMatrixInverse();
    std::vector<Point3> points;
    for (unsigned i = 0; i < vertexArray.length(); ++i) {
        MPoint p = space == MSpace::kWorld ? vertexArray[i] * inverse : vertexArray[i];
        points.push_back({p.x, p.y, p.z});
    }
    auto copy = editable(*node);
    copy->points = std::make_shared<const std::vector<Point3>>(std::move(points));
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setPoint(int vertexId, const MPoint& pos, MSpace::Space space) {
    MPointArray points;
    MStatus status = getPoints(points, space);
    if (!status)
        return status;
    if (vertexId < 0 || unsigned(vertexId) >= points.length())
        return MStatus::kInvalidParameter;
    points[unsigned(vertexId)] = pos;
    return setPoints(points, space);
}

// ---- UV sets ----

int MFnMesh::numUVSets(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? int(node->mesh->uvSets.size()) : 0;
}

int MFnMesh::numUVs(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    const UVSet* set = node ? node->mesh->uvSet("") : nullptr;
    setStatus(ReturnStatus, set ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return set ? int(set->u->size()) : 0;
}

int MFnMesh::numUVs(const MString& uvSet, MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    int index = node ? uvSetIndex(*node->mesh, &uvSet) : -1;
    setStatus(ReturnStatus, index >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return index >= 0 ? int(node->mesh->uvSets[size_t(index)].u->size()) : 0;
}

MStatus MFnMesh::getUVSetNames(MStringArray& setNames) const {
    MESH_OR(MStatus::kInvalidParameter);
    setNames.clear();
    for (const UVSet& set : data.uvSets)
        setNames.append(MString(set.name));
    return MStatus::kSuccess;
}

MStatus MFnMesh::getCurrentUVSetName(MString& name, int) const {
    MESH_OR(MStatus::kInvalidParameter);
    if (data.currentUVSet < 0)
        return MStatus::kFailure;
    name = MString(data.uvSets[size_t(data.currentUVSet)].name);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setCurrentUVSetName(const MString& name, MDGModifier*) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, &name);
    if (index < 0)
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->currentUVSet = index;
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MString MFnMesh::createUVSetWithName(const MString& name, MDGModifier*, MStatus* ReturnStatus) {
    Node* node = liveMesh(object_);
    if (!node || !isValidName(name.asChar())) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MString();
    }
    auto copy = editable(*node);
    MString unique(numberedVariant(name.asChar(), [&copy](const std::string& n) {
        MString candidate(n);
        return uvSetIndex(*copy, &candidate) >= 0;
    }));
    UVSet set;
    set.name = unique.asChar();
    copy->uvSets.push_back(std::move(set));
    if (copy->currentUVSet < 0)
        copy->currentUVSet = int(copy->uvSets.size() - 1);
    setMeshData(*node, copy);
    setStatus(ReturnStatus, MStatus::kSuccess);
    return unique;
}

MStatus MFnMesh::getUVs(MFloatArray& uArray, MFloatArray& vArray, const MString* uvSet) const {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    // Handing out the set's own buffers: the caller's arrays copy on their first write.
    uArray = MFloatArray(data.uvSets[size_t(index)].u);
    vArray = MFloatArray(data.uvSets[size_t(index)].v);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setUVs(const MFloatArray& uArray, const MFloatArray& vArray,
                        const MString* uvSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0 || uArray.length() != vArray.length())
        return MStatus::kInvalidParameter;
    // UV ids already assigned must stay inside the new table.
    for (int id : *data.uvSets[size_t(index)].faceVertexIds)
        if (id >= int(uArray.length()))
            return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->uvSets[size_t(index)].u = uArray.sharedData();
    copy->uvSets[size_t(index)].v = vArray.sharedData();
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::assignUVs(const MIntArray& uvCounts, const MIntArray& uvIds,
                           const MString* uvSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0 || uvCounts.length() != unsigned(data.numPolygons()))
        return MStatus::kInvalidParameter;
    const UVSet& set = data.uvSets[size_t(index)];
    std::vector<int> ids(size_t(data.numFaceVertices()), -1);
    unsigned next = 0;
    for (int p = 0; p < data.numPolygons(); ++p) {
        int n = uvCounts[unsigned(p)];
        if (n != 0 && n != (*data.counts)[size_t(p)])
            return MStatus::kInvalidParameter;
        for (int k = 0; k < n; ++k, ++next) {
            if (next >= uvIds.length() || uvIds[next] < 0 || size_t(uvIds[next]) >= set.u->size())
                return MStatus::kInvalidParameter;
            ids[size_t(data.faceVertexOffset(p) + k)] = uvIds[next];
        }
    }
    if (next != uvIds.length())
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->uvSets[size_t(index)].faceVertexIds =
        std::make_shared<const std::vector<int>>(std::move(ids));
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getAssignedUVs(MIntArray& uvCounts, MIntArray& uvIds, const MString* uvSet) const {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    std::vector<int> ids = expandedIds(data.uvSets[size_t(index)].faceVertexIds, data);
    uvCounts.clear();
    uvIds.clear();
    for (int p = 0; p < data.numPolygons(); ++p) {
        int offset = data.faceVertexOffset(p), n = (*data.counts)[size_t(p)];
        bool all = true;
        for (int k = 0; k < n; ++k)
            all = all && ids[size_t(offset + k)] >= 0;
        uvCounts.append(all ? n : 0);
        for (int k = 0; all && k < n; ++k)
            uvIds.append(ids[size_t(offset + k)]);
    }
    return MStatus::kSuccess;
}

MStatus MFnMesh::getPolygonUVid(int polygonId, int vertexIndex, int& uvId,
                                const MString* uvSet) const {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0 || !validFaceVertex(data, polygonId, vertexIndex))
        return MStatus::kInvalidParameter;
    const IntBuffer& ids = data.uvSets[size_t(index)].faceVertexIds;
    if (ids->empty())
        return MStatus::kFailure;
    int id = (*ids)[size_t(data.faceVertexOffset(polygonId) + vertexIndex)];
    if (id < 0)
        return MStatus::kFailure;
    uvId = id;
    return MStatus::kSuccess;
}

MStatus MFnMesh::getPolygonUV(int polygonId, int vertexIndex, float& u, float& v,
                              const MString* uvSet) const {
    int id = -1;
    MStatus status = getPolygonUVid(polygonId, vertexIndex, id, uvSet);
    if (!status)
        return status;
    const UVSet& set =
        liveMesh(object_)->mesh->uvSets[size_t(uvSetIndex(*liveMesh(object_)->mesh, uvSet))];
    if (size_t(id) >= set.u->size())
        return MStatus::kFailure;
    u = (*set.u)[size_t(id)];
    v = (*set.v)[size_t(id)];
    return MStatus::kSuccess;
}

MStatus MFnMesh::clearUVs(const MString* uvSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = uvSetIndex(data, uvSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->uvSets[size_t(index)].u = emptyFloats();
    copy->uvSets[size_t(index)].v = emptyFloats();
    copy->uvSets[size_t(index)].faceVertexIds = emptyInts();
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

// ---- colour sets ----

int MFnMesh::numColorSets(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? int(node->mesh->colorSets.size()) : 0;
}

int MFnMesh::numColors(MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    const ColorSet* set = node ? node->mesh->colorSet("") : nullptr;
    setStatus(ReturnStatus, set ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return set ? int(set->colors->size()) : 0;
}

int MFnMesh::numColors(const MString& colorSet, MStatus* ReturnStatus) const {
    Node* node = liveMesh(object_);
    int index = node ? colorSetIndex(*node->mesh, &colorSet) : -1;
    setStatus(ReturnStatus, index >= 0 ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return index >= 0 ? int(node->mesh->colorSets[size_t(index)].colors->size()) : 0;
}

MStatus MFnMesh::createColorSet(const MString& colorSetName, MDGModifier*, bool clamped,
                                MColorRepresentation rep) {
    MESH_OR(MStatus::kInvalidParameter);
    if (!isValidName(colorSetName.asChar()) || colorSetIndex(data, &colorSetName) >= 0)
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    ColorSet set;
    set.name = colorSetName.asChar();
    set.clamped = clamped;
    set.representation = int(rep);
    copy->colorSets.push_back(std::move(set));
    if (copy->currentColorSet < 0)
        copy->currentColorSet = int(copy->colorSets.size() - 1);
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MString MFnMesh::createColorSetWithName(const MString& colorSetName, MDGModifier* modifier,
                                        MStatus* ReturnStatus) {
    Node* node = liveMesh(object_);
    if (!node || !isValidName(colorSetName.asChar())) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MString();
    }
    MString unique(numberedVariant(colorSetName.asChar(), [node](const std::string& n) {
        MString candidate(n);
        return colorSetIndex(*node->mesh, &candidate) >= 0;
    }));
    MStatus status = createColorSet(unique, modifier);
    setStatus(ReturnStatus, status);
    return status ? unique : MString();
}

MStatus MFnMesh::getColorSetNames(MStringArray& setNames) const {
    MESH_OR(MStatus::kInvalidParameter);
    setNames.clear();
    for (const ColorSet& set : data.colorSets)
        setNames.append(MString(set.name));
    return MStatus::kSuccess;
}

MStatus MFnMesh::getCurrentColorSetName(MString& name, int) const {
    MESH_OR(MStatus::kInvalidParameter);
    if (data.currentColorSet < 0)
        return MStatus::kFailure;
    name = MString(data.colorSets[size_t(data.currentColorSet)].name);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setCurrentColorSetName(const MString& name, MDGModifier*) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, &name);
    if (index < 0)
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->currentColorSet = index;
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::clearColors(const MString* colorSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->colorSets[size_t(index)].colors = emptyColors();
    copy->colorSets[size_t(index)].faceVertexIds = emptyInts();
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::setColors(const MColorArray& colors, const MString* colorSet,
                           MColorRepresentation rep) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    for (int id : *data.colorSets[size_t(index)].faceVertexIds)
        if (id >= int(colors.length()))
            return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->colorSets[size_t(index)].colors = colors.sharedData();
    copy->colorSets[size_t(index)].representation = int(rep);
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getColors(MColorArray& colors, const MString* colorSet, const MColor*) const {
    colors.clear();
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0)
        return MStatus::kFailure;
    colors = MColorArray(data.colorSets[size_t(index)].colors);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getColorIndex(int polygonId, int vertexIndex, int& colorIndex,
                               const MString* colorSet) const {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0 || !validFaceVertex(data, polygonId, vertexIndex))
        return MStatus::kFailure;
    const IntBuffer& ids = data.colorSets[size_t(index)].faceVertexIds;
    if (ids->empty())
        return MStatus::kFailure;
    int id = (*ids)[size_t(data.faceVertexOffset(polygonId) + vertexIndex)];
    if (id < 0)
        return MStatus::kFailure;
    colorIndex = id;
    return MStatus::kSuccess;
}

MStatus MFnMesh::assignColor(int polygonId, int vertexIndex, int colorId, const MString* colorSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0 || !validFaceVertex(data, polygonId, vertexIndex))
        return MStatus::kInvalidParameter;
    const ColorSet& set = data.colorSets[size_t(index)];
    if (colorId < 0 || size_t(colorId) >= set.colors->size())
        return MStatus::kInvalidParameter;
    std::vector<int> ids = expandedIds(set.faceVertexIds, data);
    ids[size_t(data.faceVertexOffset(polygonId) + vertexIndex)] = colorId;
    auto copy = editable(*node);
    copy->colorSets[size_t(index)].faceVertexIds =
        std::make_shared<const std::vector<int>>(std::move(ids));
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::assignColors(const MIntArray& colorIds, const MString* colorSet) {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0 || colorIds.length() != unsigned(data.numFaceVertices()))
        return MStatus::kInvalidParameter;
    const ColorSet& set = data.colorSets[size_t(index)];
    for (unsigned i = 0; i < colorIds.length(); ++i)
        if (colorIds[i] < -1 || (colorIds[i] >= 0 && size_t(colorIds[i]) >= set.colors->size()))
            return MStatus::kInvalidParameter;
    auto copy = editable(*node);
    copy->colorSets[size_t(index)].faceVertexIds = colorIds.sharedData();
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getFaceVertexColorIndices(MIntArray& colorIds, const MString* colorSet) const {
    MESH_OR(MStatus::kInvalidParameter);
    int index = colorSetIndex(data, colorSet);
    if (index < 0)
        return MStatus::kInvalidParameter;
    colorIds = MIntArray(std::make_shared<const std::vector<int>>(
        expandedIds(data.colorSets[size_t(index)].faceVertexIds, data)));
    return MStatus::kSuccess;
}

// ---- normals, surface, shading ----

MStatus MFnMesh::setNormals(const MFloatVectorArray& normals, MSpace::Space) {
    MESH_OR(MStatus::kInvalidParameter);
    auto copy = editable(*node);
    copy->normals = normals.sharedData();
    setMeshData(*node, copy);
    return MStatus::kSuccess;
}

MStatus MFnMesh::getNormals(MFloatVectorArray& normals, MSpace::Space) const {
    MESH_OR(MStatus::kInvalidParameter);
    if (data.normals) {
        normals = MFloatVectorArray(data.normals);
        return MStatus::kSuccess;
    }
    std::vector<MFloatVector> sums(size_t(data.numVertices()));
    for (int p = 0; p < data.numPolygons(); ++p) {
        int offset = data.faceVertexOffset(p), n = (*data.counts)[size_t(p)];
        MVector face;
        for (int k = 0; k < n; ++k) {
            const Point3& a = (*data.points)[size_t((*data.connects)[size_t(offset + k)])];
            const Point3& b =
                (*data.points)[size_t((*data.connects)[size_t(offset + (k + 1) % n)])];
            face += MVector((a[1] - b[1]) * (a[2] + b[2]), (a[2] - b[2]) * (a[0] + b[0]),
                            (a[0] - b[0]) * (a[1] + b[1]));
        }
        for (int k = 0; k < n; ++k) {
            MFloatVector& s = sums[size_t((*data.connects)[size_t(offset + k)])];
            s = s + MFloatVector(face.normal());
        }
    }
    for (MFloatVector& s : sums)
        s.normalize();
    normals = MFloatVectorArray(std::make_shared<const std::vector<MFloatVector>>(std::move(sums)));
    return MStatus::kSuccess;
}

int MFnMesh::numNormals(MStatus* ReturnStatus) const {
    MFloatVectorArray normals;
    MStatus status = getNormals(normals);
    setStatus(ReturnStatus, status);
    return int(normals.length());
}

// The scene keeps no derived display data, so there is nothing to refresh.
MStatus MFnMesh::updateSurface() {
    return liveMesh(object_) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}

// The plug-in asks once per output triangle about the same source mesh, so the
// answer is kept until the mesh's memberships or polygons change.
struct ShaderAnswer {
    std::weak_ptr<Node> mesh;
    uint32_t shadingVersion = 0;
    MeshDataPtr data;
    MObjectArray shaders;
    MIntArray indices;
};

MStatus MFnMesh::getConnectedShaders(unsigned int instanceNumber, MObjectArray& shaders,
                                     MIntArray& indices) const {
    MESH_OR(MStatus::kInvalidParameter);
    shaders.clear();
    indices.clear();
    if (instanceNumber != 0)
        return MStatus::kInvalidParameter;  // meshes have one instance here
    static ShaderAnswer cache;
    bool fresh = cache.mesh.lock().get() == node && cache.shadingVersion == node->shadingVersion &&
                 cache.data == node->mesh;
    if (!fresh) {
        std::vector<Node*> engines;
        std::vector<int> perFace;
        connectedEngines(*node, engines, perFace);
        cache.mesh = handle(*node);
        cache.shadingVersion = node->shadingVersion;
        cache.data = node->mesh;
        cache.shaders.clear();
        for (Node* engine : engines)
            cache.shaders.append(objectOf(*engine));
        cache.indices = MIntArray(std::make_shared<const std::vector<int>>(std::move(perFace)));
    }
    shaders = cache.shaders;
    indices = cache.indices;
    return MStatus::kSuccess;
}
