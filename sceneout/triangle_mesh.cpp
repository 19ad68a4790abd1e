#include "sceneout/triangle_mesh.h"

#include <cassert>

#include <maya/MDagModifier.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MPointArray.h>

#include "geometry/gt.h"
#include "sceneout/edge_ids.h"
#include "sceneout/names.h"
#include "sceneout/output_run.h"
#include "sceneout/sheet_attribute.h"
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

// The record tells whoever reads the sheet back what the unfolding decided
// of this triangle: its net and place, for each edge its mesh id, whether it
// was joined (a fold) and its fold angle, and where the triangle sits on the
// model (the source may be gone by the time anyone reads the sheet).
static sheet_record::Triangle recordOf(const OutputRun& run, const gt& g, unsigned position) {
    sheet_record::Triangle record;
    record.net = unsigned(g.container);
    record.position = position;
    double ids[3];
    edgeIds(g, run.offsets, ids);
    for (int k = 0; k < 3; ++k) {
        record.edgeId[k] = int(ids[k]);
        record.fold[k] = g.joined[k];
        record.foldAngle[k] = g.fold[k];
        for (int axis = 0; axis < 3; ++axis)
            record.world[k][axis] = g.P[k][axis];
    }
    return record;
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
    // Its own modifier, so that a shading group the scene refuses cannot cost
    // the triangle its record.
    MDagModifier recordModifier;
    addRecordCommands(recordModifier, node.name(), recordOf(run, g, t));
    recordModifier.doIt();
}
