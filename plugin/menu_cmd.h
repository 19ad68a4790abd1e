#pragma once
// "kivanomenu": builds the option window of the unfold command, in German
// (-l 0) or English (-l 1), from Python lines sent to the host.
#include <maya/MPxCommand.h>

class MArgList;

class MenuCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;
    bool isUndoable() const override;

    static void* creator();
};

// 0 = German, 1 = English; keeps the last language used.
extern int language;

// The window's lines in the given language, in the order they are sent.
const char* const* menuWindowLines(int lang);
extern const char* const menuSetupLines[3];
constexpr int menuWindowLineCount = 24;
