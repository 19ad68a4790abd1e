#pragma once
// "version": tells the user which release of the plug-in is loaded.
#include <maya/MPxCommand.h>

class MArgList;

class VersionCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;
    bool isUndoable() const override;

    static void* creator();
};
