// The embedded interpreter: one namespace across calls, values shown as the
// host's Python shows them, errors reported while the host goes on.
#include <string>

#include "core/command.h"
#include "python_test_support.h"

namespace {

using kivano_test::lastError;
using kivano_test::pythonValue;

class Interpreter : public kivano_test::PythonHostTest {};

TEST_F(Interpreter, KeepsVariablesAndShowsValues) {
    ASSERT_TRUE(host::runPython("width = 21\nname = 'r2'"));
    EXPECT_EQ(pythonValue("width * 10"), "210");
    EXPECT_EQ(pythonValue("name"), "r2");
    EXPECT_EQ(pythonValue("width > 20"), "True");
    EXPECT_EQ(pythonValue("[name, 1.5]"), "['r2', 1.5]");
    EXPECT_EQ(pythonValue("None"), "");
    EXPECT_EQ(pythonValue("  width + 1"), "22");
    // Statements run and show nothing.
    EXPECT_EQ(pythonValue("def f():\n return 4"), "");
    EXPECT_EQ(pythonValue("f()"), "4");
    std::string result = "stale";
    EXPECT_TRUE(host::runPythonWithResult("x = 3", result));
    EXPECT_EQ(result, "");
    EXPECT_EQ(pythonValue("x"), "3");
}

TEST_F(Interpreter, ReportsErrorsAndGoesOn) {
    EXPECT_FALSE(host::runPython("def broken(:"));
    EXPECT_EQ(lastError().rfind("SyntaxError: ", 0), 0u) << lastError();
    EXPECT_FALSE(host::runPython("if True print(1)"));
    EXPECT_EQ(lastError(), "SyntaxError: invalid syntax");
    std::string result = "stale";
    EXPECT_FALSE(host::runPythonWithResult("1/0", result));
    EXPECT_EQ(result, "");
    EXPECT_EQ(lastError(), "ZeroDivisionError: division by zero");
    EXPECT_FALSE(host::runPython("def deep():\n raise ValueError('bad value')\ndeep()"));
    EXPECT_EQ(lastError(), "ValueError: bad value");
    // Leaving the interpreter is not the script's to decide.
    EXPECT_FALSE(host::runPython("import sys\nsys.exit(3)"));
    EXPECT_EQ(lastError(), "SystemExit: 3");
    // Text after a NUL byte would be dropped unseen: such source is refused whole.
    EXPECT_FALSE(host::runPython(std::string("after = 2\0after = 3", 19)));
    EXPECT_EQ(lastError(), "ValueError: source code string cannot contain null bytes");
    EXPECT_TRUE(host::runPython("after = 1"));
    EXPECT_EQ(pythonValue("after"), "1");
}

TEST_F(Interpreter, RestartsWithAFreshNamespace) {
    ASSERT_TRUE(host::runPython("left_over = 1\nf = cmds.button"));
    host::stopPython();
    std::string result;
    EXPECT_FALSE(host::runPythonWithResult("1", result));
    host::startPython();
    ASSERT_TRUE(host::runPython("import maya.cmds as cmds"));
    EXPECT_EQ(pythonValue("'left_over' in globals()"), "False");
    EXPECT_EQ(pythonValue("cmds.window('again')"), "again");
}

TEST_F(Interpreter, CmdsModuleOffersEveryRegisteredCommand) {
    ASSERT_TRUE(host::runPython("import maya.cmds as cmds\nfrom maya import cmds as c2"));
    EXPECT_EQ(pythonValue("cmds is c2"), "True");
    EXPECT_EQ(pythonValue("'window' in dir(cmds)"), "True");
    EXPECT_EQ(pythonValue("callable(cmds.checkBox)"), "True");
    EXPECT_FALSE(host::runPython("cmds.noSuchCommand()"));
    EXPECT_EQ(lastError(), "AttributeError: module 'maya.cmds' has no attribute 'noSuchCommand'");

    // A command registered later (as a plug-in's) is callable at once.
    int calls = 0;
    host::CommandSpec entry;
    entry.name = "lateCommand";
    entry.owner = "test";
    entry.run = [&calls](const host::Invocation&, host::CommandContext& context) {
        ++calls;
        context.result = host::Value(7);
        return MStatus(MStatus::kSuccess);
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(entry)));
    EXPECT_EQ(pythonValue("cmds.lateCommand()"), "7");
    EXPECT_EQ(calls, 1);
    host::CommandRegistry::instance().remove("lateCommand");
    EXPECT_FALSE(host::runPython("cmds.lateCommand()"));
}

TEST_F(Interpreter, MelEvalRunsTheCommandLanguage) {
    ASSERT_TRUE(host::runPython("import maya.mel as mel")) << lastError();
    EXPECT_EQ(pythonValue("mel.eval('window -title \"T\" melWindow')"), "melWindow");
    EXPECT_EQ(pythonValue("cmds.window('melWindow', query=True, title=True)"), "T");
    EXPECT_FALSE(host::runPython("mel.eval('noSuchProcedure 1')"));
    EXPECT_EQ(lastError().rfind("RuntimeError: ", 0), 0u) << lastError();
}

TEST_F(Interpreter, FailingCommandRaisesRuntimeErrorWithTheHostsMessage) {
    host::CommandSpec entry;
    entry.name = "alwaysFails";
    entry.owner = "test";
    entry.run = [](const host::Invocation&, host::CommandContext&) {
        host::postMessage(host::MessageKind::Error, "alwaysFails: it went wrong");
        return MStatus(MStatus::kFailure);
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(entry)));
    ASSERT_TRUE(
        host::runPython("try:\n cmds.alwaysFails()\n caught = ''\n"
                        "except RuntimeError as e:\n caught = str(e)"))
        << lastError();
    EXPECT_EQ(pythonValue("caught"), "alwaysFails: it went wrong");
    host::CommandRegistry::instance().remove("alwaysFails");
}

}  // namespace
