// UI commands from both script languages: queries, edits, bad input, pressing
// buttons and menu items.
#include <string>
#include <vector>

#include "core/command.h"
#include "plugin/option_controls.h"
#include "python_test_support.h"
#include "python_window_lines.h"
#include "ui/ui_api.h"

namespace {

using kivano_test::lastError;
using kivano_test::pythonValue;
using kivano_test::runLines;

class UiControls : public kivano_test::PythonHostTest {
protected:
    void SetUp() override {
        PythonHostTest::SetUp();
        ASSERT_EQ(runLines(kivano_test::setupLines()), 0) << lastError();
        ASSERT_EQ(runLines(kivano_test::englishWindowLines()), 0) << lastError();
    }
};

host::Value languageResult(const std::string& text, MStatus* status = nullptr) {
    host::Value result;
    host::ExecOptions options;
    MStatus s = host::executeCommandLanguage(text, &result, options);
    if (status)
        *status = s;
    return result;
}

// A command of the test's own that counts its calls and keeps its arguments.
struct Recorder {
    int calls = 0;
    host::Invocation last;
};

Recorder& addRecorder(const std::string& name) {
    static std::vector<std::unique_ptr<Recorder>> recorders;
    recorders.push_back(std::make_unique<Recorder>());
    Recorder* recorder = recorders.back().get();
    host::CommandRegistry::instance().remove(name);
    host::CommandSpec entry;
    entry.name = name;
    entry.owner = "test";
    entry.run = [recorder](const host::Invocation& call, host::CommandContext& context) {
        ++recorder->calls;
        recorder->last = call;
        context.result = host::Value(host::Value::List{host::Value("a"), host::Value(1),
                                                       host::Value(2.5), host::Value(true)});
        return MStatus(MStatus::kSuccess);
    };
    host::CommandRegistry::instance().add(std::move(entry));
    return *recorder;
}

TEST_F(UiControls, QueryOfAMissingControlFailsWithItsName) {
    std::string result;
    MStatus status = host::runPythonWithResult("cmds.checkBox('x',query=True,value=True)", result);
    EXPECT_FALSE(status);
    EXPECT_EQ(result, "");
    EXPECT_TRUE(kivano_test::logContains("checkBox: Object 'x' not found."));
    EXPECT_EQ(lastError(), "RuntimeError: checkBox: Object 'x' not found.");

    // A variable that was never set is Python's own error.
    EXPECT_FALSE(host::runPythonWithResult("cmds.textFieldGrp(tf9,query=True,text=True)", result));
    EXPECT_EQ(lastError(), "NameError: name 'tf9' is not defined");

    MStatus languageStatus;
    languageResult("textFieldGrp -q -text nosuchfield", &languageStatus);
    EXPECT_FALSE(languageStatus);
    EXPECT_EQ(lastError(), "textFieldGrp: Object 'nosuchfield' not found.");

    // The window itself is still intact after the failures.
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)"),
              "210");
}

TEST_F(UiControls, EditsReadBackInBothLanguages) {
    ASSERT_EQ(
        runLines({"cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",edit=True,text='180')",
                  "cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",edit=True,value=False)",
                  "cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",edit=True,select='r0')"}),
        0)
        << lastError();
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)"),
              "180");
    EXPECT_EQ(pythonValue("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",query=True,value=True)"),
              "False");
    EXPECT_EQ(
        pythonValue("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)"),
        "r0");
    EXPECT_EQ(pythonValue("cmds.radioButton(" KIVANO_CONTROL_LAYERED ",query=True,select=True)"),
              "False");

    // The command language reaches the same records, by short name or path.
    MStatus status;
    languageResult("radioButton -e -select true r1", &status);
    EXPECT_TRUE(status) << lastError();
    EXPECT_EQ(
        pythonValue("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)"),
        "r1");
    host::Value text =
        languageResult("textFieldGrp -q -tx \"newWindow|tabs|format|textFieldGrp1\"", &status);
    ASSERT_TRUE(status) << lastError();
    ASSERT_TRUE(text.isString());
    EXPECT_EQ(std::get<std::string>(text.data), "180");
    // The command language knows no Python variables: it names the control itself.
    languageResult("checkBox -edit -value on checkBox2", &status);
    EXPECT_TRUE(status) << lastError();
    EXPECT_EQ(pythonValue("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",q=True,v=True)"), "True");
}

