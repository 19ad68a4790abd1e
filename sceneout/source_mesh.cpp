#include "sceneout/source_mesh.h"

#include "scenein/extract.h"

static SourceMesh readSourceMesh(const MDagPath& path) {
    SourceMesh source;
    MStatus status;
    auto mesh = std::make_unique<MFnMesh>(path, &status);
    if (!status)
        return source;
    mesh->getCurrentUVSetName(source.uvSetName, -1);
    mesh->getUVs(source.us, source.vs, &source.uvSetName);
    source.shading = readShading(*mesh);
    source.mesh = std::move(mesh);
    return source;
}

std::vector<SourceMesh> readSourceMeshes(const std::vector<MDagPath>& meshPaths) {
    std::vector<SourceMesh> sources;
    sources.reserve(meshPaths.size());
    for (const MDagPath& path : meshPaths)
        sources.push_back(readSourceMesh(path));
    return sources;
}

int sourcePolygonId(int meshindex, int faceindex) {
    if (meshindex < 0 || meshindex >= static_cast<int>(lookupgtpower.size()))
        return -1;
    const std::vector<int>& table = lookupgtpower[meshindex];
    if (faceindex < 0 || faceindex >= static_cast<int>(table.size()))
        return -1;
    return table[faceindex];
}
