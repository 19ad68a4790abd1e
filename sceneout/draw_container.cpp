#include "sceneout/draw_container.h"

#include <maya/MFnMesh.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>

#include "geometry/gt.h"
#include "geometry/options.h"
#include "sceneout/edge_ids.h"
#include "sceneout/lug_mesh.h"
#include "sceneout/names.h"
#include "sceneout/output_run.h"
#include "sceneout/triangle_mesh.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

// The colours of the last mesh of the selection, or none.
static MColorArray selectionColors(const MSelectionList& selection) {
    MColorArray colors;
    for (MItSelectionList item(selection); !item.isDone(); item.next()) {
        MDagPath path;
        MObject component;
        if (!item.getDagPath(path, component))
            continue;
        MStatus status;
        MFnMesh mesh(path, &status);
        if (status)
            mesh.getColors(colors);
    }
    return colors;
}

static void recordSelection(OutputRecord& record) {
    MGlobal::executeCommand("ls -sl", record.rememberselection, true, true);
    record.rememberselectionflat = flatSelection(record.rememberselection);
}

// True when the net yielded at least one object.
static bool drawNet(OutputRun& run, gtc& net) {
    net.centerOnOrigin();
    net.rot = mat3d();
    bool drawn = false;
    for (unsigned t = 0; t < net.size() && net.active; ++t) {
        buildTriangleObject(run, net, t);
        for (int k = 0; k < 3; ++k)
            if (net.triangle(t)->lugs[k][0])
                buildLugObject(run, net, t, k);
        drawn = true;
    }
    return drawn;
}

// The run keeps every created object for its undo: one block of the right
// size rather than a doubling one.
static size_t objectCount() {
    size_t count = 0;
    for (const auto& net : gtcvec)
        for (unsigned t = 0; net->active && t < net->size(); ++t) {
            ++count;
            for (int k = 0; k < 3; ++k)
                count += net->triangle(t)->lugs[k][0] ? 1 : 0;
        }
    return count;
}

void drawContainer(OutputRecord& record, int arrangement) {
    record.createdObjects.clear();
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    recordSelection(record);

    record.createdObjects.reserve(objectCount());
    OutputRun run(record.createdObjects);
    run.colors = selectionColors(selection);
    run.normals.append(MFloatVector(0.0f, 0.0f, 1.0f));
    setUpArrangement(run.arrangement, arrangement);
    run.normals.append(MFloatVector(0.0f, 0.0f, 1.0f));
    run.sources = readSourceMeshes(record.meshPaths);
    run.offsets = meshOffsets();
    run.keepMaterials = KivanoOptions.keepMaterials;

    for (unsigned c = 0; c < gtcvec.size(); ++c)
        if (drawNet(run, *gtcvec[c]))
            advanceArrangement(run.arrangement, c);
}
