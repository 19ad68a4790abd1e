#include <maya/MItMeshPolygon.h>

#include "scene/mesh_topology.h"
#include "scene/node_types.h"

using namespace host::scene;

static void setStatus(MStatus* status, bool ok) {
    if (status)
        *status = ok ? MStatus::kSuccess : MStatus::kFailure;
}

// The iterator reads the mesh data as it was when the iterator was made.
MItMeshPolygon::MItMeshPolygon(const MObject& polyObject, MStatus* ReturnStatus)
    : MItMeshPolygon(MDagPath(polyObject), MObject::kNullObj, ReturnStatus) {}

MItMeshPolygon::MItMeshPolygon(const MDagPath& polyObject, const MObject& component,
                               MStatus* ReturnStatus) {
    Node* mesh = liveMesh(polyObject.node());
    if (!mesh) {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kInvalidParameter;
        return;
    }
    mesh_ = objectOf(*mesh);
    data_ = mesh->mesh;
    if (const std::vector<int>* faces = component.componentFaces()) {
        for (int f : *faces)
            if (f >= 0 && f < data_->numPolygons())
                faces_.push_back(f);
    } else {
        faces_.resize(size_t(data_->numPolygons()));
        for (size_t i = 0; i < faces_.size(); ++i)
            faces_[i] = int(i);
    }
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
}

bool MItMeshPolygon::valid() const {
    return data_ && position_ < faces_.size();
}

bool MItMeshPolygon::isDone(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, data_ != nullptr);
    return !valid();
}

MStatus MItMeshPolygon::next() {
    if (!valid())
        return MStatus::kFailure;
    ++position_;
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::reset() {
    position_ = 0;
    return data_ ? MStatus::kSuccess : MStatus::kFailure;
}

unsigned int MItMeshPolygon::count(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, data_ != nullptr);
    return data_ ? unsigned(data_->numPolygons()) : 0u;
}

unsigned int MItMeshPolygon::index(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, valid());
    return valid() ? unsigned(faces_[position_]) : 0u;
}

MStatus MItMeshPolygon::setIndex(int index, int& prevIndex) {
    if (!data_ || index < 0 || index >= data_->numPolygons())
        return MStatus::kInvalidParameter;
    prevIndex = valid() ? faces_[position_] : -1;
    auto it = std::lower_bound(faces_.begin(), faces_.end(), index);
    if (it == faces_.end() || *it != index)
        return MStatus::kInvalidParameter;
    position_ = size_t(it - faces_.begin());
    return MStatus::kSuccess;
}

unsigned int MItMeshPolygon::polygonVertexCount(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, valid());
    return valid() ? unsigned((*data_->counts)[size_t(faces_[position_])]) : 0u;
}

unsigned int MItMeshPolygon::vertexIndex(int index, MStatus* ReturnStatus) const {
    bool ok = valid() && index >= 0 && index < int(polygonVertexCount());
    setStatus(ReturnStatus, ok);
    if (!ok)
        return 0u;
    return unsigned((*data_->connects)[size_t(data_->faceVertexOffset(faces_[position_]) + index)]);
}

MStatus MItMeshPolygon::getVertices(MIntArray& vertices) const {
    vertices.clear();
    if (!valid())
        return MStatus::kFailure;
    for (unsigned int k = 0; k < polygonVertexCount(); ++k)
        vertices.append(int(vertexIndex(int(k))));
    return MStatus::kSuccess;
}

MPoint MItMeshPolygon::point(int index, MSpace::Space space, MStatus* ReturnStatus) const {
    bool ok = valid() && index >= 0 && index < int(polygonVertexCount());
    setStatus(ReturnStatus, ok);
    if (!ok)
        return MPoint();
    int vertex = int(vertexIndex(index));
    if (vertex < 0 || vertex >= data_->numVertices()) {
        setStatus(ReturnStatus, false);
        return MPoint();
    }
    Point3 p = (*data_->points)[size_t(vertex)];
    Node* mesh = liveNode(mesh_);
    if (space == MSpace::kWorld && mesh)
        p = transformPoint(worldMatrix(*mesh), p);
    return MPoint(p[0], p[1], p[2]);
}

