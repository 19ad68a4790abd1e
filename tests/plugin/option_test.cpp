// Conversions of the option window's answers, and reading them from a live
// window in the host.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <maya/MArgList.h>

#include "../host/python_window_lines.h"
#include "../host_session_environment.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "geometry/options.h"
#include "plugin/kivano_cmd.h"
#include "plugin/menu_cmd.h"
#include "plugin/option_controls.h"
#include "plugin/option_text.h"

namespace {

TEST(OptionText, CheckBoxesLookAtTheFirstCharacter) {
    for (const char* yes : {"True", "true", "1", "T", "t"})
        EXPECT_TRUE(KivanoCmd::parseFlag(yes)) << yes;
    for (const char* no : {"False", "false", "0", "", "yes", "F"})
        EXPECT_FALSE(KivanoCmd::parseFlag(no)) << no;
    EXPECT_FALSE(KivanoCmd::parseFlag(nullptr));
}

TEST(OptionText, LengthsInMillimetresBecomeCentimetres) {
    double cm = -1;
    EXPECT_TRUE(parseLength("210", cm));
    EXPECT_DOUBLE_EQ(cm, 21.0);
    EXPECT_TRUE(parseLength("297", cm));
    EXPECT_DOUBLE_EQ(cm, 29.7);
    EXPECT_TRUE(parseLength("4", cm));
    EXPECT_DOUBLE_EQ(cm, 0.4);
    EXPECT_TRUE(parseLength(" 2.5 ", cm));
    EXPECT_DOUBLE_EQ(cm, 0.25);
    for (const char* bad : {"", "abc", "0", "-5", "nan", "inf", "1e999", "12mm", "-0"}) {
        cm = 7.0;
        EXPECT_FALSE(parseLength(bad, cm)) << bad;
        EXPECT_EQ(cm, 7.0) << bad;
    }
}

TEST(OptionText, RadioButtonNamesGiveTheArrangement) {
    EXPECT_EQ(parseArrangement("r0"), 0);
    EXPECT_EQ(parseArrangement("r2"), 2);
    EXPECT_EQ(drawnArrangement(2), 2);
    EXPECT_EQ(drawnArrangement(0), 0);
    EXPECT_EQ(drawnArrangement(7), 1);
    EXPECT_EQ(drawnArrangement(-1), 1);
}

// The window script is the host's own text: the plug-in must send it to the byte as
// the independent copy that the host's window tests run.
TEST(MenuLines, AreTheWindowScriptToTheByte) {
    auto sent = [](int lang) {
        const char* const* lines = menuWindowLines(lang);
        return std::vector<std::string>(lines, lines + menuWindowLineCount);
    };
    EXPECT_EQ(std::vector<std::string>(std::begin(menuSetupLines), std::end(menuSetupLines)),
              kivano_test::setupLines());
    EXPECT_EQ(sent(0), kivano_test::germanWindowLines());
    EXPECT_EQ(sent(1), kivano_test::englishWindowLines());
}

class ReadOptions : public ::testing::Test {
protected:
    void SetUp() override {
        KivanoOptions = KivanoOptionsRecord();
        MenuCmd menu;
        MArgList none;
        ASSERT_TRUE(menu.doIt(none));
        host::clearMessageLog();
    }
    void TearDown() override { KivanoOptions = KivanoOptionsRecord(); }

    static int warnings() {
        int n = 0;
        for (const host::Message& m : host::messageLog())
            n += m.kind == host::MessageKind::Warning &&
                 m.text.rfind("kivano: could not read", 0) == 0;
        return n;
    }
};

TEST_F(ReadOptions, WindowDefaultsGiveTheStartValuesAndLayered) {
    KivanoOptions.pageWidth = 1;
    KivanoOptions.generateLugs = false;
    KivanoCmd cmd;
    ASSERT_TRUE(cmd.readOptions());
    EXPECT_DOUBLE_EQ(KivanoOptions.pageWidth, 21.0);
    EXPECT_DOUBLE_EQ(KivanoOptions.pageHeight, 29.7);
    EXPECT_DOUBLE_EQ(KivanoOptions.maxLugWidth, 0.4);
    EXPECT_FALSE(KivanoOptions.limitPageSize);
    EXPECT_TRUE(KivanoOptions.generateLugs);
    EXPECT_TRUE(KivanoOptions.deleteOriginal);
    EXPECT_TRUE(KivanoOptions.keepMaterials);
    EXPECT_EQ(KivanoOptions.arrangement, 2);
    EXPECT_EQ(warnings(), 0);
}

TEST_F(ReadOptions, EditedControlsAreRead) {
    host::runPython("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",edit=True,text='100')");
    host::runPython("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",edit=True,value=True)");
    host::runPython("cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",edit=True,value=False)");
    host::runPython("cmds.radioButton(" KIVANO_CONTROL_SIDE_BY_SIDE ",edit=True,select=True)");
    KivanoCmd cmd;
    ASSERT_TRUE(cmd.readOptions());
    EXPECT_DOUBLE_EQ(KivanoOptions.pageWidth, 10.0);
    EXPECT_TRUE(KivanoOptions.limitPageSize);
    EXPECT_FALSE(KivanoOptions.keepMaterials);
    EXPECT_EQ(KivanoOptions.arrangement, 0);
}

TEST_F(ReadOptions, BadLengthChangesNoOption) {
    host::runPython("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",edit=True,value=False)");
    host::runPython("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",edit=True,text='abc')");
    KivanoCmd cmd;
    EXPECT_FALSE(cmd.readOptions());
    EXPECT_TRUE(KivanoOptions.generateLugs);
    EXPECT_DOUBLE_EQ(KivanoOptions.pageHeight, 29.7);
    bool named = false;
    for (const host::Message& m : host::messageLog())
        named |= m.kind == host::MessageKind::Error &&
                 m.text.find("kivano: page height (" KIVANO_CONTROL_PAGE_HEIGHT ")") == 0;
    EXPECT_TRUE(named);
}

TEST_F(ReadOptions, MissingWindowKeepsEveryValue) {
    host::runPython("cmds.deleteUI('newWindow',window=True)");
    KivanoOptions.pageWidth = 5.0;
    KivanoOptions.arrangement = 1;
    KivanoOptions.deleteOriginal = false;
    KivanoCmd cmd;
    ASSERT_TRUE(cmd.readOptions());
    EXPECT_DOUBLE_EQ(KivanoOptions.pageWidth, 5.0);
    EXPECT_EQ(KivanoOptions.arrangement, 1);
    EXPECT_FALSE(KivanoOptions.deleteOriginal);
    EXPECT_EQ(warnings(), 1);
}

}  // namespace
