#pragma once
// What the output needs of one source mesh, fetched once per run: every
// triangle object of the mesh gets the same UV arrays, which lets the host
// keep one copy of them however many triangles there are.
#include <memory>
#include <vector>

#include <maya/MDagPath.h>
#include <maya/MFloatArray.h>
#include <maya/MFnMesh.h>
#include <maya/MString.h>

#include "sceneout/shading.h"

struct SourceMesh {
    std::unique_ptr<MFnMesh> mesh;  // null when the path no longer holds a mesh
    MString uvSetName;
    MFloatArray us;
    MFloatArray vs;
    ShadingLookup shading;
};

// One entry per mesh index.
std::vector<SourceMesh> readSourceMeshes(const std::vector<MDagPath>& meshPaths);

// The source polygon id of a triangle's faceindex, or -1 outside the table.
int sourcePolygonId(int meshindex, int faceindex);
