// maya.cmds on the scene: selection, undo and animation keys give the same
// answers from Python as from the command language.
#include <string>
#include <vector>

#include "core/command.h"
#include "core/undo_queue.h"
#include "python_test_support.h"
#include "scene/scene.h"

namespace {

using kivano_test::lastError;
using kivano_test::pythonValue;
using kivano_test::runLines;

class PythonScene : public kivano_test::PythonHostTest {
protected:
    void SetUp() override {
        PythonHostTest::SetUp();
        host::UndoQueue::instance().clear();
        host::resetScene();
        for (const char* name : {"a", "b", "c"})
            host::scene::createTransform(name);
    }
};

// What the command language gives, written as Python would show it.
std::string languageValue(const std::string& text) {
    host::Value result;
    host::ExecOptions options;
    options.recordUndo = true;
    EXPECT_TRUE(host::executeCommandLanguage(text, &result, options))
        << text << ": " << lastError();
    std::string shown = "[";
    if (result.isList())
        for (const host::Value& item : std::get<host::Value::List>(result.data)) {
            std::string name;
            host::toText(item, name);
            shown += (shown.size() > 1 ? ", '" : "'") + name + "'";
        }
    return shown + "]";
}

TEST_F(PythonScene, SelectionMatchesTheCommandLanguage) {
    ASSERT_TRUE(host::runPython("cmds.select('a', 'c')")) << lastError();
    EXPECT_EQ(pythonValue("cmds.ls(sl=True)"), "['a', 'c']");
    EXPECT_EQ(languageValue("ls -sl"), "['a', 'c']");
    EXPECT_EQ(languageValue("select -r b; ls -selection"), "['b']");
    EXPECT_EQ(pythonValue("cmds.ls(selection=True)"), "['b']");

    // A name that does not exist fails and leaves the selection as it was.
    EXPECT_FALSE(host::runPython("cmds.select('nosuch')"));
    EXPECT_EQ(pythonValue("cmds.ls(sl=True)"), "['b']");
    ASSERT_TRUE(host::runPython("cmds.select(clear=True)")) << lastError();
    EXPECT_EQ(pythonValue("cmds.ls(sl=True)"), "[]");
    EXPECT_EQ(languageValue("ls -sl"), "[]");
}

TEST_F(PythonScene, UndoFromPythonMatchesTheCommandLanguage) {
    ASSERT_EQ(runLines({"cmds.select('a')", "cmds.select('b')", "cmds.undo()"}), 0) << lastError();
    EXPECT_EQ(pythonValue("cmds.ls(sl=True)"), "['a']");
    ASSERT_TRUE(host::runPython("cmds.redo()")) << lastError();
    EXPECT_EQ(languageValue("ls -sl"), "['b']");

    languageValue("select -r c; undo");
    EXPECT_EQ(pythonValue("cmds.ls(sl=True)"), "['b']");
}

TEST_F(PythonScene, WorkOfAPressedButtonIsOneUndoStep) {
    ASSERT_EQ(runLines({"cmds.select('a')", "w = cmds.window('keys')", "cmds.columnLayout()",
                        "py = cmds.button(label='py', command=\"cmds.select('b')\")"}),
              0)
        << lastError();
    host::Value made;
    ASSERT_TRUE(host::executeCommandLanguage(
        "button -label \"mel\" -command \"select -r c\" melButton", &made, host::ExecOptions()))
        << lastError();

    EXPECT_EQ(languageValue("uiPress " + pythonValue("py") + "; ls -sl"), "['b']");
    EXPECT_EQ(languageValue("uiPress melButton; ls -sl"), "['c']");
    EXPECT_EQ(languageValue("undo; ls -sl"), "['b']");
    EXPECT_EQ(languageValue("undo; ls -sl"), "['a']");
    EXPECT_EQ(languageValue("redo; redo; ls -sl"), "['c']");
}

TEST_F(PythonScene, PluginCommandsFromPythonLoadRunUndoAndUnload) {
    const std::string plugin = KIVANO_BINARY_DIR "/testplugins/kivano_testplugin.so";
    ASSERT_TRUE(host::runPython("cmds.loadPlugin(r'" + plugin + "')")) << lastError();
    EXPECT_EQ(pythonValue("cmds.testEcho(count=2, text='hi')"), "['hi', 'hi']");
    EXPECT_EQ(pythonValue("cmds.testTriangle('tri')"), "tri");
    EXPECT_NE(host::scene::findNode("tri"), nullptr);
    ASSERT_TRUE(host::runPython("cmds.undo()")) << lastError();
    EXPECT_EQ(host::scene::findNode("tri"), nullptr);
    ASSERT_TRUE(host::runPython("cmds.redo()")) << lastError();
    EXPECT_NE(host::scene::findNode("tri"), nullptr);
    ASSERT_TRUE(host::runPython("cmds.unloadPlugin('kivano_testplugin')")) << lastError();
    EXPECT_FALSE(host::runPython("cmds.testEcho()"));
    EXPECT_EQ(lastError(), "AttributeError: module 'maya.cmds' has no attribute 'testEcho'");
}

TEST_F(PythonScene, VisibilityKeysOverThreeFrames) {
    // The lines the animation arrangement sends for one net shown at frame 1.
    ASSERT_EQ(
        runLines({"cmds.playbackOptions(minTime='0',maxTime='2')", "cmds.currentTime(0)",
                  "cmds.currentTime(0)", "cmds.setKeyframe('b',attribute='visibility',value=0);",
                  "cmds.currentTime(1)", "cmds.setKeyframe('b',attribute='visibility',value=1);",
                  "cmds.currentTime(2)", "cmds.setKeyframe('b',attribute='visibility',value=0);"}),
        0)
        << lastError();
    const char* expected[] = {"False", "True", "False"};
    for (int frame = 0; frame < 3; ++frame) {
        const std::string time = std::to_string(frame);
        EXPECT_EQ(pythonValue("cmds.getAttr('b.visibility',time=" + time + ")"), expected[frame])
            << "frame " << frame;
        host::Value shown;
        ASSERT_TRUE(host::executeCommandLanguage("getAttr -time " + time + " b.visibility", &shown,
                                                 host::ExecOptions()));
        bool visible = false;
        ASSERT_TRUE(host::toBool(shown, visible));
        EXPECT_EQ(visible ? "True" : "False", std::string(expected[frame])) << "frame " << frame;
    }
    EXPECT_EQ(pythonValue("float(cmds.playbackOptions(query=True,maxTime=True))"), "2.0");
    EXPECT_EQ(pythonValue("float(cmds.currentTime(query=True))"), "2.0");
    // Without keys an object keeps its visibility at every frame.
    EXPECT_EQ(pythonValue("bool(cmds.getAttr('a.visibility',time=1))"), "True");
}

}  // namespace
