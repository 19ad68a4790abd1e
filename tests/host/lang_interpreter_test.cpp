// Running command-language text: variables, commands with their flags, and
// what a failure leaves behind.
#include <maya/MGlobal.h>
#include <maya/MStringArray.h>

#include "core/python_bridge.h"
#include "lang_test_support.h"

using host::MessageKind;
using host::Value;
using langtest::LangTest;
using langtest::Probe;

namespace {

std::string str(const Value& v) {
    return host::displayText(v);
}

long long intOf(const char* variable) {
    const host::lang::Variable* v = host::lang::findVariable(variable);
    return v && v->value.isInt() ? std::get<long long>(v->value.data) : -999;
}

using LangInterpreter = LangTest;

TEST_F(LangInterpreter, MainWindowVariableExistsAtStart) {
    Value v;
    ASSERT_TRUE(run("$gMainWindow", nullptr) ==
                MStatus::kFailure);  // a bare variable is no statement
    ASSERT_TRUE(run("global string $gMainWindow; string $w = $gMainWindow;", &v));
    EXPECT_EQ(str(v), "MayaWindow");
}

TEST_F(LangInterpreter, VariablesKeepTheirDeclaredType) {
    Value v;
    ASSERT_TRUE(run("int $i = 7 / 2; $i = $i * 2.6;", &v));
    EXPECT_EQ(intOf("i"), 7);  // 3 * 2.6 = 7.8, cut to 7
    ASSERT_TRUE(run("string $s = \"n\" + 4 + \"_\" + 1.5;", &v));
    EXPECT_EQ(str(v), "n4_1.5");
    ASSERT_TRUE(run("float $f = -2; $f = $f - 0.5;", &v));
    EXPECT_DOUBLE_EQ(std::get<double>(v.data), -2.5);
    ASSERT_TRUE(
        run("string $a[] = {\"x\", \"y\"}; $a[3] = \"z\"; string $e = $a[3] + $a[2] + $a[9];", &v));
    EXPECT_EQ(str(v), "z");
    EXPECT_EQ(str(host::lang::findVariable("a")->value), "x y  z");
    // First assignment declares with the value's type.
    ASSERT_TRUE(run("$n = 5; $n = \"6\";", &v));
    EXPECT_EQ(intOf("n"), 6);
}

TEST_F(LangInterpreter, BadVariableUseIsAnErrorAndChangesNothing) {
    ASSERT_TRUE(run("int $i = 1;"));
    EXPECT_FALSE(run("string $i = \"a\";"));
    EXPECT_EQ(lastError(), "Invalid redeclaration of variable \"$i\" as a different type.");
    EXPECT_FALSE(run("$i = \"abc\";"));
    EXPECT_EQ(lastError(), "Cannot convert \"abc\" to int for $i.");
    EXPECT_FALSE(run("int $j = $nope;"));
    EXPECT_EQ(lastError(), "\"$nope\" is an undeclared variable.");
    EXPECT_EQ(host::lang::findVariable("j"), nullptr);
    EXPECT_FALSE(run("$i = 1 / 0;"));
    EXPECT_EQ(intOf("i"), 1);
}

TEST_F(LangInterpreter, FlagsTakeTheirDeclaredArguments) {
    Probe probe;
    probe.add("probe", {{"a", "add", {}},
                        {"n", "name", {host::ArgType::String}},
                        {"p", "pos", {host::ArgType::Double, host::ArgType::Double}},
                        {"q", "query", {}}});
    ASSERT_TRUE(run("probe -add first -n \"nm\" -pos 1 -2.5 second;"));
    const host::Invocation& call = probe.calls.at(0);
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(str(call.args[0]), "first");
    EXPECT_EQ(str(call.args[1]), "second");
    ASSERT_TRUE(call.has("a", "add"));
    EXPECT_TRUE(call.flag("a", "add")->args.empty());
    EXPECT_EQ(str(call.flag("n", "name")->args.at(0)), "nm");
    EXPECT_EQ(str(Value(call.flag("p", "pos")->args)), "1 -2.5");
    // In query mode a flag names what is asked for and takes nothing.
    ASSERT_TRUE(run("probe -q -name thing;"));
    EXPECT_TRUE(probe.calls.at(1).flag("n", "name")->args.empty());
    EXPECT_EQ(str(probe.calls.at(1).args.at(0)), "thing");
}

TEST_F(LangInterpreter, WithoutSyntaxAFlagTakesOneValue) {
    Probe probe;
    probe.add("free");
    ASSERT_TRUE(run("free -l 1 pos -h;"));
    const host::Invocation& call = probe.calls.at(0);
    EXPECT_EQ(str(call.flag("l", "language")->args.at(0)), "1");
    EXPECT_TRUE(call.flag("h", "help")->args.empty());
    ASSERT_EQ(call.args.size(), 1u);
    EXPECT_EQ(str(call.args[0]), "pos");
}

TEST_F(LangInterpreter, ArraysAmongArgumentsStandForTheirElements) {
    Probe probe;
    probe.add("probe");
    ASSERT_TRUE(run("string $names[] = {\"a\", \"b\"}; probe $names c;"));
    EXPECT_EQ(str(Value(probe.calls.at(0).args)), "a b c");
}

TEST_F(LangInterpreter, UnknownCommandNamesItAndRunsNothing) {
    Probe probe;
    probe.add("probe");
    EXPECT_EQ(run("xyz `probe` -f 1;"), MStatus::kNotFound);
    EXPECT_EQ(lastError(), "Cannot find procedure \"xyz\".");
    EXPECT_TRUE(probe.calls.empty());  // its arguments were not evaluated
    EXPECT_FALSE(run("probe; xyz; probe;"));
    EXPECT_EQ(probe.calls.size(), 1u);  // stops at the failing statement
}

TEST_F(LangInterpreter, BadFlagsAreRefusedBeforeTheCommandRuns) {
    Probe probe;
    probe.add("probe",
              {{"c", "count", {host::ArgType::Int}}, {"v", "value", {host::ArgType::Bool}}});
    EXPECT_EQ(run("probe -x;"), MStatus::kInvalidParameter);
    EXPECT_EQ(lastError(), "probe: invalid flag -x");
    EXPECT_FALSE(run("probe -count abc;"));
    EXPECT_EQ(lastError(), "probe: flag -count expects an integer, got \"abc\"");
    EXPECT_FALSE(run("probe -c;"));
    EXPECT_EQ(lastError(), "probe: flag -c expects 1 argument(s), got 0");
    EXPECT_FALSE(run("probe -v maybe;"));
    EXPECT_TRUE(probe.calls.empty());
    EXPECT_TRUE(run("probe -c 3 -v on;"));
    EXPECT_EQ(probe.calls.size(), 1u);
}

TEST_F(LangInterpreter, AScriptThatRunsItselfStopsWithAnError) {
    host::CommandSpec entry;
    entry.name = "again";
    entry.owner = "host";
    int calls = 0;
    entry.run = [&calls](const host::Invocation&, host::CommandContext&) {
        ++calls;
        return MGlobal::executeCommand("again");
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(entry));
    EXPECT_FALSE(run("again;"));
    EXPECT_EQ(lastError(), "again: commands nested too deeply (more than 100)");
    EXPECT_EQ(calls, 100);
    host::CommandRegistry::instance().remove("again");
    // A command without a result gives an empty value, not an error.
    EXPECT_TRUE(run("string $names[] = `print \"\"`; string $one = `print \"\"`;"));
    EXPECT_TRUE(std::get<Value::List>(host::lang::findVariable("names")->value.data).empty());
}

TEST_F(LangInterpreter, ASyntaxErrorRunsNoStatementOfTheText) {
    Probe probe;
    probe.add("probe");
    EXPECT_FALSE(run("probe 1; probe 2; probe \"3;"));
    EXPECT_TRUE(probe.calls.empty());
    EXPECT_EQ(lastError(), "Syntax error at line 1, column 25: unterminated string");
}

TEST_F(LangInterpreter, PythonWithoutARunnerIsAClearError) {
    const host::PythonRunner saved = host::pythonRunner();
    host::setPythonRunner(host::PythonRunner{});
    EXPECT_FALSE(run("python \"1 + 1\";"));
    EXPECT_EQ(lastError(), "python: no Python interpreter is available in this host");
    MStatus status;
    EXPECT_EQ(MGlobal::executePythonCommandStringResult("1 + 1", false, false, &status), MString());
    EXPECT_FALSE(status);
    host::setPythonRunner(saved);
}

std::string lastCode;

TEST_F(LangInterpreter, PythonCodeReachesTheRunnerAndItsResultComesBack) {
    const host::PythonRunner saved = host::pythonRunner();
    host::PythonRunner fake;
    fake.run = [](const std::string& code) {
        lastCode = code;
        return MStatus(MStatus::kSuccess);
    };
    fake.runWithResult = [](const std::string& code, std::string& result) {
        lastCode = code;
        result = "[" + code + "]";
        return MStatus(MStatus::kSuccess);
    };
    host::setPythonRunner(fake);
    Value v;
    EXPECT_TRUE(run("python \"import maya.cmds as cmds\\nx = 'a;b'\";", &v));
    EXPECT_EQ(lastCode, "import maya.cmds as cmds\nx = 'a;b'");
    EXPECT_EQ(str(v), "[import maya.cmds as cmds\nx = 'a;b']");
    MStatus status;
    EXPECT_EQ(MGlobal::executePythonCommandStringResult("cmds.checkBox('cb1', q=True, v=True)",
                                                        false, false, &status),
              MString("[cmds.checkBox('cb1', q=True, v=True)]"));
    EXPECT_TRUE(status);
    host::setPythonRunner(saved);
}

TEST_F(LangInterpreter, ExecuteCommandGivesResultsAndEchoes) {
    host::CommandSpec entry;
    entry.name = "names";
    entry.owner = "host";
    entry.run = [](const host::Invocation&, host::CommandContext& context) {
        context.result = Value(Value::List{Value("pCube1"), Value("pCube2.f[3]")});
        return MStatus(MStatus::kSuccess);
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(entry));
    MStringArray result;
    EXPECT_TRUE(MGlobal::executeCommand("names -sl", result, true, false));
    ASSERT_EQ(result.length(), 2u);
    EXPECT_EQ(result[1], MString("pCube2.f[3]"));
    EXPECT_TRUE(logged(MessageKind::Result, "names -sl"));
    int count = 0;
    EXPECT_EQ(MGlobal::executeCommand("names", count),
              MStatus::kInvalidParameter);  // a list is no int
    MString text;
    EXPECT_TRUE(MGlobal::executeCommand("string $s = \"4\" + 2;", text));
    EXPECT_EQ(text, MString("42"));
    EXPECT_TRUE(MGlobal::executeCommand("int $k = 12;", count));
    EXPECT_EQ(count, 12);
    host::CommandRegistry::instance().remove("names");
}

TEST_F(LangInterpreter, MessagesReachTheLogWithTheirKind) {
    MGlobal::displayInfo("kivano: calculate(1/3)..");
    MGlobal::displayWarning("careful");
    MGlobal::displayError("kivano: no objects selected!");
    MStatus(MStatus::kFailure).perror("registerCommand failed(4)");
    EXPECT_TRUE(logged(MessageKind::Info, "kivano: calculate(1/3).."));
    EXPECT_TRUE(logged(MessageKind::Warning, "careful"));
    EXPECT_TRUE(logged(MessageKind::Error, "kivano: no objects selected!"));
    EXPECT_EQ(lastError(), "registerCommand failed(4): (kFailure): Unexpected Internal Failure");
    ASSERT_TRUE(run("print \"hello \" 3 \"\\n\";"));
    EXPECT_TRUE(logged(MessageKind::Info, "hello 3"));
}

std::vector<host::Message> heard;

TEST_F(LangInterpreter, QuietKeepsMessagesInTheLogAndListenersHearAll) {
    heard.clear();
    host::setMessageListener([](const host::Message& m) { heard.push_back(m); });
    host::setQuiet(false);
    testing::internal::CaptureStdout();
    MGlobal::displayInfo("loud");
    host::setQuiet(true);
    MGlobal::displayInfo("hushed");
    const std::string out = testing::internal::GetCapturedStdout();
    host::setMessageListener(nullptr);
    EXPECT_EQ(out, "loud\n");
    EXPECT_TRUE(logged(MessageKind::Info, "hushed"));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].text, "hushed");
    testing::internal::CaptureStderr();
    MGlobal::displayError("still shown");  // a quiet run must still explain a failure
    MGlobal::displayWarning("not shown");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: still shown\n");
}

}  // namespace
