#include "plugin/version_cmd.h"

#include <maya/MGlobal.h>

void* VersionCmd::creator() {
    return new VersionCmd();
}

bool VersionCmd::isUndoable() const {
    return false;
}

MStatus VersionCmd::doIt(const MArgList&) {
    MGlobal::displayInfo("Kivano V1.0\n");
    MGlobal::displayInfo("paper-craft unfolding by the kivano developers, 2026\n");
    return MStatus::kSuccess;
}
