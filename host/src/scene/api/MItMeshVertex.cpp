#include <maya/MItMeshVertex.h>

#include "scene/mesh_topology.h"
#include "scene/node_types.h"

using namespace host::scene;

MItMeshVertex::MItMeshVertex(const MObject& polyObject, MStatus* ReturnStatus)
    : MItMeshVertex(MDagPath(polyObject), MObject::kNullObj, ReturnStatus) {}

MItMeshVertex::MItMeshVertex(const MDagPath& polyObject, const MObject&, MStatus* ReturnStatus) {
    Node* mesh = liveMesh(polyObject.node());
    if (ReturnStatus)
        *ReturnStatus = mesh ? MStatus::kSuccess : MStatus::kInvalidParameter;
    if (!mesh)
        return;
    mesh_ = objectOf(*mesh);
    data_ = mesh->mesh;
}

bool MItMeshVertex::valid() const {
    return data_ && position_ < size_t(data_->numVertices());
}

bool MItMeshVertex::isDone(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = data_ ? MStatus::kSuccess : MStatus::kFailure;
    return !valid();
}

MStatus MItMeshVertex::next() {
    if (!valid())
        return MStatus::kFailure;
    ++position_;
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::reset() {
    position_ = 0;
    return data_ ? MStatus::kSuccess : MStatus::kFailure;
}

unsigned int MItMeshVertex::count(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = data_ ? MStatus::kSuccess : MStatus::kFailure;
    return data_ ? unsigned(data_->numVertices()) : 0u;
}

int MItMeshVertex::index(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = valid() ? MStatus::kSuccess : MStatus::kFailure;
    return valid() ? int(position_) : -1;
}

MPoint MItMeshVertex::position(MSpace::Space space, MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = valid() ? MStatus::kSuccess : MStatus::kFailure;
    if (!valid())
        return MPoint();
    Point3 p = (*data_->points)[position_];
    Node* mesh = liveNode(mesh_);
    if (space == MSpace::kWorld && mesh)
        p = transformPoint(worldMatrix(*mesh), p);
    return MPoint(p[0], p[1], p[2]);
}

const std::vector<std::vector<Corner>>& MItMeshVertex::corners() const {
    if (!corners_)
        corners_ = std::make_shared<std::vector<std::vector<Corner>>>(vertexCorners(*data_));
    return *corners_;
}

MStatus MItMeshVertex::getUVs(MFloatArray& uArray, MFloatArray& vArray, MIntArray& faceIds,
                              const MString* uvSet) const {
    uArray.clear();
    vArray.clear();
    faceIds.clear();
    if (!valid())
        return MStatus::kFailure;
    const UVSet* set = data_->uvSet(uvSet ? std::string_view(uvSet->asChar()) : std::string_view());
    if (!set)
        return MStatus::kInvalidParameter;
    if (set->faceVertexIds->empty())
        return MStatus::kSuccess;
    for (const Corner& c : corners()[position_]) {
        int id = (*set->faceVertexIds)[size_t(c.faceVertex)];
        if (id < 0 || size_t(id) >= set->u->size())
            continue;
        uArray.append((*set->u)[size_t(id)]);
        vArray.append((*set->v)[size_t(id)]);
        faceIds.append(c.polygon);
    }
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::getUV(float2& uvPoint, const MString* uvSet) const {
    MFloatArray u, v;
    MIntArray faces;
    MStatus status = getUVs(u, v, faces, uvSet);
    if (!status)
        return status;
    if (!u.length())
        return MStatus::kFailure;
    uvPoint[0] = u[0];
    uvPoint[1] = v[0];
    return MStatus::kSuccess;
}

MStatus MItMeshVertex::numUVs(int& count, const MString* uvSet) const {
    MFloatArray u, v;
    MIntArray faces;
    MStatus status = getUVs(u, v, faces, uvSet);
    if (status)
        count = int(u.length());
    return status;
}

MStatus MItMeshVertex::getConnectedFaces(MIntArray& faceList) const {
    faceList.clear();
    if (!valid())
        return MStatus::kFailure;
    for (const Corner& c : corners()[position_])
        if (!faceList.length() || faceList[faceList.length() - 1] != c.polygon)
            faceList.append(c.polygon);
    return MStatus::kSuccess;
}
