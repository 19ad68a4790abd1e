#pragma once
// The option window exactly as the plug-in builds it: three set-up lines, then
// 24 window lines in German or English.
#include <string>
#include <vector>

#include "plugin/option_controls.h"

namespace kivano_test {

inline std::vector<std::string> setupLines() {
    return {
        "import maya.cmds as cmds",
        "def kivanostart():\n cmds.kivano()",
        "if cmds.window('newWindow',exists=True):\n cmds.deleteUI('newWindow',window=True)",
    };
}

inline std::vector<std::string> germanWindowLines() {
    return {
        "newWindow=cmds.window('newWindow',title=\"Kivano V1.0\",widthHeight=(140,160))",
        "cmds.tabLayout(\"tabs\",image='smallTrash.xpm',imageVisible=False)",
        "cmds.columnLayout('Algorithmus',columnAttach=('both',1),rowSpacing=5,columnWidth=160)",
        "cb3=cmds.checkBox('Original loeschen',align='left',value=True)",
        "cb4=cmds.checkBox(label='Materialien uebernehmen',align='left',value=True)",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.columnLayout('Format',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
        "cb1=cmds.checkBox(label='Seitengroesse beschraenken',align='left',value=False)",
        "tf1=cmds.textFieldGrp(label='Breite(mm)',text='210')",
        "tf2=cmds.textFieldGrp(label='Hoehe(mm)',text='297')",
        "cmds.text('Ergebnis anordnen:',align='left')",
        "radios2=cmds.radioCollection()",
        "rb3=cmds.radioButton(\"r0\",label='nebeneinander',align='left',select=False)",
        "rb4=cmds.radioButton(\"r1\",label='Animation',align='left',select=False)",
        "rb5=cmds.radioButton(\"r2\",label='Schichtbild',align='left',select=True)",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.columnLayout('Laschen',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
        "cb2=cmds.checkBox(label='Laschen generieren',align='left',value=True)",
        "tf3=cmds.textFieldGrp(label='Maximale Breite(mm)',text='4')",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.showWindow(newWindow)",
    };
}

inline std::vector<std::string> englishWindowLines() {
    return {
        "newWindow=cmds.window('newWindow',title=\"Kivano V1.0\",widthHeight=(140,160))",
        "cmds.tabLayout(\"tabs\",image='smallTrash.xpm',imageVisible=False)",
        "cmds.columnLayout('algorithm',columnAttach=('both',1),rowSpacing=5,columnWidth=160)",
        "cb3=cmds.checkBox('delete original',align='left',value=True)",
        "cb4=cmds.checkBox(label='keep materials',align='left',value=True)",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.columnLayout('format',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
        "cb1=cmds.checkBox(label='limitate pagesize',align='left',value=False)",
        "tf1=cmds.textFieldGrp(label='width(mm)',text='210')",
        "tf2=cmds.textFieldGrp(label='height(mm)',text='297')",
        "cmds.text('result alignment:',align='left')",
        "radios2=cmds.radioCollection()",
        "rb3=cmds.radioButton(\"r0\",label='side by side',align='left',select=False)",
        "rb4=cmds.radioButton(\"r1\",label='animation',align='left',select=False)",
        "rb5=cmds.radioButton(\"r2\",label='layered',align='left',select=True)",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.columnLayout('lugs',columnAttach=('both',1),rowSpacing=5,columnWidth=220)",
        "cb2=cmds.checkBox(label='generate lugs',align='left',value=True)",
        "tf3=cmds.textFieldGrp(label='maximum width(mm)',text='4')",
        "cmds.button(label=\"Start\",command=\"kivanostart()\")",
        "cmds.setParent('..')",
        "cmds.showWindow(newWindow)",
    };
}

// The queries with which the unfold command reads the window back.
inline std::vector<std::string> optionQueries() {
    return {
        "cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)",
        "cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",query=True,text=True)",
        "cmds.textFieldGrp(" KIVANO_CONTROL_LUG_WIDTH ",query=True,text=True)",
        "cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,value=True)",
        "cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",query=True,value=True)",
        "cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",query=True,value=True)",
        "cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",query=True,value=True)",
        "cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)",
    };
}

}  // namespace kivano_test
