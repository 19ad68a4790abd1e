// The basic API classes the plug-in builds on: texts, value arrays that share
// storage, statuses, and argument parsing.
#include <gtest/gtest.h>

#include <maya/MArgDatabase.h>
#include <maya/MArgList.h>
#include <maya/MFloatArray.h>
#include <maya/MIntArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>
#include <maya/MUintArray.h>

#include <unordered_set>

namespace {

TEST(LangApiString, SubstringsCountBytesOrCharactersWithInclusiveEnds) {
    const MString s("dft12_3");
    EXPECT_EQ(s.substring(0, 2), MString("dft"));
    EXPECT_EQ(s.substringW(3, 4), MString("12"));
    EXPECT_EQ(s.substringW(5, 100), MString("_3"));  // clipped at the end
    EXPECT_EQ(s.substringW(4, 3), MString());        // empty range
    const MString umlaut("Menü deutsch");
    EXPECT_EQ(umlaut.length(), 13u);
    EXPECT_EQ(umlaut.numChars(), 12u);
    EXPECT_EQ(umlaut.substringW(3, 3), MString("ü"));
    EXPECT_EQ(umlaut.indexW(MString("deutsch")), 5);
    EXPECT_EQ(umlaut.indexW('x'), -1);
}

TEST(LangApiString, NumbersReadAndWrite) {
    EXPECT_EQ(MString("210").asInt(), 210);
    EXPECT_DOUBLE_EQ(MString("4.5").asDouble(), 4.5);
    EXPECT_DOUBLE_EQ(MString("abc").asDouble(), 0.0);
    EXPECT_TRUE(MString(" 12 ").isInt());
    EXPECT_FALSE(MString("12abc").isInt());
    EXPECT_FALSE(MString("-1").isUnsigned());
    EXPECT_TRUE(MString("1e-3").isDouble());
    EXPECT_FALSE(MString("nan").isDouble());
    MString text("failed(");
    text += 4;
    text += ")";
    EXPECT_EQ(text, MString("failed(4)"));
    EXPECT_EQ(MString("a") + 0.25, MString("a0.25"));
    EXPECT_EQ("select " + MString("pCube1"), MString("select pCube1"));
    // Joined pieces keep every one of them, the operands unchanged.
    MString name("dft12_345");
    MString line = "setAttr " + name + ".kivanoEdges" + MString(" -type") + " \"doubleArray\"" +
                   (const char*)nullptr;
    EXPECT_EQ(line, MString("setAttr dft12_345.kivanoEdges -type \"doubleArray\""));
    EXPECT_EQ(name, MString("dft12_345"));
    EXPECT_EQ(MString() + MString(), MString(""));
}

TEST(LangApiString, SplitCompareAndHash) {
    MStringArray parts;
    MString("|grp||pCube1|").split('|', parts);
    ASSERT_EQ(parts.length(), 2u);
    EXPECT_EQ(parts[1], MString("pCube1"));
    EXPECT_TRUE(MString("a") < MString("b"));
    EXPECT_NE(MString("a"), MString("A"));
    EXPECT_EQ(MString("Kivano").toLowerCase(), MString("kivano"));
    std::unordered_set<MString> names{MString("a"), MString("a"), MString("b")};
    EXPECT_EQ(names.size(), 2u);
}

TEST(LangApiArray, CopiesShareUntilOneIsWritten) {
    MFloatArray u;
    for (int i = 0; i < 1000; ++i)
        u.append(i * 0.5f);
    MFloatArray copy = u;
    EXPECT_TRUE(copy.sharesDataWith(u));
    copy[3] = -1.0f;  // writing detaches the copy only
    EXPECT_FALSE(copy.sharesDataWith(u));
    EXPECT_FLOAT_EQ(u[3], 1.5f);
    EXPECT_FLOAT_EQ(copy[3], -1.0f);

    // The host can hand one buffer to many arrays and still give value semantics.
    MFloatArray a(u.sharedData()), b(u.sharedData());
    EXPECT_TRUE(a.sharesDataWith(b));
    b.append(7.0f);
    EXPECT_EQ(a.length(), 1000u);
    EXPECT_EQ(b.length(), 1001u);
    EXPECT_EQ(u.length(), 1000u);
}

TEST(LangApiArray, EditsCheckTheirIndex) {
    MIntArray a(3, 7);
    EXPECT_TRUE(a.insert(1, 0));
    EXPECT_TRUE(a.remove(3));
    EXPECT_EQ(a.remove(3), MStatus::kInvalidParameter);
    EXPECT_EQ(a.set(5, 9), MStatus::kInvalidParameter);
    EXPECT_EQ(a.insert(5, 4), MStatus::kInvalidParameter);
    ASSERT_EQ(a.length(), 3u);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[2], 7);
    int raw[3] = {};
    a.get(raw);
    EXPECT_EQ(raw[0], 1);
    a.setLength(5);
    EXPECT_EQ(a[4], 0);
    MUintArray empty;
    EXPECT_EQ(empty.sharedData()->size(), 0u);
    EXPECT_TRUE(empty.clear());
}

