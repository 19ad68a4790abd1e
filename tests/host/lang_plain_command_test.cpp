// A line that is one plain command skips the syntax tree. Whatever it holds,
// good or bad, the user must see exactly what the full parse-and-run path
// gives: the same status, result, messages, scene and undo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "lang/parser.h"
#include "lang_test_support.h"
#include "scene/scene_digest.h"

using namespace langtest;
using host::lang::CommandWord;
using host::lang::ParseResult;
using host::lang::Statement;

namespace {

// The full path, as the command language runs text that is not plain.
MStatus runParsed(const std::string& text, host::Value* result, const host::ExecOptions& options) {
    *result = host::Value();
    ParseResult parsed = host::lang::parse(text);
    if (!parsed.ok) {
        host::postMessage(host::MessageKind::Error, "Syntax error at " + parsed.error);
        return MStatus::kFailure;
    }
    for (const host::lang::StatementPtr& s : parsed.statements) {
        MStatus status = host::lang::runStatement(*s, result, options);
        if (!status)
            return status;
    }
    return MStatus::kSuccess;
}

// Same type and same text: Value has no equality of its own.
std::string shown(const host::Value& v) {
    return std::to_string(v.data.index()) + ":" + host::displayText(v);
}

struct Outcome {
    std::vector<std::string> lines;  // per line: status, result, then each message
    std::string scene;
    std::string sceneAfterUndo;
};

Outcome runAll(const std::vector<std::string>& lines, bool parsedOnly) {
    host::UndoQueue::instance().clear();
    host::resetScene();
    host::lang::resetVariables();
    host::ExecOptions options;
    options.recordUndo = true;
    Outcome out;
    for (const std::string& line : lines) {
        host::clearMessageLog();
        host::Value result;
        MStatus status = parsedOnly ? runParsed(line, &result, options)
                                    : host::executeCommandLanguage(line, &result, options);
        std::string record = std::to_string(int(status.statusCode())) + " [" + shown(result) + "]";
        for (const host::Message& m : host::messageLog())
            record += " | " + m.text;
        out.lines.push_back(line + " => " + record);
    }
    out.scene = host::scene::sceneDigest();
    while (host::UndoQueue::instance().undo()) {
    }
    out.sceneAfterUndo = host::scene::sceneDigest();
    return out;
}

}  // namespace

TEST_F(LangTest, PlainCommandsReadAsTheParserReadsThem) {
    const char* lines[] = {
        "move -r -1 2.5 -3e2 7 pCube1.f[2] |grp|pCube1 -type mesh;",
        "setAttr a.kivanoEdges -type \"doubleArray\" 8 1 2 -1 0.5 -0.25 0 3 4;",
        "addAttr -ln \"kivanoEdges\" -dt \"doubleArray\" dft0_0;",
        "sets -add initialShadingGroup dft0_0Shape",
        "print \"a\\\"b\\\\c\\nd\" ;  // trailing comment",
        "  ls\n",
        "print on -0 .5 1e5 x-1",
    };
    for (const char* line : lines) {
        std::string command;
        std::vector<CommandWord> words;
        ASSERT_TRUE(host::lang::readPlainCommand(line, command, words)) << line;
        ParseResult parsed = host::lang::parse(line);
        ASSERT_TRUE(parsed.ok) << line;
        ASSERT_EQ(parsed.statements.size(), 1u) << line;
        const Statement& s = *parsed.statements[0];
        EXPECT_EQ(command, s.command) << line;
        ASSERT_EQ(words.size(), s.words.size()) << line;
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i].isFlag, s.words[i].isFlag) << line << " word " << i;
            EXPECT_EQ(words[i].flag, s.words[i].flag) << line << " word " << i;
            if (!s.words[i].isFlag) {
                EXPECT_EQ(shown(words[i].value), shown(s.words[i].value->literal))
                    << line << " word " << i;
            }
        }
    }
}

TEST_F(LangTest, OnlyOnePlainCommandIsReadAsPlain) {
    const char* lines[] = {
        "",
        " ;",
        ";;",
        "ls; ls",
        "ls;;",
        "string $s = \"a\";",
        "global int $i;",
        "int $i",
        "$a = 1;",
        "select $a;",
        "select `ls`;",
        "select (\"a\" + 1);",
        "select {1, 2};",
        "select a,b;",
        "select \"unterminated",
        "select `unterminated",
        "3 a;",
        "select a)",
        "select $;",
        "select a; // fine\nls",
    };
    for (const char* line : lines) {
        std::string command;
        std::vector<CommandWord> words;
        EXPECT_FALSE(host::lang::readPlainCommand(line, command, words)) << line;
    }
}

