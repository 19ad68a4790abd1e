#pragma once
// Which shading group (material) a polygon of a source mesh belongs to.
#include <maya/MIntArray.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

class MFnMesh;

// The engines of a mesh's instance 0 and, per polygon, the index of its
// engine in that list (-1 for a polygon in none).
struct ShadingLookup {
    MStringArray names;
    MIntArray indices;
};

ShadingLookup readShading(MFnMesh& mesh);

// No engine, or a polygon outside every engine: "initialShadingGroup";
// one engine: its name for every polygon.
MString shadingGroupOf(const ShadingLookup& shading, int polygonid);

MString getSGName(MFnMesh& mesh, int polygonid);
