// The host as a tool drives it: only through host_session/, except where a
// test needs a command no shipped one can be made to be.
#include <host_session/session.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <new>

#include "core/command.h"
#include "core/messages.h"

namespace {

namespace hs = host_session;

class SessionApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        hs::setQuiet(true);
        session = std::make_unique<hs::Session>();
    }
    static void TearDownTestSuite() { session.reset(); }
    void SetUp() override { hs::resetScene(); }

    inline static std::unique_ptr<hs::Session> session;
};

TEST_F(SessionApi, RunningOutOfMemoryIsToldApartFromFailing) {
    auto add = [](const char* name, host::CommandFn run) {
        host::CommandSpec command;
        command.name = name;
        command.run = std::move(run);
        ASSERT_TRUE(host::CommandRegistry::instance().add(command));
    };
    add("exhaust",
        [](const host::Invocation&, host::CommandContext&) -> MStatus { throw std::bad_alloc(); });
    add("refuse", [](const host::Invocation&, host::CommandContext&) {
        host::postMessage(host::MessageKind::Error, "refuse: no");
        return MStatus(MStatus::kFailure);
    });

    EXPECT_EQ(hs::runCommandLanguage("exhaust;").outcome, hs::Outcome::OutOfMemory);
    // A script that carries on past the failed command still ran out.
    hs::RunResult caught = hs::runPython(
        "import maya.cmds as cmds\ntry:\n    cmds.exhaust()\nexcept RuntimeError:\n    pass\n");
    EXPECT_EQ(caught.outcome, hs::Outcome::OutOfMemory);

    hs::RunResult refused = hs::runCommandLanguage("refuse;");
    EXPECT_EQ(refused.outcome, hs::Outcome::Failed);
    ASSERT_FALSE(refused.errors.empty());
    EXPECT_EQ(refused.errors.front(), "refuse: no");
    // The exhaustion before does not mark later work.
    EXPECT_TRUE(hs::runCommandLanguage("ls;").succeeded());
}

// A quad moved, turned and scaled, and a triangle left where it is: both as
// the unfolding sees them, in world space.
TEST_F(SessionApi, ImportedModelsAreMeasuredInWorldSpace) {
    std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "two_objects.obj";
    std::ofstream(file) << "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\nv 0 0 3\n"
                           "o quad\nf 1 2 3 4\no triangle\nf 1 4 5\n";
    hs::ModelImport model = hs::importModelFile(file.string());
    ASSERT_TRUE(model.imported) << model.error;
    ASSERT_EQ(model.transforms.size(), 2u);
    const std::string& quad = model.transforms[0];
    ASSERT_TRUE(hs::runCommandLanguage("setAttr " + quad + ".translate 10 20 30; setAttr " + quad +
                                       ".rotate 0 0 90; setAttr " + quad + ".scale 2 2 2;")
                    .succeeded());
    // Scaled by 2, a quarter turn about z (x becomes y, y becomes -x), then moved.
    auto moved = [](hs::Point p) -> hs::Point {
        return {10 - 2 * p[1], 20 + 2 * p[0], 30 + 2 * p[2]};
    };
    std::vector<std::vector<hs::Point>> expected{
        {moved({0, 0, 0}), moved({2, 0, 0}), moved({2, 1, 0}), moved({0, 1, 0})},
        {{0, 0, 0}, {0, 1, 0}, {0, 0, 3}}};
    std::vector<std::string> names{quad, "noSuchObject", model.transforms[1]};

    hs::Polygons polygons = hs::worldPolygons(names);
    ASSERT_EQ(polygons.counts, (std::vector<int>{4, 3}));
    ASSERT_EQ(polygons.corners.size(), 7u);
    size_t corner = 0;
    for (const auto& polygon : expected)
        for (const hs::Point& want : polygon) {
            const hs::Point& got = polygons.points.at(size_t(polygons.corners[corner++]));
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_NEAR(got[axis], want[axis], 1e-9) << "corner " << corner - 1;
        }

    hs::Box box = hs::worldBox(names);
    hs::Point low{0, 0, 0}, high{10, 24, 30};
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(box.low[axis], low[axis], 1e-9);
        EXPECT_NEAR(box.high[axis], high[axis], 1e-9);
    }
    EXPECT_EQ(hs::triangleCount(names), 3);
}

}  // namespace
