#include "sceneout/shading.h"

#include <maya/MFnDependencyNode.h>
#include <maya/MFnMesh.h>
#include <maya/MObjectArray.h>

static const char* const defaultShadingGroup = "initialShadingGroup";

ShadingLookup readShading(MFnMesh& mesh) {
    ShadingLookup shading;
    MObjectArray shaders;
    mesh.getConnectedShaders(0, shaders, shading.indices);
    for (unsigned i = 0; i < shaders.length(); ++i)
        shading.names.append(MFnDependencyNode(shaders[i]).name());
    return shading;
}

MString shadingGroupOf(const ShadingLookup& shading, int polygonid) {
    int engines = static_cast<int>(shading.names.length());
    if (engines == 0)
        return defaultShadingGroup;
    if (engines == 1)
        return shading.names[0];
    if (polygonid < 0 || polygonid >= static_cast<int>(shading.indices.length()))
        return defaultShadingGroup;
    int engine = shading.indices[polygonid];
    if (engine < 0 || engine >= engines)
        return defaultShadingGroup;
    return shading.names[engine];
}

MString getSGName(MFnMesh& mesh, int polygonid) {
    return shadingGroupOf(readShading(mesh), polygonid);
}