TEST_F(UiControls, BadEditsChangeNothing) {
    std::string result;
    EXPECT_FALSE(host::runPython("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE
                                 ",edit=True,label='new',value='maybe')"));
    EXPECT_EQ(pythonValue("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,label=True)"),
              "limitate pagesize");
    EXPECT_FALSE(host::runPython("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH
                                 ",edit=True,text='1',bogus=3)"));
    EXPECT_NE(lastError().find("invalid flag -bogus"), std::string::npos) << lastError();
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)"),
              "210");
    EXPECT_FALSE(host::runPython("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT
                                 ",edit=True,select='r7')"));
    EXPECT_EQ(
        pythonValue("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)"),
        "r2");
    EXPECT_FALSE(
        host::runPython("cmds.tabLayout('tabs',edit=True,imageVisible=True,selectTab='x')"));
    EXPECT_EQ(pythonValue("cmds.tabLayout('tabs',query=True,imageVisible=True)"), "False");
    EXPECT_EQ(pythonValue("cmds.tabLayout('tabs',query=True,selectTab=True)"), "algorithm");
    EXPECT_FALSE(host::runPython("cmds.window(newWindow,edit=True,widthHeight=(1,2,3))"));
    EXPECT_EQ(pythonValue("cmds.window(newWindow,query=True,widthHeight=True)"), "[140, 160]");
    // A name already taken under the same parent is refused, the old control kept.
    EXPECT_FALSE(
        host::runPython("cmds.setParent('newWindow|tabs|format')\n"
                        "cmds.radioButton('r0',label='again')"));
    EXPECT_EQ(pythonValue("cmds.radioButton('r0',query=True,label=True)"), "side by side");
    // Controls need a layout.
    EXPECT_FALSE(
        host::runPython("cmds.setParent(newWindow)\ncmds.setParent('..')\n"
                        "cmds.checkBox(label='orphan')"));
}

TEST_F(UiControls, PressingAStartButtonRunsTheUnfoldCommandOnce) {
    Recorder& kivano = addRecorder("kivano");
    ASSERT_TRUE(host::ui::pressButton("newWindow|tabs|lugs|button3"));
    EXPECT_EQ(kivano.calls, 1);
    EXPECT_TRUE(kivano.last.fromPython);
    ASSERT_TRUE(host::ui::pressButton("button1"));
    EXPECT_EQ(kivano.calls, 2);
    EXPECT_FALSE(host::ui::pressButton("nosuchbutton"));
    EXPECT_EQ(lastError(), "button: Object 'nosuchbutton' not found.");
    host::CommandRegistry::instance().remove("kivano");
}

TEST_F(UiControls, PressRunsPythonFunctionsAndCommandLanguageAlike) {
    ASSERT_EQ(runLines({"presses = []", "def hit(): presses.append(len(presses))",
                        "cmds.setParent(newWindow + '|tabs|format')",
                        "b = cmds.button(label='Go', command='hit()')",
                        "f = cmds.button(label='Fn', command=hit)"}),
              0)
        << lastError();
    ASSERT_TRUE(host::ui::pressButton(pythonValue("b")));
    ASSERT_TRUE(host::ui::press(pythonValue("f")));
    EXPECT_EQ(pythonValue("presses"), "[0, 1]");

    // A button made in the command language runs command-language text.
    Recorder& recorder = addRecorder("recordMe");
    MStatus status;
    host::Value path =
        languageResult("button -label \"Rec\" -command \"recordMe -flag 3\" recButton", &status);
    ASSERT_TRUE(status) << lastError();
    ASSERT_TRUE(host::ui::pressButton("recButton"));
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_FALSE(recorder.last.fromPython);

    // Clicking a check box toggles it and runs its change command.
    ASSERT_TRUE(host::runPython("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE
                                ",edit=True,changeCommand='hit()')"));
    ASSERT_TRUE(host::ui::press(pythonValue(KIVANO_CONTROL_LIMIT_PAGE)));
    EXPECT_EQ(pythonValue("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,value=True)"),
              "True");
    EXPECT_EQ(pythonValue("len(presses)"), "3");
    ASSERT_TRUE(host::ui::press("r0"));
    EXPECT_EQ(
        pythonValue("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)"),
        "r0");
    host::CommandRegistry::instance().remove("recordMe");
}

