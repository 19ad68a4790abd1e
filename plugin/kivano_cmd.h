#pragma once
// The unfold command "kivano": reads the option window, merges and
// triangulates the selection, unfolds every mesh of the scene into flat nets
// and writes the sheet back into the scene, undoably.
#include <vector>

#include <maya/MDGModifier.h>
#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MPxCommand.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

class MArgList;

class KivanoCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;
    MStatus redoIt() override;
    MStatus undoIt() override;
    bool isUndoable() const override;

    static void* creator();

    // Fills the process-wide options from the option window. Fields whose
    // query fails keep their value; a failure status means a length field
    // held no usable number and the options were left as they were.
    MStatus readOptions();
    static bool parseFlag(const char* text);

    void execute();
    void extractPolygons();
    void initTriangles();
    void drawContainer(int arrangement);

    MDGModifier dgMod;
    MDGModifier dgMod3;
    std::vector<MDagPath> meshPaths;
    std::vector<MObject> createdObjects;
    MStringArray rememberselection;
    MString rememberselectionflat;
    bool doubleundoflag = false;
};

extern const char* const kivanoHelpText;
