#include "plugin/command_arguments.h"

#include <maya/MGlobal.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

MStatus refuseStrayArguments(const MArgDatabase& argData, const char* command) {
    MStringArray words;
    argData.getObjects(words);
    if (words.length() == 0)
        return MStatus::kSuccess;
    MGlobal::displayError(MString(command) + ": unexpected argument \"" + words[0] + "\"");
    return MStatus::kInvalidParameter;
}
