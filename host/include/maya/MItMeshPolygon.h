#pragma once
// Walks the polygons of a mesh (all, or those of a polygon component) in
// ascending index order.
#include <maya/MDagPath.h>
#include <maya/MFloatArray.h>
#include <maya/MIntArray.h>
#include <maya/MObject.h>
#include <maya/MPoint.h>
#include <maya/MPointArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MVector.h>

#include <memory>
#include <vector>

namespace host::scene {
struct MeshData;
}

typedef float float2[2];

class MItMeshPolygon {
public:
    MItMeshPolygon(const MObject& polyObject, MStatus* ReturnStatus = NULL);
    MItMeshPolygon(const MDagPath& polyObject, const MObject& component = MObject::kNullObj,
                   MStatus* ReturnStatus = NULL);

    bool isDone(MStatus* ReturnStatus = NULL) const;
    MStatus next();
    MStatus reset();
    unsigned int count(MStatus* ReturnStatus = NULL) const;
    unsigned int index(MStatus* ReturnStatus = NULL) const;
    MStatus setIndex(int index, int& prevIndex);
    unsigned int polygonVertexCount(MStatus* ReturnStatus = NULL) const;
    unsigned int vertexIndex(int index, MStatus* ReturnStatus = NULL) const;
    MStatus getVertices(MIntArray& vertices) const;
    // Corner `index` of the polygon; kWorld applies the mesh's world matrix.
    MPoint point(int index, MSpace::Space space = MSpace::kObject,
                 MStatus* ReturnStatus = NULL) const;
    MStatus getPoints(MPointArray& pointArray, MSpace::Space space = MSpace::kObject) const;
    MPoint center(MSpace::Space space = MSpace::kObject, MStatus* ReturnStatus = NULL) const;
    // The polygons that share an edge with this one, each once, in ascending order.
    MStatus getConnectedFaces(MIntArray& faces) const;
    bool hasUVs(MStatus* ReturnStatus = NULL) const;
    MStatus getUVIndex(int vertex, int& index, const MString* uvSet = NULL) const;
    MStatus getUVIndex(int vertex, int& index, float& u, float& v,
                       const MString* uvSet = NULL) const;
    MStatus getUV(int vertex, float2& uvPoint, const MString* uvSet = NULL) const;
    MStatus getNormal(MVector& normal, MSpace::Space space = MSpace::kObject) const;

private:
    bool valid() const;
    const std::vector<int>& adjacency() const;

    MObject mesh_;
    std::shared_ptr<const host::scene::MeshData> data_;
    std::vector<int> faces_;  // the polygons walked, ascending
    size_t position_ = 0;
    // The polygons sharing an edge with each polygon, built on first use.
    mutable std::shared_ptr<std::vector<std::vector<int>>> neighbours_;
};