TEST_F(LangTest, PlainLinesRunAsParsedLinesDo) {
    Probe probe;
    probe.add("probe", {{"n", "name", {host::ArgType::String}},
                        {"p", "pair", {host::ArgType::Int, host::ArgType::Double}},
                        {"q", "query", {}},
                        {"v", "verbose", {}}});
    const std::vector<std::string> lines = {
        "createNode transform -n dft0_0;",
        "createNode transform -n dft0_1",
        "addAttr -ln \"kivanoEdges\" -dt \"doubleArray\" dft0_0;",
        "setAttr dft0_0.kivanoEdges -type \"doubleArray\" 8 1 2 -1 0.5 -0.25 0 3 4;",
        "getAttr dft0_0.kivanoEdges;",
        "sets -add initialShadingGroup dft0_1;",  // not a mesh
        "createNode mesh -n boxShape;",
        "sets -add initialShadingGroup boxShape;",
        "sets -e -forceElement initialShadingGroup boxShape;",
        "setAttr dft0_1.kivanoEdges -type \"doubleArray\" 2 1 2;",   // no such attribute
        "addAttr -ln \"kivanoEdges\" -dt \"doubleArray\" nothere;",  // no such node
        "addAttr -zz dft0_0;",                                       // unknown flag
        "nosuchcommand -a b 1;",
        "probe -n one -p 2 2.5 x y;",
        "probe -p 2;",      // too few flag arguments
        "probe -p a 1;",    // badly typed
        "probe -q -n -v;",  // query: flags take nothing
        "probe -v 1 -name \"two words\";",
        "probe -x;",
        "probe;",
        "probe \"unterminated;",
        "probe `nosuchcommand`;",
        "string $s = \"dft0_1\"; probe $s;",
        "select -r dft0_0; ls -sl;",
        "delete dft0_1;",
    };
    Outcome plain = runAll(lines, false);
    std::size_t plainCalls = probe.calls.size();
    std::vector<host::Invocation> plainInvocations = probe.calls;
    probe.calls.clear();
    Outcome parsed = runAll(lines, true);

    ASSERT_EQ(plain.lines.size(), parsed.lines.size());
    for (std::size_t i = 0; i < plain.lines.size(); ++i)
        EXPECT_EQ(plain.lines[i], parsed.lines[i]);
    EXPECT_EQ(plain.scene, parsed.scene);
    EXPECT_EQ(plain.sceneAfterUndo, parsed.sceneAfterUndo);
    EXPECT_NE(plain.scene, plain.sceneAfterUndo);  // the lines did change the scene

    ASSERT_EQ(plainCalls, probe.calls.size());
    ASSERT_GE(plainCalls, 4u);
    for (std::size_t i = 0; i < plainCalls; ++i) {
        const host::Invocation& a = plainInvocations[i];
        const host::Invocation& b = probe.calls[i];
        ASSERT_EQ(a.args.size(), b.args.size()) << i;
        for (std::size_t k = 0; k < a.args.size(); ++k)
            EXPECT_EQ(shown(a.args[k]), shown(b.args[k]));
        ASSERT_EQ(a.flags.size(), b.flags.size()) << i;
        for (std::size_t k = 0; k < a.flags.size(); ++k) {
            EXPECT_EQ(a.flags[k].name, b.flags[k].name);
            ASSERT_EQ(a.flags[k].args.size(), b.flags[k].args.size());
            for (std::size_t j = 0; j < a.flags[k].args.size(); ++j)
                EXPECT_EQ(shown(a.flags[k].args[j]), shown(b.flags[k].args[j]));
        }
    }
}

TEST_F(LangTest, PlainLineIsEchoedOnceWhenAsked) {
    host::ExecOptions options;
    options.echo = true;
    host::clearMessageLog();
    ASSERT_TRUE(host::executeCommandLanguage("ls -sl;", nullptr, options));
    EXPECT_TRUE(logged(host::MessageKind::Result, "ls -sl;"));
    host::clearMessageLog();
    EXPECT_FALSE(host::executeCommandLanguage("nosuchcommand;", nullptr, options));
    EXPECT_TRUE(logged(host::MessageKind::Result, "nosuchcommand;"));
    EXPECT_EQ(lastError(), "Cannot find procedure \"nosuchcommand\".");
}

