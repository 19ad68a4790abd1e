#include "plugin/menu_cmd.h"

#include <maya/MArgDatabase.h>
#include <maya/MArgList.h>
#include <maya/MGlobal.h>
#include <maya/MSyntax.h>

#include "plugin/command_arguments.h"
#include "plugin/option_controls.h"

int language = 0;

const char* const menuSetupLines[3] = {
    "import maya.cmds as cmds",
    "def kivanostart():\n cmds.kivano()",
    "if cmds.window('newWindow',exists=True):\n cmds.deleteUI('newWindow',window=True)",
};

static const char* const germanLines[menuWindowLineCount] = {
    "newWindow=cmds.window('newWindow',title=\"Kivano V1.0\",widthHeight=(140,160))",
    "cmds.tabLayout(\"tabs\",image='smallTrash.xpm',imageVisible=False)",
    "cmds.columnLayout('Algorithmus',columnAttach=('both',1),rowSpacing=5,columnWidth=160)",
    KIVANO_CONTROL_DELETE_ORIGINAL "=cmds.checkBox('Original loeschen',align='left',value=True)",
    KIVANO_CONTROL_KEEP_MATERIALS
    "=cmds.checkBox(label='Materialien uebernehmen',align='left',value=True)",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.columnLayout('Format',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
    KIVANO_CONTROL_LIMIT_PAGE
    "=cmds.checkBox(label='Seitengroesse beschraenken',align='left',value=False)",
    KIVANO_CONTROL_PAGE_WIDTH "=cmds.textFieldGrp(label='Breite(mm)',text='210')",
    KIVANO_CONTROL_PAGE_HEIGHT "=cmds.textFieldGrp(label='Hoehe(mm)',text='297')",
    "cmds.text('Ergebnis anordnen:',align='left')",
    KIVANO_CONTROL_ARRANGEMENT "=cmds.radioCollection()",
    KIVANO_CONTROL_SIDE_BY_SIDE
    "=cmds.radioButton(\"r0\",label='nebeneinander',align='left',select=False)",
    KIVANO_CONTROL_ANIMATION
    "=cmds.radioButton(\"r1\",label='Animation',align='left',select=False)",
    KIVANO_CONTROL_LAYERED "=cmds.radioButton(\"r2\",label='Schichtbild',align='left',select=True)",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.columnLayout('Laschen',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
    KIVANO_CONTROL_GENERATE_LUGS
    "=cmds.checkBox(label='Laschen generieren',align='left',value=True)",
    KIVANO_CONTROL_LUG_WIDTH "=cmds.textFieldGrp(label='Maximale Breite(mm)',text='4')",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.showWindow(newWindow)",
};

static const char* const englishLines[menuWindowLineCount] = {
    "newWindow=cmds.window('newWindow',title=\"Kivano V1.0\",widthHeight=(140,160))",
    "cmds.tabLayout(\"tabs\",image='smallTrash.xpm',imageVisible=False)",
    "cmds.columnLayout('algorithm',columnAttach=('both',1),rowSpacing=5,columnWidth=160)",
    KIVANO_CONTROL_DELETE_ORIGINAL "=cmds.checkBox('delete original',align='left',value=True)",
    KIVANO_CONTROL_KEEP_MATERIALS "=cmds.checkBox(label='keep materials',align='left',value=True)",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.columnLayout('format',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
    KIVANO_CONTROL_LIMIT_PAGE "=cmds.checkBox(label='limitate pagesize',align='left',value=False)",
    KIVANO_CONTROL_PAGE_WIDTH "=cmds.textFieldGrp(label='width(mm)',text='210')",
    KIVANO_CONTROL_PAGE_HEIGHT "=cmds.textFieldGrp(label='height(mm)',text='297')",
    "cmds.text('result alignment:',align='left')",
    KIVANO_CONTROL_ARRANGEMENT "=cmds.radioCollection()",
    KIVANO_CONTROL_SIDE_BY_SIDE
    "=cmds.radioButton(\"r0\",label='side by side',align='left',select=False)",
    KIVANO_CONTROL_ANIMATION
    "=cmds.radioButton(\"r1\",label='animation',align='left',select=False)",
    KIVANO_CONTROL_LAYERED "=cmds.radioButton(\"r2\",label='layered',align='left',select=True)",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.columnLayout('lugs',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
    KIVANO_CONTROL_GENERATE_LUGS "=cmds.checkBox(label='generate lugs',align='left',value=True)",
    KIVANO_CONTROL_LUG_WIDTH "=cmds.textFieldGrp(label='maximum width(mm)',text='4')",
    "cmds.button(label=\"Start\",command=\"kivanostart()\")",
    "cmds.setParent('..')",
    "cmds.showWindow(newWindow)",
};

const char* const* menuWindowLines(int lang) {
    return lang == 0 ? germanLines : englishLines;
}

void* MenuCmd::creator() {
    return new MenuCmd();
}

bool MenuCmd::isUndoable() const {
    return false;
}

// The window is built whatever the arguments held: a bad language argument
// is reported through the returned status only.
MStatus MenuCmd::doIt(const MArgList& args) {
    MSyntax syntax;
    syntax.addFlag("l", "language", MSyntax::kUnsigned);
    MStatus status;
    MArgDatabase argData(syntax, args, &status);
    if (status)
        status = refuseStrayArguments(argData, "kivanomenu");
    if (status && argData.isFlagSet("language")) {
        int value = language;
        status = argData.getFlagArgument("language", 0, value);
        if (status)
            language = value;
    }
    if (language < 0 || language > 1)
        language = 1;
    for (const char* line : menuSetupLines)
        MGlobal::executePythonCommand(line, false, false);
    const char* const* lines = menuWindowLines(language);
    for (int i = 0; i < menuWindowLineCount; ++i)
        MGlobal::executePythonCommand(lines[i], false, false);
    return status;
}
