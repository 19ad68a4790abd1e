#include "sceneout/triangle_mesh.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <string>

#include <maya/MDagModifier.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MPointArray.h>

#include "geometry/gt.h"
#include "sceneout/edge_ids.h"
#include "sceneout/names.h"
#include "sceneout/output_run.h"
#include "unfold/gtc.h"

static const char* const colorSetName = "ColorSet";

static MPointArray trianglePoints(const OutputRun& run, const gtc& net, const gt& g) {
    MPointArray points;
    for (int k = 0; k < 3; ++k)
        points.append(
            outputPoint(run.arrangement, g.placedVertex(k, net.rot, net.trans, net.pivot)));
    return points;
}

// A face-vertex without a UV leaves the whole face unmapped rather than
// half-mapped with ids of another face.
static void transferUVs(const SourceMesh& source, int polygonId, MFnMesh& meshi,
                        const MIntArray& counts) {
    MIntArray fvUVIDs;
    for (int k = 0; k < 3; ++k) {
        int uvId = -1;
        if (!source.mesh->getPolygonUVid(polygonId, k, uvId, &source.uvSetName))
            return;
        fvUVIDs.append(uvId);
    }
    meshi.assignUVs(counts, fvUVIDs, &source.uvSetName);
}

static void transferColors(const SourceMesh& source, int polygonId, MFnMesh& meshi) {
    MString setName(colorSetName);
    for (int k = 0; k < 3; ++k) {
        int colorIndex = -1;
        if (source.mesh->getColorIndex(polygonId, k, colorIndex))
            meshi.assignColor(0, k, colorIndex, &setName);
    }
}

static void transferSourceData(OutputRun& run, const SourceMesh& source, int polygonId,
                               MFnMesh& meshi, const MIntArray& counts) {
    meshi.setUVs(source.us, source.vs, &source.uvSetName);
    MString setName(colorSetName);
    meshi.createColorSet(setName);
    meshi.clearColors(&setName);
    meshi.setColors(run.colors);
    if (!source.mesh || polygonId < 0)
        return;
    transferUVs(source, polygonId, meshi, counts);
    transferColors(source, polygonId, meshi);
}

static MString materialOf(const OutputRun& run, const SourceMesh& source, int polygonId) {
    if (!run.keepMaterials)
        return "initialShadingGroup";
    return shadingGroupOf(source.shading, polygonId);
}

// Shortest text that reads back to the same double: exact, and less for the
// command language to scan than a fixed 17 digits. Whole numbers (ids, nets,
// positions) go without an exponent.
static void appendValue(std::string& text, double value) {
    char digits[32];
    bool whole = std::fabs(value) < 1e15 && value == std::floor(value);
    auto [end, error] =
        whole ? std::to_chars(digits, digits + sizeof(digits), static_cast<long long>(value))
              : std::to_chars(digits, digits + sizeof(digits), value);
    assert(error == std::errc());
    text += ' ';
    text.append(digits, end);
}

// One attribute per triangle carries what the sheet needs of it: the ids and
// fold angles of its three edges, then its net and position. The name holds
// the net and position only up to 9999; past that it is a fixed fallback, so
// whoever reads the sheet back finds them here. One attribute rather than two
// halves the commands and undo steps a run keeps per triangle.
static void addEdgeAttribute(OutputRun& run, const gt& g, unsigned position, const MString& name) {
    double ids[3];
    edgeIds(g, run.offsets, ids);
    std::string values = " 8";
    for (double id : ids)
        appendValue(values, id);
    for (double fold : g.fold)
        appendValue(values, fold);
    appendValue(values, g.container);
    appendValue(values, position);
    values += ';';
    MDagModifier modifier;
    modifier.commandToExecute("addAttr -ln \"kivanoEdges\" -dt \"doubleArray\" " + name + ";");
    modifier.commandToExecute("setAttr " + name + ".kivanoEdges -type \"doubleArray\"" +
                              MString(values.c_str()));
    modifier.doIt();
}

void buildTriangleObject(OutputRun& run, const gtc& net, unsigned t) {
    const gt& g = *net.triangle(t);
    MPointArray points = trianglePoints(run, net, g);
    assert(g.meshindex >= 0 && g.meshindex < static_cast<int>(run.sources.size()));
    const SourceMesh& source = run.sources[g.meshindex];
    int polygonId = sourcePolygonId(g.meshindex, g.faceindex);

    run.createdObjects.push_back(MObject());
    MFnMesh meshi;
    MObject transform = meshi.create(3, 1, points, run.triangleCounts, run.triangleConnects,
                                     source.us, source.vs, MObject::kNullObj);
    run.createdObjects.back() = transform;
    transferSourceData(run, source, polygonId, meshi, run.triangleCounts);
    meshi.updateSurface();
    MFnDagNode node(transform);
    node.setName(triangleName(net, t).c_str());
    meshi.updateSurface();
    meshi.setNormals(run.normals, MSpace::kWorld);

    // A modifier per object: the run's undo deletes what it created, so the
    // steps a modifier keeps would only pile up for nothing.
    MDagModifier modifier;
    modifier.commandToExecute("sets -add " + materialOf(run, source, polygonId) + " " +
                              meshi.name());
    modifier.doIt();
    addEdgeAttribute(run, g, t, node.name());
}
