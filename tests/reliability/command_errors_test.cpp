// Wrong flags, wrong argument types and too many arguments, typed in the
// shell or called through Python: each ends in an error that names the
// command, and leaves the scene exactly as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_session.h"
#include "scene/scene_digest.h"

namespace {

enum class Via { Shell, Python };

struct BadCall {
    Via via;
    std::string text;
    std::string named;  // what the error must mention
};

const char* viaName(Via via) {
    return via == Via::Shell ? "shell" : "python";
}

// A scene where a run of the unfold command would change a lot: a selected
// cube and the option window open.
void prepareScene() {
    resetHost();
    addCube("pCube1");
    addCube("pCube2");
    ASSERT_TRUE(run("select -r pCube1"));
    ASSERT_TRUE(run("kivanomenu -l 1"));
    clearMessages();
}

MStatus call(const BadCall& c) {
    if (c.via == Via::Shell)
        return run(c.text);
    return runPython("import maya.cmds as cmds\n" + c.text);
}

bool mentions(const std::vector<std::string>& errors, const std::string& fragment) {
    for (const std::string& e : errors)
        if (e.find(fragment) != std::string::npos)
            return true;
    return false;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += "  " + l + "\n";
    return text.empty() ? "  (no error posted)\n" : text;
}

void expectRefused(const std::vector<BadCall>& calls) {
    for (const BadCall& c : calls) {
        prepareScene();
        const std::string before = host::scene::sceneDigest();
        MStatus status = call(c);
        std::vector<std::string> errors = postedErrors();
        SCOPED_TRACE(std::string(viaName(c.via)) + ": " + c.text);
        EXPECT_FALSE(status) << "reported success";
        EXPECT_TRUE(mentions(errors, c.named)) << "no error names '" << c.named << "'; posted:\n"
                                               << joined(errors);
        const std::string after = host::scene::sceneDigest();
        EXPECT_TRUE(after == before) << "the scene changed at " << firstDifference(before, after);
    }
}

// The host parses a plug-in command's flags against its syntax; a flag it
// refuses must say which command it belongs to.
TEST(CommandErrors, PluginCommandFlagErrorsNameTheCommand) {
    expectRefused({
        {Via::Shell, "kivanomenu -l abc", "kivanomenu"},
        {Via::Shell, "kivanomenu -l", "kivanomenu"},
        {Via::Shell, "kivanomenu -x 1", "kivanomenu"},
        {Via::Python, "cmds.kivanomenu(l='abc')", "kivanomenu"},
        {Via::Python, "cmds.kivanomenu(bogus=1)", "kivanomenu"},
        {Via::Python, "cmds.kivano(help=b'1')", "kivano"},
    });
}

// A flag takes one value: a list given to it is not two arguments.
TEST(CommandErrors, PluginCommandsRefuseAListForAOneValueFlag) {
    expectRefused({
        {Via::Python, "cmds.kivanomenu(language=[1, 2])", "kivanomenu"},
        {Via::Shell, "kivanomenu -l 1 2", "kivanomenu"},
    });
}

// The unfold command must not run on arguments it does not understand: a
// mistyped flag would otherwise unfold (and delete) the selection.
TEST(CommandErrors, UnfoldCommandRefusesUnknownFlagsAndStrayArguments) {
    expectRefused({
        {Via::Shell, "kivano -x 3", "kivano"},
        {Via::Shell, "kivano -help 3 4", "kivano"},
        {Via::Shell, "kivano pCube2", "kivano"},
        {Via::Python, "cmds.kivano(x=3)", "kivano"},
    });
}

TEST(CommandErrors, HostCommandsRefuseBadFlagsAndArguments) {
    expectRefused({
        {Via::Shell, "select nosuchobject", "select"},
        {Via::Shell, "select -r -nosuchflag pCube1", "select"},
        {Via::Shell, "select -r pCube1 nosuchobject", "select"},
        {Via::Shell, "setAttr pCube1.translateX abc", "setAttr"},
        {Via::Shell, "setAttr nosuchobject.translateX 1", "setAttr"},
        {Via::Shell, "polyUnite nosuch1 nosuch2", "polyUnite"},
        {Via::Shell, "delete nosuchobject", "delete"},
        {Via::Shell, "loadPlugin \"/no/such/plugin.so\"", "loadPlugin"},
        {Via::Python, "cmds.select('nosuchobject')", "select"},
        {Via::Python, "cmds.select({'pCube1': 1})", "select"},
        {Via::Python, "cmds.setAttr('pCube1.translateX', 'abc')", "setAttr"},
        {Via::Python, "cmds.delete('nosuchobject')", "delete"},
    });
}

TEST(CommandErrors, ScriptErrorsAreReportedAndChangeNothing) {
    expectRefused({
        {Via::Shell, "python(\"1 +\")", "SyntaxError"},
        {Via::Python, "1 +", "SyntaxError"},
        {Via::Python, "cmds.nosuchcommand()", "nosuchcommand"},
    });
}

// The information commands ignore what they are given; given anything, they
// still leave the scene alone.
TEST(CommandErrors, InformationCommandsChangeNothingWhateverTheirArguments) {
    for (const std::string text :
         {"version 1 2 3", "version -x", "meshInfo pCube1 extra", "meshInfo -bogus"}) {
        prepareScene();
        const std::string before = host::scene::sceneDigest();
        run(text);
        const std::string after = host::scene::sceneDigest();
        EXPECT_TRUE(after == before)
            << text << ": the scene changed at " << firstDifference(before, after);
    }
}

}  // namespace
