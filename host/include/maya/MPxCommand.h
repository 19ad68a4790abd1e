#pragma once
// The base of every plug-in command. The host makes one object per call,
// runs doIt, and keeps the object for undo and redo when isUndoable().
#include <maya/MArgList.h>
#include <maya/MDoubleArray.h>
#include <maya/MIntArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>
#include <maya/MTypes.h>

class MPxCommand {
public:
    MPxCommand() = default;
    virtual ~MPxCommand() = default;

    virtual MStatus doIt(const MArgList& args);
    virtual MStatus undoIt();
    virtual MStatus redoIt();
    virtual bool isUndoable() const;
    virtual bool hasSyntax() const;

    MSyntax syntax() const { return MSyntax(); }
    bool isHistoryOn() const { return historyOn_; }
    MStatus setHistoryOn(bool state) {
        historyOn_ = state;
        return MStatus::kSuccess;
    }
    MString commandString() const { return commandString_; }
    MStatus setCommandString(const MString& text) {
        commandString_ = text;
        return MStatus::kSuccess;
    }

    static void displayInfo(const MString& theInfo);
    static void displayWarning(const MString& theWarning);
    static void displayError(const MString& theError);

    // The result of the running command, handed to its caller.
    static void clearResult();
    static void setResult(unsigned int val);
    static void setResult(int val);
    static void setResult(double val);
    static void setResult(bool val);
    static void setResult(const char* val);
    static void setResult(const MString& val);
    static void setResult(const MIntArray& val);
    static void setResult(const MDoubleArray& val);
    static void setResult(const MStringArray& val);
    static void appendToResult(int val);
    static void appendToResult(double val);
    static void appendToResult(bool val);
    static void appendToResult(const char* val);
    static void appendToResult(const MString& val);
    static void appendToResult(const MStringArray& val);

private:
    bool historyOn_ = true;
    MString commandString_;
};
