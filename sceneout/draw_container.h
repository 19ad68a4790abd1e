#pragma once
// The output step: writes every active net into the scene, one object per
// triangle and per glue tab, arranged side by side, as an animation or in
// layers, and records what it created for undo.
#include <vector>

#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

// The unfold command's members that the output reads and fills.
struct OutputRecord {
    std::vector<MObject>& createdObjects;
    const std::vector<MDagPath>& meshPaths;
    MStringArray& rememberselection;
    MString& rememberselectionflat;
};

// arrangement: 0 side by side, 1 animation, 2 layered.
void drawContainer(OutputRecord& record, int arrangement);