TEST_F(LangTest, PlainLineRunFromInsideACommandKeepsBothCallsApart) {
    Probe inner;
    inner.add("inner");
    std::vector<std::string> outerArgs;
    host::CommandSpec outer;
    outer.name = "outer";
    outer.owner = "host";
    outer.run = [&](const host::Invocation& call, host::CommandContext&) {
        MStatus status =
            host::executeCommandLanguage("inner -f x y z 1 2 3;", nullptr, host::ExecOptions());
        for (const host::Value& v : call.args)
            outerArgs.push_back(host::displayText(v));
        return status;
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(outer)));
    EXPECT_TRUE(run("outer a b; outer \"c d\""));
    EXPECT_TRUE(run("outer e;"));
    host::CommandRegistry::instance().remove("outer");

    EXPECT_EQ(outerArgs, (std::vector<std::string>{"a", "b", "c d", "e"}));
    ASSERT_EQ(inner.calls.size(), 3u);
    for (const host::Invocation& call : inner.calls) {
        ASSERT_EQ(call.flags.size(), 1u);
        EXPECT_EQ(call.flags[0].name, "f");
        ASSERT_EQ(call.flags[0].args.size(), 1u);
        EXPECT_EQ(host::displayText(call.flags[0].args[0]), "x");
        ASSERT_EQ(call.args.size(), 5u);
        EXPECT_EQ(host::displayText(call.args[4]), "3");
    }
}

// Numbers are read with a quicker routine than the C library's; every text
// the lexer takes as a number must still give the C library's value.
TEST_F(LangTest, NumbersReadAsTheCLibraryReadsThem) {
    const char* texts[] = {"0",
                           "-0",
                           "+5",
                           "007",
                           "42",
                           "-17",
                           "9223372036854775807",
                           "9223372036854775808",
                           "-9223372036854775809",
                           "99999999999999999999",
                           "0.1",
                           "-0.7853981633974483",
                           "1.",
                           ".5",
                           "-.5",
                           "+.25",
                           "1e5",
                           "1E-5",
                           "2.5e+3",
                           "1e308",
                           "1e999",
                           "-1e999",
                           "1e-320",
                           "4.9e-324",
                           "1e-400",
                           "123456789012345678901234567890.5",
                           "0.30000000000000004"};
    for (const char* text : texts) {
        std::string command;
        std::vector<CommandWord> words;
        ASSERT_TRUE(host::lang::readPlainCommand(std::string("print ") + text, command, words))
            << text;
        ASSERT_EQ(words.size(), 1u) << text;
        const host::Value& v = words[0].value;
        if (v.isInt()) {
            EXPECT_EQ(std::get<long long>(v.data), std::strtoll(text, nullptr, 10)) << text;
        } else {
            ASSERT_TRUE(v.isDouble()) << text;
            double expected = std::strtod(text, nullptr);
            double got = std::get<double>(v.data);
            EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text << " read as " << got;
        }
    }
}

// An argument's `command` may register or remove commands while the line's
// own command waits for its arguments: the waiting command must then run
// from a live entry, or be reported missing, never from a stale one.
TEST_F(LangTest, CommandsRegisteredOrRemovedByAnArgumentLeaveTheLineSound) {
    Probe probe;
    probe.add("probe", {{"n", "name", {host::ArgType::String}}});
    std::vector<std::string> added;
    host::CommandSpec grow;
    grow.name = "grow";
    grow.owner = "host";
    grow.run = [&](const host::Invocation&, host::CommandContext& context) {
        for (int i = 0; i < 300; ++i) {
            host::CommandSpec extra;
            extra.name = "extra" + std::to_string(added.size());
            extra.owner = "host";
            extra.run = [](const host::Invocation&, host::CommandContext&) {
                return MStatus(MStatus::kSuccess);
            };
            added.push_back(extra.name);
            host::CommandRegistry::instance().add(std::move(extra));
        }
        context.result = host::Value("grown");
        return MStatus(MStatus::kSuccess);
    };
    host::CommandSpec drop;
    drop.name = "drop";
    drop.owner = "host";
    drop.run = [](const host::Invocation&, host::CommandContext& context) {
        host::CommandRegistry::instance().remove("probe");
        context.result = host::Value("dropped");
        return MStatus(MStatus::kSuccess);
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(grow)));
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(drop)));

    EXPECT_TRUE(run("probe -n `grow` `grow`;"));
    ASSERT_EQ(probe.calls.size(), 1u);
    EXPECT_EQ(host::displayText(probe.calls[0].flags[0].args[0]), "grown");
    EXPECT_EQ(host::displayText(probe.calls[0].args[0]), "grown");

    EXPECT_FALSE(run("probe -n `drop`;"));
    EXPECT_EQ(lastError(), "Cannot find procedure \"probe\".");
    EXPECT_EQ(probe.calls.size(), 1u);

    for (const std::string& name : added)
        host::CommandRegistry::instance().remove(name);
    host::CommandRegistry::instance().remove("grow");
    host::CommandRegistry::instance().remove("drop");
}
