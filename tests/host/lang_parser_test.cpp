// The command language's tokenizer and parser: what a line of text becomes.
#include <gtest/gtest.h>

#include "lang/parser.h"

using host::Value;
using host::lang::Expr;
using host::lang::parse;
using host::lang::ParseResult;
using host::lang::Statement;

namespace {

const Statement& only(const ParseResult& r) {
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.statements.size(), 1u);
    return *r.statements.at(0);
}

const Value& literalWord(const Statement& s, std::size_t i) {
    EXPECT_FALSE(s.words.at(i).isFlag);
    EXPECT_EQ(s.words.at(i).value->kind, Expr::Kind::Literal);
    return s.words.at(i).value->literal;
}

std::string text(const Value& v) {
    return v.isString() ? std::get<std::string>(v.data) : "<not a string>";
}

TEST(LangParser, StringEscapesBecomeTheirCharacters) {
    ParseResult r = parse(R"(print "a\"b\\c\nd\te";)");
    const Statement& s = only(r);
    EXPECT_EQ(s.command, "print");
    EXPECT_EQ(text(literalWord(s, 0)), "a\"b\\c\nd\te");
    // An unknown escape keeps its backslash: Windows paths survive.
    EXPECT_EQ(text(literalWord(only(parse(R"(print "C:\data")")), 0)), "C:\\data");
}

TEST(LangParser, FlagsNumbersAndBareWordsKeepTheirOrder) {
    ParseResult r = parse("move -r -1 2.5 -3e2 7 pCube1.f[2] |grp|pCube1 -type mesh;");
    const Statement& s = only(r);
    ASSERT_EQ(s.words.size(), 9u);
    EXPECT_TRUE(s.words[0].isFlag);
    EXPECT_EQ(s.words[0].flag, "r");
    EXPECT_EQ(std::get<long long>(literalWord(s, 1).data), -1);
    EXPECT_DOUBLE_EQ(std::get<double>(literalWord(s, 2).data), 2.5);
    EXPECT_DOUBLE_EQ(std::get<double>(literalWord(s, 3).data), -300.0);
    EXPECT_EQ(std::get<long long>(literalWord(s, 4).data), 7);
    EXPECT_EQ(text(literalWord(s, 5)), "pCube1.f[2]");
    EXPECT_EQ(text(literalWord(s, 6)), "|grp|pCube1");
    EXPECT_TRUE(s.words[7].isFlag);
    EXPECT_EQ(s.words[7].flag, "type");
    EXPECT_EQ(text(literalWord(s, 8)), "mesh");
}

TEST(LangParser, StatementsSplitAtSemicolonsNotInsideStrings) {
    ParseResult r = parse(
        "menuItem -command \"kivanomenu -l 0; undo\";;ls -sl;\n// comment; not a statement\n/* nor ; this */ select -cl");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.statements.size(), 4u);
    EXPECT_EQ(text(literalWord(*r.statements[0], 1)), "kivanomenu -l 0; undo");
    EXPECT_EQ(r.statements[1]->kind, Statement::Kind::Empty);
    EXPECT_EQ(r.statements[2]->command, "ls");
    EXPECT_EQ(r.statements[3]->command, "select");
    EXPECT_EQ(r.statements[0]->text, "menuItem -command \"kivanomenu -l 0; undo\"");
}

TEST(LangParser, DeclarationsAndAssignments) {
    ParseResult r = parse(
        "global string $gMainWindow; string $s = \"a\" + $t; int $i = -3 * (2 + 1); "
        "string $a[] = {\"x\", `ls -sl`}; $a[1] = 5; float $f;");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.statements.size(), 6u);
    const Statement& g = *r.statements[0];
    EXPECT_EQ(g.kind, Statement::Kind::Declare);
    EXPECT_TRUE(g.global);
    EXPECT_EQ(g.variable, "gMainWindow");
    EXPECT_EQ(g.value, nullptr);
    EXPECT_EQ(r.statements[1]->value->kind, Expr::Kind::Binary);
    EXPECT_EQ(r.statements[2]->type, host::lang::VarType::Int);
    const Statement& a = *r.statements[3];
    EXPECT_TRUE(a.isArray);
    ASSERT_EQ(a.value->kind, Expr::Kind::List);
    EXPECT_EQ(a.value->items.at(1)->kind, Expr::Kind::Command);
    EXPECT_EQ(a.value->items.at(1)->command->command, "ls");
    EXPECT_EQ(r.statements[4]->kind, Statement::Kind::Assign);
    EXPECT_NE(r.statements[4]->index, nullptr);
    EXPECT_EQ(r.statements[5]->type, host::lang::VarType::Float);
}

TEST(LangParser, VariablesAndExpressionsAsCommandArguments) {
    ParseResult r = parse("select $name $list[2] (\"p\" + $i) `ls -sl`;");
    const Statement& s = only(r);
    ASSERT_EQ(s.words.size(), 4u);
    EXPECT_EQ(s.words[0].value->kind, Expr::Kind::Variable);
    EXPECT_EQ(s.words[0].value->name, "name");
    EXPECT_EQ(s.words[1].value->items.size(), 1u);  // the index
    EXPECT_EQ(s.words[2].value->kind, Expr::Kind::Binary);
    EXPECT_EQ(s.words[3].value->kind, Expr::Kind::Command);
}

TEST(LangParser, SyntaxErrorsNameTheirPositionAndYieldNothing) {
    struct Case {
        const char* source;
        const char* error;
    } cases[] = {
        {"print \"abc", "line 1, column 7: unterminated string"},
        {"ls -sl;\nint $ = 3;", "line 2, column 5: expected a variable name after '$'"},
        {"string $s = ;", "line 1, column 13: unexpected \";\""},
        {"$x 3;", "line 1, column 4: expected \"=\" before \"3\""},
        {"select (\"a\";", "line 1, column 12: expected \")\" before \";\""},
        {"ls; 42;",
         "line 1, column 5: expected a command, declaration or assignment before \"42\""},
        {"print `ls", "line 1, column 7: unterminated `command`"},
        {"int $i = 3 4;", "line 1, column 12: expected \";\" before \"4\""},
    };
    for (const Case& c : cases) {
        ParseResult r = parse(c.source);
        EXPECT_FALSE(r.ok) << c.source;
        EXPECT_TRUE(r.statements.empty()) << c.source;
        EXPECT_EQ(r.error, c.error) << c.source;
    }
}

TEST(LangParser, DeepNestingIsAnErrorNotACrash) {
    const std::string deep = "print " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
    ParseResult r = parse(deep);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("expression nested too deeply"), std::string::npos) << r.error;
    const std::string fine = "print " + std::string(50, '(') + "1" + std::string(50, ')') + ";";
    EXPECT_TRUE(parse(fine).ok);
    EXPECT_FALSE(parse("int $i = " + std::string(5000, '-') + "1;").ok);
}

TEST(LangParser, CompleteInputEndsAtASemicolonOutsideQuotes) {
    EXPECT_TRUE(host::lang::isCompleteInput("ls -sl;"));
    EXPECT_TRUE(host::lang::isCompleteInput("ls -sl;  // done\n"));
    EXPECT_TRUE(host::lang::isCompleteInput(""));
    EXPECT_FALSE(host::lang::isCompleteInput("ls -sl"));
    EXPECT_FALSE(host::lang::isCompleteInput("print \"a;\nb"));
    EXPECT_FALSE(host::lang::isCompleteInput("string $a[] = {\"x\";"));
}

}  // namespace