TEST_F(UiControls, AControlMayDeleteItsOwnWindowWhenPressed) {
    ASSERT_EQ(runLines({"seen = []", "cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE
                                     ",edit=True,changeCommand=\"cmds.deleteUI('newWindow')\","
                                     "onCommand='seen.append(1)')"}),
              0)
        << lastError();
    ASSERT_TRUE(host::ui::press(pythonValue(KIVANO_CONTROL_LIMIT_PAGE))) << lastError();
    EXPECT_EQ(host::ui::findControl("newWindow"), nullptr);
    EXPECT_EQ(pythonValue("seen"), "[1]");
}

TEST_F(UiControls, CommandLanguageBuildsWindowsToo) {
    MStatus status;
    host::Value path =
        languageResult("window -title \"Other\" -widthHeight 200 100 other", &status);
    ASSERT_TRUE(status) << lastError();
    EXPECT_EQ(std::get<std::string>(path.data), "other");
    path = languageResult("columnLayout -rowSpacing 3", &status);
    ASSERT_TRUE(status) << lastError();
    EXPECT_EQ(std::get<std::string>(path.data), "other|columnLayout1");
    path = languageResult("checkBox -label \"on\" -value true", &status);
    ASSERT_TRUE(status) << lastError();
    // Generated names are unique across every window: the option window holds checkBox1 to 3.
    EXPECT_EQ(std::get<std::string>(path.data), "other|columnLayout1|checkBox4");
    EXPECT_EQ(pythonValue("cmds.setParent(query=True)"), "other|columnLayout1");
    EXPECT_EQ(pythonValue("cmds.checkBox('checkBox4',q=True,value=True)"), "True");
    EXPECT_EQ(pythonValue("cmds.window('other',q=True,width=True)"), "200");
    // A bad argument type is refused before anything is made.
    languageResult("checkBox -value maybe", &status);
    EXPECT_FALSE(status);
    EXPECT_EQ(pythonValue("cmds.columnLayout('columnLayout1',q=True,numberOfChildren=True)"), "1");
    // Both windows are there; the option window is untouched.
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",query=True,text=True)"),
              "297");
}

TEST_F(UiControls, MenuOfTheMainWindowRunsItsItems) {
    Recorder& menuCommand = addRecorder("kivanomenu");
    const std::vector<std::string> lines = {
        "global string $gMainWindow;",
        "setParent $gMainWindow;",
        "menu -label \"Kivano\" kivanoMenu;",
        "setParent -menu kivanoMenu;",
        "menuItem -label \"Menu deutsch\" -command \"kivanomenu -l 0\";",
        "menuItem -label \"Menu english\" -command \"kivanomenu -l 1\";",
    };
    for (const std::string& line : lines) {
        MStatus status;
        languageResult(line, &status);
        ASSERT_TRUE(status) << line << ": " << lastError();
    }
    EXPECT_EQ(pythonValue("cmds.menu('kivanoMenu',query=True,label=True)"), "Kivano");
    EXPECT_EQ(pythonValue("cmds.menu('kivanoMenu',query=True,numberOfItems=True)"), "2");
    MStatus madeOther;
    host::Value other =
        languageResult("menu -label \"Other\" -parent $gMainWindow otherMenu", &madeOther);
    ASSERT_TRUE(madeOther) << lastError();
    EXPECT_EQ(std::get<std::string>(other.data), "MayaWindow|otherMenu");
    ASSERT_TRUE(host::ui::triggerMenuItem("MayaWindow|kivanoMenu|menuItem2"));
    EXPECT_EQ(menuCommand.calls, 1);
    ASSERT_EQ(menuCommand.last.flags.size(), 1u);
    EXPECT_EQ(menuCommand.last.flags[0].name, "l");
    MStatus status;
    languageResult("deleteUI -menu kivanoMenu", &status);
    EXPECT_TRUE(status) << lastError();
    EXPECT_EQ(host::ui::findControl("kivanoMenu"), nullptr);
    EXPECT_EQ(host::ui::findControl("menuItem1"), nullptr);
    host::CommandRegistry::instance().remove("kivanomenu");
}

