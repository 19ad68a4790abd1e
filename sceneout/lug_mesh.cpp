#include "sceneout/lug_mesh.h"

#include <cassert>

#include <maya/MDagModifier.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MPointArray.h>

#include "geometry/gt.h"
#include "sceneout/names.h"
#include "sceneout/output_run.h"
#include "sceneout/sheet_attribute.h"
#include "unfold/gtc.h"

// Along the edge from vertex k + 1 to vertex k, then back along the tab's
// outer side.
static MPointArray lugPoints(const OutputRun& run, const gtc& net, const gt& g, int k) {
    MPointArray points;
    points.append(
        outputPoint(run.arrangement, g.placedVertex((k + 1) % 3, net.rot, net.trans, net.pivot)));
    points.append(outputPoint(run.arrangement, g.placedVertex(k, net.rot, net.trans, net.pivot)));
    points.append(
        outputPoint(run.arrangement, g.placedLugPoint(k, 1, net.rot, net.trans, net.pivot)));
    points.append(
        outputPoint(run.arrangement, g.placedLugPoint(k, 0, net.rot, net.trans, net.pivot)));
    return points;
}

void buildLugObject(OutputRun& run, const gtc& net, unsigned t, int k) {
    const gt& g = *net.triangle(t);
    assert(g.lugs[k][0]);
    MPointArray points = lugPoints(run, net, g, k);
    const SourceMesh& source = run.sources[g.meshindex];

    run.createdObjects.push_back(MObject());
    MFnMesh lugmesh;
    MObject transform = lugmesh.create(4, 1, points, run.lugCounts, run.lugConnects, source.us,
                                       source.vs, MObject::kNullObj);
    run.createdObjects.back() = transform;
    MFnDagNode node;
    node.setObject(transform);
    node.setName(lugName(net, t, k).c_str());
    lugmesh.updateSurface();
    lugmesh.setNormals(run.normals, MSpace::kWorld);
    MDagModifier modifier;  // one per object, as for triangles
    modifier.commandToExecute("sets -add initialShadingGroup " + lugmesh.name());
    modifier.doIt();
    // The tab's record names the triangle edge it belongs to, so the sheet
    // never has to guess it from the tab's name or from where it lies.
    MDagModifier recordModifier;
    addRecordCommands(recordModifier, node.name(), sheet_record::Tab{unsigned(g.container), t, k});
    recordModifier.doIt();
}
