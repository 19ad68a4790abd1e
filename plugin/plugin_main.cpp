#include "plugin/plugin_main.h"

#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MString.h>

#include "plugin/kivano_cmd.h"
#include "plugin/menu_cmd.h"
#include "plugin/mesh_info_cmd.h"
#include "plugin/version_cmd.h"

KIVANO_EXPORT const char MApiVersion[] = "201100";

const KivanoCommandEntry kivanoCommands[4] = {
    {"version", VersionCmd::creator, 1},
    {"kivano", KivanoCmd::creator, 4},
    {"kivanomenu", MenuCmd::creator, 5},
    {"meshInfo", meshInfoCmd::creator, 6},
};

const char* const kivanoMenuLines[6] = {
    "global string $gMainWindow;",
    "setParent $gMainWindow;",
    "menu -label \"Kivano\" kivanoMenu;",
    "setParent -menu kivanoMenu;",
    "menuItem -label \"Menu deutsch\" -command \"kivanomenu -l 0\";",
    "menuItem -label \"Menu english\" -command \"kivanomenu -l 1\";",
};

static MString failureText(const char* what, int number) {
    MString text(what);
    text += " failed(";
    text += number;
    text += ")";
    return text;
}

MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "kivano developers, 2026", "1.0", "Any");
    MStatus status;
    for (const KivanoCommandEntry& entry : kivanoCommands) {
        status = plugin.registerCommand(entry.name, entry.creator, NULL);
        if (!status) {
            status.perror(failureText("registerCommand", entry.failureNumber));
            return status;
        }
    }
    for (const char* line : kivanoMenuLines)
        MGlobal::executeCommand(line, true, false);
    return status;
}

MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj);
    MStatus status;
    for (const KivanoCommandEntry& entry : kivanoCommands) {
        status = plugin.deregisterCommand(entry.name);
        if (!status) {
            status.perror(failureText("deregisterCommand", entry.failureNumber));
            return status;
        }
    }
    MGlobal::executeCommand("deleteUI -menu kivanoMenu", false, false);
    return status;
}
