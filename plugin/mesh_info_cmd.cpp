#include "plugin/mesh_info_cmd.h"

#include <maya/MArgList.h>
#include <maya/MDagPath.h>
#include <maya/MFloatArray.h>
#include <maya/MFnMesh.h>
#include <maya/MGlobal.h>
#include <maya/MIntArray.h>
#include <maya/MItMeshVertex.h>
#include <maya/MItSelectionList.h>
#include <maya/MObject.h>
#include <maya/MSelectionList.h>
#include <maya/MStringArray.h>

void* meshInfoCmd::creator() {
    return new meshInfoCmd();
}

static void describeUVSets(MFnMesh& mesh, MString& text) {
    MStringArray setNames;
    mesh.getUVSetNames(setNames);
    for (unsigned i = 0; i < setNames.length(); ++i) {
        text += "uv set ";
        text += setNames[i];
        text += ": ";
        text += mesh.numUVs(setNames[i]);
        text += " uvs\n";
    }
}

static void describeVertexUVs(const MDagPath& path, const MString& uvSet, MString& text) {
    MStatus status;
    MItMeshVertex vertex(path, MObject::kNullObj, &status);
    if (!status)
        return;
    for (; !vertex.isDone(); vertex.next()) {
        MFloatArray us, vs;
        MIntArray faceIds;
        if (!vertex.getUVs(us, vs, faceIds, &uvSet))
            continue;
        text += "vertex ";
        text += vertex.index();
        for (unsigned i = 0; i < us.length(); ++i) {
            text += " (";
            text += us[i];
            text += " ";
            text += vs[i];
            text += ")";
        }
        text += "\n";
    }
}

MString describeMeshUVs(const MDagPath& path) {
    MStatus status;
    MFnMesh mesh(path, &status);
    if (!status)
        return MString();
    MString text = path.fullPathName() + "\n";
    describeUVSets(mesh, text);
    MString current;
    mesh.getCurrentUVSetName(current);
    text += "current uv set: " + current + "\n";
    describeVertexUVs(path, current, text);
    return text;
}

// The composed text is kept for a debugger; nothing in the system shows it.
MStatus meshInfoCmd::doIt(const MArgList&) {
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    MString text;
    for (MItSelectionList item(selection); !item.isDone(); item.next()) {
        MDagPath path;
        MObject component;
        if (!item.getDagPath(path, component))
            continue;
        text += describeMeshUVs(path);
    }
    return MStatus::kSuccess;
}
