#pragma once
// "meshInfo": a read-only walk over the UV data of the selected meshes.
#include <maya/MPxCommand.h>
#include <maya/MString.h>

class MArgList;
class MDagPath;

class meshInfoCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;

    static void* creator();
};

// The text composed for one mesh: path, UV sets with their sizes, the current
// set, and per vertex its UV and face-vertex UVs. Empty when path is no mesh.
MString describeMeshUVs(const MDagPath& path);
