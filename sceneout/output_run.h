#pragma once
// The state one output step shares between its nets, triangles and lugs.
#include <vector>

#include <maya/MColorArray.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MIntArray.h>
#include <maya/MObject.h>

#include "sceneout/arrangement.h"
#include "sceneout/source_mesh.h"

struct OutputRun {
    std::vector<MObject>& createdObjects;
    std::vector<SourceMesh> sources;  // per mesh index
    std::vector<int> offsets;         // per mesh index, for edge ids
    MColorArray colors;               // the selection's colours, on every triangle
    MFloatVectorArray normals;        // two times (0, 0, 1)
    // Every triangle object is one polygon through its corners in order, and
    // every tab one through its four: all of them share one pair of arrays.
    MIntArray triangleCounts, triangleConnects;
    MIntArray lugCounts, lugConnects;
    Arrangement arrangement;
    bool keepMaterials = true;

    explicit OutputRun(std::vector<MObject>& created) : createdObjects(created) {
        triangleCounts.append(3);
        lugCounts.append(4);
        for (int i = 0; i < 4; ++i) {
            if (i < 3)
                triangleConnects.append(i);
            lugConnects.append(i);
        }
    }
};
