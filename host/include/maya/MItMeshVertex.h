#pragma once
// Walks the vertices of a mesh (all, or a component's) in ascending index order.
#include <maya/MDagPath.h>
#include <maya/MFloatArray.h>
#include <maya/MIntArray.h>
#include <maya/MObject.h>
#include <maya/MPoint.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <memory>
#include <vector>

namespace host::scene {
struct MeshData;
struct Corner;
}  // namespace host::scene

typedef float float2[2];

class MItMeshVertex {
public:
    MItMeshVertex(const MObject& polyObject, MStatus* ReturnStatus = NULL);
    MItMeshVertex(const MDagPath& polyObject, const MObject& component = MObject::kNullObj,
                  MStatus* ReturnStatus = NULL);

    bool isDone(MStatus* ReturnStatus = NULL) const;
    MStatus next();
    MStatus reset();
    unsigned int count(MStatus* ReturnStatus = NULL) const;
    int index(MStatus* ReturnStatus = NULL) const;
    MPoint position(MSpace::Space space = MSpace::kObject, MStatus* ReturnStatus = NULL) const;
    // The UV of the vertex: that of its first face-vertex that has one.
    MStatus getUV(float2& uvPoint, const MString* uvSet = NULL) const;
    // The UVs of the vertex in every face around it that gives it one, with those faces.
    MStatus getUVs(MFloatArray& uArray, MFloatArray& vArray, MIntArray& faceIds,
                   const MString* uvSet = NULL) const;
    MStatus numUVs(int& count, const MString* uvSet = NULL) const;
    MStatus getConnectedFaces(MIntArray& faceList) const;

private:
    bool valid() const;
    const std::vector<std::vector<host::scene::Corner>>& corners() const;

    MObject mesh_;
    std::shared_ptr<const host::scene::MeshData> data_;
    size_t position_ = 0;
    mutable std::shared_ptr<std::vector<std::vector<host::scene::Corner>>>
        corners_;  // per vertex, built on first use
};
