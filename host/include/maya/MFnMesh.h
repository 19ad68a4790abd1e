#pragma once
// Function set for polygon meshes: creation, points, polygons, UV sets,
// colour sets, normals and shading.
//
// create() with a null parent makes a new transform ("polySurface1", ...)
// with the mesh ("polySurfaceShape1", ...) under it and returns the
// transform; with a transform as parent it makes only the mesh, under that
// transform, and returns the mesh. Either way the function set is then
// attached to the new mesh. The mesh gets the UV set "map1" as its current
// set: the U and V arrays given (which may be empty) become its UV table,
// and no face-vertex has a UV until assignUVs.
#include <maya/MColor.h>
#include <maya/MColorArray.h>
#include <maya/MDagPath.h>
#include <maya/MFloatArray.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MFnDagNode.h>
#include <maya/MIntArray.h>
#include <maya/MObjectArray.h>
#include <maya/MPoint.h>
#include <maya/MPointArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

class MDGModifier;

class MFnMesh : public MFnDagNode {
public:
    enum MColorRepresentation { kAlpha = 1, kRGB = 3, kRGBA = 4 };

    MFnMesh() = default;
    MFnMesh(MObject& object, MStatus* ReturnStatus = NULL);
    MFnMesh(const MObject& object, MStatus* ReturnStatus = NULL);
    // A path to a transform attaches to the mesh under it.
    MFnMesh(const MDagPath& path, MStatus* ReturnStatus = NULL);

    MFn::Type type() const override { return MFn::kMesh; }
    // A transform attaches to the mesh under it.
    MStatus setObject(MObject& object) override;
    MStatus setObject(const MObject& object) override;
    MStatus setObject(const MDagPath& path) override;

    MObject create(int numVertices, int numPolygons, const MFloatPointArray& vertexArray,
                   const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                   MObject parentOrOwner = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MObject create(int numVertices, int numPolygons, const MFloatPointArray& vertexArray,
                   const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                   const MFloatArray& uArray, const MFloatArray& vArray,
                   MObject parentOrOwner = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MObject create(int numVertices, int numPolygons, const MPointArray& vertexArray,
                   const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                   MObject parentOrOwner = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MObject create(int numVertices, int numPolygons, const MPointArray& vertexArray,
                   const MIntArray& polygonCounts, const MIntArray& polygonConnects,
                   const MFloatArray& uArray, const MFloatArray& vArray,
                   MObject parentOrOwner = MObject::kNullObj, MStatus* ReturnStatus = NULL);

    // Topology and points.
    int numVertices(MStatus* ReturnStatus = NULL) const;
    int numPolygons(MStatus* ReturnStatus = NULL) const;
    int numFaceVertices(MStatus* ReturnStatus = NULL) const;
    int polygonVertexCount(int polygonId, MStatus* ReturnStatus = NULL) const;
    MStatus getPolygonVertices(int polygonId, MIntArray& vertexList) const;
    MStatus getVertices(MIntArray& vertexCount, MIntArray& vertexList) const;
    MStatus getPoints(MPointArray& vertexArray, MSpace::Space space = MSpace::kObject) const;
    MStatus getPoints(MFloatPointArray& vertexArray, MSpace::Space space = MSpace::kObject) const;
    MStatus getPoint(int vertexId, MPoint& pos, MSpace::Space space = MSpace::kObject) const;
    MStatus setPoints(const MPointArray& vertexArray, MSpace::Space space = MSpace::kObject);
    MStatus setPoint(int vertexId, const MPoint& pos, MSpace::Space space = MSpace::kObject);

    // UV sets.
    int numUVSets(MStatus* ReturnStatus = NULL) const;
    int numUVs(MStatus* ReturnStatus = NULL) const;
    int numUVs(const MString& uvSet, MStatus* ReturnStatus = NULL) const;
    MStatus getUVSetNames(MStringArray& setNames) const;
    MStatus getCurrentUVSetName(MString& setName, int instance = -1) const;
    MStatus setCurrentUVSetName(const MString& setName, MDGModifier* modifier = NULL);
    MString createUVSetWithName(const MString& setName, MDGModifier* modifier = NULL,
                                MStatus* ReturnStatus = NULL);
    MStatus getUVs(MFloatArray& uArray, MFloatArray& vArray, const MString* uvSet = NULL) const;
    MStatus setUVs(const MFloatArray& uArray, const MFloatArray& vArray,
                   const MString* uvSet = NULL);
    MStatus assignUVs(const MIntArray& uvCounts, const MIntArray& uvIds,
                      const MString* uvSet = NULL);
    MStatus getAssignedUVs(MIntArray& uvCounts, MIntArray& uvIds,
                           const MString* uvSet = NULL) const;
    // Fails (uvId untouched) when that face-vertex has no UV.
    MStatus getPolygonUVid(int polygonId, int vertexIndex, int& uvId,
                           const MString* uvSet = NULL) const;
    MStatus getPolygonUV(int polygonId, int vertexIndex, float& u, float& v,
                         const MString* uvSet = NULL) const;
    MStatus clearUVs(const MString* uvSet = NULL);

    // Colour sets. The first set made becomes the current one.
    int numColorSets(MStatus* ReturnStatus = NULL) const;
    int numColors(MStatus* ReturnStatus = NULL) const;
    int numColors(const MString& colorSet, MStatus* ReturnStatus = NULL) const;
    MStatus createColorSet(const MString& colorSetName, MDGModifier* modifier = NULL,
                           bool clamped = true, MColorRepresentation rep = kRGBA);
    MString createColorSetWithName(const MString& colorSetName, MDGModifier* modifier = NULL,
                                   MStatus* ReturnStatus = NULL);
    MStatus getColorSetNames(MStringArray& setNames) const;
    MStatus getCurrentColorSetName(MString& setName, int instance = -1) const;
    MStatus setCurrentColorSetName(const MString& setName, MDGModifier* modifier = NULL);
    MStatus clearColors(const MString* colorSet = NULL);
    MStatus setColors(const MColorArray& colors, const MString* colorSet = NULL,
                      MColorRepresentation rep = kRGBA);
    // The set's colour table; defaultUnsetColor is accepted and not needed
    // (the table has no unset entries).
    MStatus getColors(MColorArray& colors, const MString* colorSet = NULL,
                      const MColor* defaultUnsetColor = NULL) const;
    // Fails (colorIndex untouched) when that face-vertex has no colour.
    MStatus getColorIndex(int polygonId, int vertexIndex, int& colorIndex,
                          const MString* colorSet = NULL) const;
    MStatus assignColor(int polygonId, int vertexIndex, int colorId,
                        const MString* colorSet = NULL);
    MStatus assignColors(const MIntArray& colorIds, const MString* colorSet = NULL);
    MStatus getFaceVertexColorIndices(MIntArray& colorIds, const MString* colorSet = NULL) const;

    // Normals: the array given is kept as the mesh's normal data.
    MStatus setNormals(const MFloatVectorArray& normals,
                       MSpace::Space space = MSpace::kPreTransform);
    // The kept normals, or per-vertex normals averaged from the faces when none were set.
    MStatus getNormals(MFloatVectorArray& normals, MSpace::Space space = MSpace::kObject) const;
    int numNormals(MStatus* ReturnStatus = NULL) const;

    MStatus updateSurface();

    // The shading engines of the instance and, per polygon, the index of its
    // engine in that list, or -1 for a polygon in none.
    MStatus getConnectedShaders(unsigned int instanceNumber, MObjectArray& shaders,
                                MIntArray& indices) const;

protected:
    bool accepts(const MObject& object) const override;
};
