// Undo takes a run back completely; redo brings the same sheet back.
#include "host_fixture.h"

#include "plugin/option_controls.h"

namespace {

class Undo : public PluginTest {};

std::string sheetText() {
    std::string text;
    for (const char* prefix : {"dft", "lug"})
        for (const SheetObject& o : sheetObjects(prefix)) {
            text += o.name;
            for (const auto& p : o.points)
                text += " " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," +
                        std::to_string(p[2]);
            text += "\n";
        }
    return text;
}

TEST_F(Undo, RestoresTheSourceExactlyAndRedoRepeatsTheSheet) {
    for (bool deleteOriginal : {true, false}) {
        PluginTest::SetUp();
        addCube("a", {0, 0, 0}, true);
        addCube("b", {3, 0, 0});
        selectOnly({"a", "b"});
        openWindow();
        setOption(std::string("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=") +
                  (deleteOriginal ? "True" : "False") + ")");
        std::string before = sceneSnapshot();
        ASSERT_TRUE(pressStart());
        std::string sheet = sheetText();
        ASSERT_FALSE(sheet.empty());

        ASSERT_TRUE(run("undo"));
        EXPECT_EQ(sceneSnapshot(), before) << "deleteOriginal " << deleteOriginal;
        EXPECT_TRUE(sheetObjects("dft").empty());

        // Redo repeats the run with the options its doIt read, not the window's.
        setOption("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",edit=True,value=False)");
        ASSERT_TRUE(run("redo"));
        EXPECT_EQ(sheetText(), sheet) << "deleteOriginal " << deleteOriginal;
        ASSERT_TRUE(run("undo"));
        EXPECT_EQ(sceneSnapshot(), before) << "deleteOriginal " << deleteOriginal;
    }
}

TEST_F(Undo, RunWithNothingSelectedUndoesCleanly) {
    addCube("a", {0, 0, 0});
    run("select -cl");
    openWindow();
    std::string before = sceneSnapshot();
    ASSERT_TRUE(pressStart());
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneSnapshot(), before);
}

}  // namespace
