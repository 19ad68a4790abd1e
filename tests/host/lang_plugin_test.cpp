// Loading the test plug-in, running its commands through the language,
// undo and redo of its work, and every way loading can fail.
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MSelectionList.h>

#include "lang_test_support.h"
#include "plugins/plugin_loader.h"

using host::CommandRegistry;
using host::Value;
using langtest::LangTest;

namespace {

std::string pluginPath(const char* name) {
    return std::string(KIVANO_BINARY_DIR) + "/testplugins/" + name + ".so";
}

bool nodeExists(const char* name) {
    MSelectionList list;
    return list.add(name) && list.length() == 1;
}

using LangPlugin = LangTest;

TEST_F(LangPlugin, LoadRunUndoRedoUnload) {
    const std::string path = pluginPath("kivano_testplugin");
    Value v;
    ASSERT_TRUE(run("loadPlugin \"" + path + "\";", &v)) << lastError();
    EXPECT_EQ(host::displayText(v), "kivano_testplugin");
    ASSERT_NE(CommandRegistry::instance().find("testTriangle"), nullptr);
    EXPECT_EQ(CommandRegistry::instance().find("testTriangle")->owner,
              host::findPlugin(path)->path);
    EXPECT_EQ(host::findPlugin("kivano_testplugin")->vendor, "kivano tests");

    ASSERT_TRUE(run("testTriangle tri;", &v)) << lastError();
    EXPECT_EQ(host::displayText(v), "tri");
    EXPECT_TRUE(nodeExists("tri"));
    ASSERT_TRUE(run("undo;"));
    EXPECT_FALSE(nodeExists("tri"));
    ASSERT_TRUE(run("redo;"));
    EXPECT_TRUE(nodeExists("tri"));

    ASSERT_TRUE(run("unloadPlugin kivano_testplugin;")) << lastError();
    EXPECT_EQ(CommandRegistry::instance().find("testTriangle"), nullptr);
    EXPECT_TRUE(host::loadedPlugins().empty());
    // Its command objects went with it: the queue could not undo them any more.
    EXPECT_TRUE(host::UndoQueue::instance().entries().empty());
    EXPECT_TRUE(nodeExists("tri"));
    EXPECT_EQ(run("testTriangle;"), MStatus::kNotFound);
}

TEST_F(LangPlugin, ArgumentsReachTheCommandThroughItsSyntax) {
    ASSERT_TRUE(host::loadPlugin(pluginPath("kivano_testplugin")));
    Value v;
    ASSERT_TRUE(run("testEcho -c 2 -text hi;", &v)) << lastError();
    EXPECT_EQ(host::displayText(v), "hi hi");
    ASSERT_TRUE(run("testEcho -loud -t ok;", &v));
    EXPECT_EQ(host::displayText(v), "OK");
    EXPECT_FALSE(run("testEcho -c abc;"));
    EXPECT_EQ(lastError(), "testEcho: Flag -c must be passed an unsigned integer, got \"abc\".");
    EXPECT_FALSE(run("testEcho -c -1;"));
    EXPECT_FALSE(run("testEcho -x;"));
    EXPECT_EQ(lastError(), "testEcho: Invalid flag -x.");
    // Not undoable: nothing kept.
    EXPECT_TRUE(host::UndoQueue::instance().entries().empty());
}

TEST_F(LangPlugin, ASyntaxGivenAtRegistrationParsesFlagsInTheHost) {
    ASSERT_TRUE(host::loadPlugin(pluginPath("kivano_testplugin")));
    Value v;
    // Without a syntax "-w a" would read as a flag with a value; with it, "a" is an object.
    ASSERT_TRUE(run("testCount -n 3 -w a b;", &v)) << lastError();
    EXPECT_EQ(host::displayText(v), "3 words:2");
    EXPECT_FALSE(run("testCount -bad;"));
    EXPECT_EQ(lastError(), "testCount: invalid flag -bad");
    EXPECT_FALSE(run("testCount -n x;"));
    EXPECT_EQ(lastError(), "testCount: flag -n expects an integer, got \"x\"");
    // Python's keyword flags: a bare flag given True is set, given False is not.
    host::Invocation call;
    call.command = "testCount";
    call.fromPython = true;
    call.args = {Value("a")};
    call.flags = {host::Flag{"words", {Value(false)}}, host::Flag{"number", {Value(4)}}};
    ASSERT_TRUE(host::invoke(call, &v, host::ExecOptions{}));
    EXPECT_EQ(host::displayText(v), "4 objects:1");
    call.flags[0].args = {Value(true)};
    ASSERT_TRUE(host::invoke(call, &v, host::ExecOptions{}));
    EXPECT_EQ(host::displayText(v), "4 words:1");
}

TEST_F(LangPlugin, LoadingFailuresSayWhyAndLeaveNothingBehind) {
    const std::size_t commands = CommandRegistry::instance().names().size();
    struct Case {
        std::string path;
        std::string reason;
    } cases[] = {
        {pluginPath("no_such_plugin"), "No such file or directory"},
        {std::string(KIVANO_SOURCE_DIR) + "/CMakeLists.txt", "cannot load"},
        {pluginPath("kivano_testplugin_noversion"), "exports no MApiVersion"},
        {pluginPath("kivano_testplugin_oldversion"), "was built for API version \"201000\""},
        {pluginPath("kivano_testplugin_failinit"), "initializePlugin of"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(run("loadPlugin \"" + c.path + "\";")) << c.path;
        const std::string error = lastError();
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_NE(error.find(c.path.substr(c.path.find_last_of('/') + 1)), std::string::npos)
            << error;
        EXPECT_TRUE(host::loadedPlugins().empty()) << c.path;
        // A failed start must not leave the commands it managed to register.
        EXPECT_EQ(CommandRegistry::instance().names().size(), commands) << c.path;
    }
    EXPECT_FALSE(run("unloadPlugin nothing;"));
    EXPECT_EQ(lastError(), "unloadPlugin: no plug-in \"nothing\" is loaded");
}

TEST_F(LangPlugin, APluginCannotBeUnloadedUnderItsOwnCommand) {
    ASSERT_TRUE(host::loadPlugin(pluginPath("kivano_testplugin")));
    Value v;
    EXPECT_FALSE(run("testUnloadSelf;", &v));
    EXPECT_EQ(host::displayText(v), "refused");
    EXPECT_TRUE(
        logged(host::MessageKind::Error,
               "unloadPlugin: cannot unload kivano_testplugin while one of its commands runs"));
    EXPECT_EQ(host::loadedPlugins().size(), 1u);
    EXPECT_EQ(host::loadedPlugins()[0]->runningCommands, 0);
    // Its doIt failed: the object is not kept for undo.
    EXPECT_TRUE(host::UndoQueue::instance().entries().empty());
    EXPECT_EQ(host::loadedPlugins()[0]->liveCommands, 0);
}

TEST_F(LangPlugin, LoadingTwiceIsRefused) {
    const std::string path = pluginPath("kivano_testplugin");
    ASSERT_TRUE(host::loadPlugin(path));
    EXPECT_FALSE(host::loadPlugin(path));
    EXPECT_NE(lastError().find("is already loaded"), std::string::npos);
    EXPECT_EQ(host::loadedPlugins().size(), 1u);
    EXPECT_TRUE(run("testEcho;"));                           // the first load still works
    EXPECT_TRUE(run("unloadPlugin kivano_testplugin.so;"));  // by file name too
    EXPECT_TRUE(host::loadedPlugins().empty());
}

void* noCommand() {
    return nullptr;
}

TEST_F(LangPlugin, RegistrationRulesProtectExistingCommands) {
    MObject object;
    MFnPlugin plugin(object, "tests", "1.0");
    ASSERT_TRUE(plugin.registerCommand("lonely", noCommand));
    EXPECT_EQ(plugin.registerCommand("lonely", noCommand), MStatus::kFailure);
    EXPECT_EQ(plugin.registerCommand("undo", noCommand), MStatus::kFailure);
    EXPECT_EQ(plugin.deregisterCommand("undo"), MStatus::kFailure);  // the host's own
    EXPECT_FALSE(run("lonely;"));  // the creator gave no object: a failure, not a crash
    EXPECT_TRUE(plugin.deregisterCommand("lonely"));
    EXPECT_EQ(plugin.deregisterCommand("lonely"), MStatus::kFailure);
}

}  // namespace
