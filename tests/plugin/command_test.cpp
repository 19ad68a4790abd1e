// The unfold command as a user meets it: messages, help, options, selection.
#include "host_fixture.h"

#include <maya/MProgressWindow.h>

#include "core/messages.h"
#include "core/progress.h"
#include "plugin/option_controls.h"

namespace {

const std::vector<std::string> fullRun = {
    "kivano: calculate..",      "kivano: calculate(1/3)..", "kivano: calculate(2/3)..",
    "kivano: calculate(3/3)..", "kivano: creating scene..", "kivano: finished",
    "kivano: finished.",
};

class Command : public PluginTest {};

std::vector<host_session::Progress> progressSeen;

void seeProgress(const host_session::Progress& progress) {
    progressSeen.push_back(progress);
}

TEST_F(Command, RunShowsEveryStepInOrder) {
    addCube("box", {0, 0, 0});
    selectOnly({"box"});
    openWindow();
    host::clearMessageLog();
    progressSeen.clear();
    host::setProgressListener(seeProgress);
    ASSERT_TRUE(run("kivano"));
    host::setProgressListener(nullptr);
    EXPECT_EQ(kivanoMessages(), fullRun);

    // The progress window climbs through the five steps, each with its line,
    // never back, and is closed and free again at the end.
    ASSERT_FALSE(progressSeen.empty());
    EXPECT_FALSE(progressSeen.back().shown);
    std::vector<std::pair<int, std::string>> steps;
    for (const host_session::Progress& p : progressSeen) {
        if (!p.shown)
            continue;
        EXPECT_EQ(p.min, 0);
        EXPECT_EQ(p.max, 5);
        if (!steps.empty()) {
            EXPECT_GE(p.value, steps.back().first);
        }
        if (p.value > 0 && (steps.empty() || steps.back().first != p.value))
            steps.emplace_back(p.value, p.status);
    }
    std::vector<std::pair<int, std::string>> expected;
    for (int step = 1; step <= 5; ++step)
        expected.emplace_back(step, fullRun[size_t(step)]);
    EXPECT_EQ(steps, expected);
    ASSERT_TRUE(MProgressWindow::reserve());
    MProgressWindow::endProgress();
}

TEST_F(Command, NothingSelectedSaysSoAndChangesNothing) {
    addCube("box", {0, 0, 0});
    run("select -cl");
    std::string before = sceneSnapshot();
    openWindow();
    host::clearMessageLog();
    ASSERT_TRUE(run("kivano"));
    std::vector<std::string> expected = {"kivano: calculate..", "kivano: no objects selected!",
                                         "kivano: finished."};
    EXPECT_EQ(kivanoMessages(), expected);
    EXPECT_EQ(sceneSnapshot(), before);
}

TEST_F(Command, HelpOnlySetsTheResult) {
    addCube("box", {0, 0, 0});
    selectOnly({"box"});
    std::string before = sceneSnapshot();
    for (const char* flag : {"-h", "-help"}) {
        host::clearMessageLog();
        host::Value result;
        ASSERT_TRUE(run(std::string("kivano ") + flag, &result));
        ASSERT_TRUE(result.isString());
        EXPECT_EQ(std::get<std::string>(result.data),
                  "kivano:\nVerwandelt aktuelle Szene in einen Bastelbogen\n");
        EXPECT_TRUE(kivanoMessages().empty());
        EXPECT_EQ(sceneSnapshot(), before);
    }
}

TEST_F(Command, ClosedWindowKeepsTheOptionsAndSaysOnceWhatItCouldNotRead) {
    openWindow();
    runPython("cmds.deleteUI('newWindow',window=True)");
    addCube("box", {0, 0, 0});
    selectOnly({"box"});
    host::clearMessageLog();
    ASSERT_TRUE(run("kivano"));
    int warnings = 0;
    for (const host::Message& m : host::messageLog())
        if (m.kind == host::MessageKind::Warning && m.text.find("kivano: could not read") == 0) {
            ++warnings;
            EXPECT_NE(m.text.find(KIVANO_CONTROL_PAGE_WIDTH), std::string::npos);
            EXPECT_NE(m.text.find(KIVANO_CONTROL_ARRANGEMENT), std::string::npos);
        }
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(kivanoMessages(), fullRun);
    EXPECT_FALSE(sheetObjects("dft").empty());
}

TEST_F(Command, BadSizeFieldStopsTheRunBeforeAnythingChanges) {
    const char* cases[][2] = {
        {KIVANO_CONTROL_PAGE_WIDTH, ""},   {KIVANO_CONTROL_PAGE_WIDTH, "abc"},
        {KIVANO_CONTROL_PAGE_HEIGHT, "0"}, {KIVANO_CONTROL_PAGE_HEIGHT, "-5"},
        {KIVANO_CONTROL_LUG_WIDTH, "nan"}, {KIVANO_CONTROL_LUG_WIDTH, "inf"},
    };
    for (const auto& c : cases) {
        PluginTest::SetUp();
        addCube("box", {0, 0, 0});
        selectOnly({"box"});
        openWindow();
        setOption(std::string("cmds.textFieldGrp(") + c[0] + ",edit=True,text='" + c[1] + "')");
        std::string before = sceneSnapshot();
        host::clearMessageLog();
        pressStart();
        EXPECT_EQ(sceneSnapshot(), before) << c[0] << "=" << c[1];
        bool named = false;
        for (const host::Message& m : host::messageLog())
            named |= m.kind == host::MessageKind::Error && m.text.rfind("kivano: ", 0) == 0 &&
                     m.text.find(c[0]) != std::string::npos;
        EXPECT_TRUE(named) << c[0] << "=" << c[1];
        EXPECT_FALSE(logHas("kivano: calculate.."));
    }
}

TEST_F(Command, OneObjectIsOnlyTriangulatedTwoAreUnitedFirst) {
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=False)");
    addCube("box", {0, 0, 0});
    selectOnly({"box"});
    ASSERT_TRUE(pressStart());
    for (host::scene::Node* n : host::scene::allNodes())
        if (n->kind == host::scene::NodeKind::Transform) {
            EXPECT_NE(n->name.rfind("polySurface", 0), 0u) << n->name;
        }
    EXPECT_EQ(host::scene::meshOf(*host::scene::findNode("box"))->mesh->numPolygons(), 12);

    PluginTest::SetUp();
    addCube("a", {0, 0, 0});
    addCube("b", {3, 0, 0});
    selectOnly({"a", "b"});
    ASSERT_TRUE(pressStart());
    bool united = false;
    for (host::scene::Node* n : host::scene::allNodes())
        united |=
            n->kind == host::scene::NodeKind::Transform && n->name.rfind("polySurface", 0) == 0;
    EXPECT_TRUE(united);
}

TEST_F(Command, VersionAndMeshInfoLeaveTheSceneAlone) {
    addCube("box", {0, 0, 0});
    host::scene::createTransform("empty");
    std::string before = sceneSnapshot();
    host::clearMessageLog();
    ASSERT_TRUE(run("version 1 2 3"));
    EXPECT_TRUE(logHas("Kivano V1.0"));
    for (const char* selection : {"select -cl", "select -r empty", "select -r box"}) {
        run(selection);
        before = sceneSnapshot();
        EXPECT_TRUE(run("meshInfo"));
        EXPECT_EQ(sceneSnapshot(), before);
    }
}

}  // namespace