MStatus MItMeshPolygon::getPoints(MPointArray& pointArray, MSpace::Space space) const {
    pointArray.clear();
    if (!valid())
        return MStatus::kFailure;
    for (unsigned int k = 0; k < polygonVertexCount(); ++k)
        pointArray.append(point(int(k), space));
    return MStatus::kSuccess;
}

MPoint MItMeshPolygon::center(MSpace::Space space, MStatus* ReturnStatus) const {
    MPointArray points;
    MStatus status = getPoints(points, space);
    setStatus(ReturnStatus, status && points.length());
    MPoint sum(0, 0, 0);
    for (unsigned int i = 0; i < points.length(); ++i)
        sum += MVector(points[i].x, points[i].y, points[i].z);
    return points.length()
               ? MPoint(sum.x / points.length(), sum.y / points.length(), sum.z / points.length())
               : sum;
}

const std::vector<int>& MItMeshPolygon::adjacency() const {
    if (!neighbours_)
        neighbours_ = std::make_shared<std::vector<std::vector<int>>>(edgeNeighbours(*data_));
    return (*neighbours_)[size_t(faces_[position_])];
}

MStatus MItMeshPolygon::getConnectedFaces(MIntArray& faces) const {
    faces.clear();
    if (!valid())
        return MStatus::kFailure;
    for (int f : adjacency())
        faces.append(f);
    return MStatus::kSuccess;
}

static const UVSet* findUVSet(const MeshData& data, const MString* uvSet) {
    return data.uvSet(uvSet ? std::string_view(uvSet->asChar()) : std::string_view());
}

bool MItMeshPolygon::hasUVs(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, valid());
    if (!valid())
        return false;
    const UVSet* set = findUVSet(*data_, nullptr);
    if (!set || set->faceVertexIds->empty())
        return false;
    int offset = data_->faceVertexOffset(faces_[position_]);
    for (unsigned int k = 0; k < polygonVertexCount(); ++k)
        if ((*set->faceVertexIds)[size_t(offset) + k] < 0)
            return false;
    return true;
}

MStatus MItMeshPolygon::getUVIndex(int vertex, int& index, const MString* uvSet) const {
    if (!valid() || vertex < 0 || vertex >= int(polygonVertexCount()))
        return MStatus::kInvalidParameter;
    const UVSet* set = findUVSet(*data_, uvSet);
    if (!set || set->faceVertexIds->empty())
        return MStatus::kFailure;
    int id = (*set->faceVertexIds)[size_t(data_->faceVertexOffset(faces_[position_]) + vertex)];
    if (id < 0)
        return MStatus::kFailure;
    index = id;
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::getUVIndex(int vertex, int& index, float& u, float& v,
                                   const MString* uvSet) const {
    int id = -1;
    MStatus status = getUVIndex(vertex, id, uvSet);
    if (!status)
        return status;
    const UVSet* set = findUVSet(*data_, uvSet);
    if (size_t(id) >= set->u->size())
        return MStatus::kFailure;
    index = id;
    u = (*set->u)[size_t(id)];
    v = (*set->v)[size_t(id)];
    return MStatus::kSuccess;
}

MStatus MItMeshPolygon::getUV(int vertex, float2& uvPoint, const MString* uvSet) const {
    int id = 0;
    return getUVIndex(vertex, id, uvPoint[0], uvPoint[1], uvSet);
}

MStatus MItMeshPolygon::getNormal(MVector& normal, MSpace::Space space) const {
    MPointArray p;
    MStatus status = getPoints(p, space);
    if (!status)
        return status;
    // Newell's method: robust for any planar or slightly non-planar polygon.
    MVector n;
    for (unsigned int i = 0; i < p.length(); ++i) {
        const MPoint& a = p[i];
        const MPoint& b = p[(i + 1) % p.length()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    normal = n.normal();
    return MStatus::kSuccess;
}