TEST_F(UiControls, DeleteUiChecksEveryNameFirst) {
    EXPECT_FALSE(host::runPython("cmds.deleteUI('newWindow','nosuch',window=True)"));
    EXPECT_NE(host::ui::findControl("newWindow"), nullptr);
    EXPECT_FALSE(host::runPython("cmds.deleteUI('tabs',window=True)"));
    EXPECT_NE(host::ui::findControl("tabs"), nullptr);
    EXPECT_FALSE(host::runPython("cmds.deleteUI('MayaWindow',window=True)"));
    ASSERT_TRUE(host::runPython("cmds.deleteUI('newWindow',window=True)")) << lastError();
    EXPECT_EQ(pythonValue("cmds.window('newWindow',exists=True)"), "False");
    // The variables outlive the window; their queries fail with the control's name.
    std::string result;
    EXPECT_FALSE(host::runPythonWithResult(
        "cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,value=True)", result));
    EXPECT_EQ(lastError(),
              "RuntimeError: checkBox: Object 'newWindow|tabs|format|checkBox2' not found.");
}

TEST_F(UiControls, PythonArgumentsReachCommandsAsTheCommandLanguageGivesThem) {
    Recorder& recorder = addRecorder("echoArgs");
    EXPECT_EQ(pythonValue("cmds.echoArgs('pCube1', 2, 0.5, (1, 'b'), sl=True, value=1, "
                          "minTime='0')"),
              "['a', 1, 2.5, True]");
    const host::Invocation& call = recorder.last;
    ASSERT_EQ(call.args.size(), 4u);
    EXPECT_EQ(std::get<std::string>(call.args[0].data), "pCube1");
    EXPECT_EQ(std::get<long long>(call.args[1].data), 2);
    EXPECT_EQ(std::get<double>(call.args[2].data), 0.5);
    ASSERT_TRUE(call.args[3].isList());
    EXPECT_EQ(std::get<host::Value::List>(call.args[3].data).size(), 2u);
    ASSERT_EQ(call.flags.size(), 3u);
    EXPECT_EQ(call.flags[0].name, "sl");
    EXPECT_TRUE(std::get<bool>(call.flags[0].args.at(0).data));
    EXPECT_EQ(call.flags[2].name, "minTime");
    EXPECT_EQ(std::get<std::string>(call.flags[2].args.at(0).data), "0");

    // Values no command can take are Python's TypeError, and the command never runs.
    const int before = recorder.calls;
    EXPECT_FALSE(host::runPython("cmds.echoArgs(b'x')"));
    EXPECT_FALSE(host::runPython("cmds.echoArgs(flag={1: 2})"));
    EXPECT_FALSE(host::runPython("cmds.echoArgs(2**80)"));
    EXPECT_FALSE(host::runPython("a = []\na.append(a)\ncmds.echoArgs(a)"));
    EXPECT_EQ(lastError().rfind("TypeError: echoArgs:", 0), 0u) << lastError();
    EXPECT_EQ(recorder.calls, before);
    host::CommandRegistry::instance().remove("echoArgs");
}

TEST_F(UiControls, OddPythonValuesAreRefusedOrKeptExactly) {
    Recorder& recorder = addRecorder("echoArgs");
    // Undecodable bytes reach the command as the bytes they were.
    ASSERT_TRUE(
        host::runPython("raw = b'ab\\xff'.decode('utf-8', 'surrogateescape')\n"
                        "cmds.echoArgs(raw)"))
        << lastError();
    ASSERT_EQ(recorder.last.args.size(), 1u);
    EXPECT_EQ(std::get<std::string>(recorder.last.args[0].data), "ab\xff");
    // Values with no host form fail as Python errors; nothing crashes.
    const int before = recorder.calls;
    EXPECT_FALSE(host::runPython("cmds.echoArgs('\\ud800')"));
    EXPECT_FALSE(host::runPython("cmds.echoArgs(10**5000)"));
    EXPECT_FALSE(host::runPython("cmds.echoArgs(**{'\\ud800': 1})"));
    EXPECT_FALSE(
        host::runPython("class Bad(list):\n def __iter__(self): raise ValueError('no')\n"
                        "cmds.echoArgs(Bad([1]))"));
    EXPECT_EQ(recorder.calls, before);
    // Shown values are always readable text.
    EXPECT_EQ(pythonValue("'a\\udc80b'"), "a\\udc80b");
    host::CommandRegistry::instance().remove("echoArgs");
}

}  // namespace