MArgList words(std::initializer_list<const char*> list) {
    MArgList args;
    for (const char* w : list)
        args.addArg(MString(w));
    return args;
}

MSyntax menuSyntax() {
    MSyntax syntax;
    syntax.addFlag("l", "language", MSyntax::kUnsigned);
    syntax.addFlag("-h", "-help");
    syntax.addFlag("p", "pos", MSyntax::kDouble, MSyntax::kLong);
    return syntax;
}

TEST(LangApiArgs, FlagsReadByEitherName) {
    MStatus status;
    MArgDatabase data(menuSyntax(), words({"-language", "1", "-h", "-p", "-2.5", "-3", "obj"}),
                      &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(data.isFlagSet("l"));
    EXPECT_TRUE(data.isFlagSet("-help"));
    unsigned int language = 9;
    EXPECT_TRUE(data.getFlagArgument("-l", 0, language));
    EXPECT_EQ(language, 1u);
    double x = 0;
    int y = 0;
    EXPECT_TRUE(data.getFlagArgument("pos", 0, x));
    EXPECT_TRUE(data.getFlagArgument("pos", 1, y));
    EXPECT_DOUBLE_EQ(x, -2.5);
    EXPECT_EQ(y, -3);
    EXPECT_EQ(data.getFlagArgument("pos", 2, y), MStatus::kInvalidParameter);
    EXPECT_EQ(data.getFlagArgument("help", 0, y), MStatus::kInvalidParameter);
    MString object;
    EXPECT_TRUE(data.getCommandArgument(0, object));
    EXPECT_EQ(object, MString("obj"));
}

TEST(LangApiArgs, MalformedInputFailsTheParse) {
    const std::initializer_list<const char*> bad[] = {
        {"-l", "abc"}, {"-l", "-1"}, {"-l"}, {"-x"}, {"-p", "1.5", "2.5"}, {"-l", "-h"},
    };
    for (const auto& list : bad) {
        MStatus status;
        MArgDatabase data(menuSyntax(), words(list), &status);
        EXPECT_FALSE(status) << *list.begin();
        EXPECT_FALSE(data.isFlagSet("l"));  // a failed parse sets nothing
    }
    MArgDatabase none(menuSyntax(), MArgList());
    EXPECT_FALSE(none.isFlagSet("help"));
    unsigned int value = 5;
    EXPECT_EQ(none.getFlagArgument("l", 0, value), MStatus::kNotFound);
    EXPECT_EQ(value, 5u);
}

TEST(LangApiArgs, QueryModeFlagsCarryNoValues) {
    MSyntax syntax;
    syntax.enableQuery();
    syntax.addFlag("v", "value", MSyntax::kBoolean);
    MStatus status;
    MArgDatabase query(syntax, words({"-q", "-v", "cb1"}), &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(query.isQuery());
    EXPECT_TRUE(query.isFlagSet("value"));
    MString control;
    EXPECT_TRUE(query.getCommandArgument(0, control));
    EXPECT_EQ(control, MString("cb1"));
    MArgDatabase edit(syntax, words({"-v", "on", "cb1"}), &status);
    ASSERT_TRUE(status);
    EXPECT_FALSE(edit.isQuery());
    bool value = false;
    EXPECT_TRUE(edit.getFlagArgument("v", 0, value));
    EXPECT_TRUE(value);
}

TEST(LangApiArgs, ArgListReadsTypedValues) {
    MArgList args = words({"3", "x", "2.5", "on"});
    MStatus status;
    EXPECT_EQ(args.asInt(0, &status), 3);
    EXPECT_TRUE(status);
    args.asInt(1, &status);
    EXPECT_EQ(status, MStatus::kInvalidParameter);
    EXPECT_DOUBLE_EQ(args.asDouble(2), 2.5);
    EXPECT_TRUE(args.asBool(3));
    args.asString(4, &status);
    EXPECT_FALSE(status);
    unsigned int index = 0;
    int first = 0;
    EXPECT_TRUE(args.get(index, first));
    EXPECT_EQ(index, 1u);
}

TEST(LangApiStatus, CodesAndText) {
    MStatus ok;
    EXPECT_TRUE(ok);
    EXPECT_FALSE(ok.error());
    MStatus bad(MStatus::kNotFound);
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad, MS::kNotFound);
    EXPECT_NE(bad, MStatus(MStatus::kFailure));
    EXPECT_EQ(bad.errorString(), MString("(kNotFound): Object not found"));
    bad.clear();
    EXPECT_EQ(bad.statusCode(), MStatus::kSuccess);
}

}  // namespace
