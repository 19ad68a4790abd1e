#pragma once
// Process-wide host services: script execution, messages and the active selection.
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

class MDoubleArray;
class MIntArray;
class MSelectionList;
class MStringArray;

class MGlobal {
public:
    enum ListAdjustment {
        kReplaceList,
        kXORWithList,
        kAddToList,
        kRemoveFromList,
        kAddToHeadOfList
    };

    enum MMayaState { kBatch, kInteractive, kBaseUIMode, kLibraryApp };

    // Command language. displayEnabled echoes the text; undoEnabled, at top
    // level, puts the work on the undo queue.
    static MStatus executeCommand(const MString& command, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, int& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MIntArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, double& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MDoubleArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MString& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MStringArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);

    // Python.
    static MStatus executePythonCommand(const MString& command, bool displayEnabled = false,
                                        bool undoEnabled = false);
    static MStatus executePythonCommand(const MString& command, MString& result,
                                        bool displayEnabled = false, bool undoEnabled = false);
    static MString executePythonCommandStringResult(const MString& command,
                                                    bool displayEnabled = false,
                                                    bool undoEnabled = false,
                                                    MStatus* ReturnStatus = NULL);

    static void displayInfo(const MString& theMessage);
    static void displayWarning(const MString& theWarning);
    static void displayError(const MString& theError);

    // Selection (kept by the scene).
    static MStatus getActiveSelectionList(MSelectionList& dest,
                                          bool orderedSelectionIfAvailable = false);
    static MStatus setActiveSelectionList(const MSelectionList& src,
                                          ListAdjustment listAdjustment = kReplaceList);
    static MStatus selectByName(const MString& name, ListAdjustment listAdjustment = kAddToList);
    static MStatus clearSelectionList();

    static MMayaState mayaState(MStatus* ReturnStatus = NULL);
    static int apiVersion() { return MAYA_API_VERSION; }
};
