#include "bench/meshgen/objio.h"
#include "geometry/lugs.h"
#include "geometry/options.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/fewest_pieces.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {
struct Model {
    std::string name;
    std::function<std::vector<kivano::TriangleMesh>()> meshes;
};

struct Setting {
    bool lugs;
    bool pageLimit;
    bool fewestPieces = false;
    int tries = 0;  // further join orders of the fewest-pieces unfolding
};

void unfold(const Setting& setting) {
    KivanoOptions.fewestTries = setting.tries;
    if (setting.fewestPieces)
        unfoldFewestPieces();
    else
        algokante();
}

class WholeUnfolding : public testing::TestWithParam<std::tuple<Model, Setting>> {
protected:
    void TearDown() override { KivanoOptions = KivanoOptionsRecord(); }
};
}  // namespace

TEST_P(WholeUnfolding, NetsAreFlatCopiesWithoutOverlapAndLugsOnCutsOnly) {
    const auto& [model, setting] = GetParam();
    KivanoOptions.limitPageSize = setting.pageLimit;
    KivanoOptions.pageWidth = 2.5;
    KivanoOptions.pageHeight = 2.0;
    loadMeshes(model.meshes(), setting.lugs);
    unfold(setting);

    EXPECT_EQ(checkMembership(), "");
    EXPECT_EQ(checkEdgeLengths(1e-9), "");
    EXPECT_EQ(checkNoOverlap(), "");
    EXPECT_EQ(checkFoldsHaveNoLugs(), "");
    if (setting.lugs)
        EXPECT_EQ(checkCutsHaveOneLug(), "");
    else
        EXPECT_EQ(lugCount(), 0);
    EXPECT_EQ(savedLugsDepth(), 0);

    if (setting.pageLimit)
        for (const auto& net : gtcvec)
            if (net->active && net->size() > 1) {
                double w = net->maxx - net->minx, h = net->maxy - net->miny;
                // the search may lay a piece on the page the other way round
                if (setting.tries > 0 && (w > 2.5 || h > 2.0))
                    std::swap(w, h);
                EXPECT_LE(w, 2.5);
                EXPECT_LE(h, 2.0);
            }

    if (setting.tries > 0) {
        // the search starts from the unfolding without it and keeps only fewer pieces
        int searched = activeNetCount();
        loadMeshes(model.meshes(), setting.lugs);
        unfold({setting.lugs, setting.pageLimit, setting.fewestPieces, 0});
        EXPECT_LE(searched, activeNetCount());
    }
}

TEST_P(WholeUnfolding, SameInputGivesTheSameSheet) {
    const auto& [model, setting] = GetParam();
    KivanoOptions.limitPageSize = setting.pageLimit;
    loadMeshes(model.meshes(), setting.lugs);
    unfold(setting);
    std::string first = describeSheet(false);
    loadMeshes(model.meshes(), setting.lugs);
    unfold(setting);
    EXPECT_EQ(firstDifference(first, describeSheet(false)), "");
}

static std::vector<kivano::TriangleMesh> example(const char* name) {
    kivano::TriangleMesh mesh;
    std::string error;
    kivano::readObj((std::string(KIVANO_SOURCE_DIR "/examples/") + name).c_str(), mesh, error);
    return {mesh};
}

static std::vector<Model> models() {
    return {
        {"icosphere",
         [] { return std::vector<kivano::TriangleMesh>{kivano::makeIcosphere(4, 0.1, 1)}; }},
        {"torus", [] { return std::vector<kivano::TriangleMesh>{kivano::makeTorus(32, 12)}; }},
        {"cube", [] { return std::vector<kivano::TriangleMesh>{kivano::makeCube()}; }},
        {"holes",
         [] { return std::vector<kivano::TriangleMesh>{kivano::makeHoledSheet(15, 12, 0.8)}; }},
        {"figure", [] { return example("figure.obj"); }},
        {"house", [] { return example("house.obj"); }},
        {"tube_and_sheet",
         [] {
             return std::vector<kivano::TriangleMesh>{kivano::makeTube(16, 20, 0.1, 9),
                                                      kivano::makeWavedSheet(10, 8, 0.6)};
         }},
    };
}

INSTANTIATE_TEST_SUITE_P(
    Models, WholeUnfolding,
    testing::Combine(testing::ValuesIn(models()),
                     testing::Values(Setting{true, false}, Setting{false, false},
                                     Setting{true, true}, Setting{true, true, true},
                                     Setting{true, true, true, 30},
                                     Setting{false, true, true, 30})),
    [](const testing::TestParamInfo<std::tuple<Model, Setting>>& param) {
        const Setting& setting = std::get<1>(param.param);
        return std::get<0>(param.param).name + (setting.lugs ? "_lugs" : "_nolugs") +
               (setting.pageLimit ? "_page" : "") + (setting.fewestPieces ? "_fewest" : "") +
               (setting.tries > 0 ? "_tries" : "");
    });

// The fewest-pieces nets of a real scan: every tab clear of every face and
// tab of its net (the independent overlap test), one tab on every cut edge,
// and far fewer pieces than the edge order gives.
TEST(FewestPieces, TheBunnyGivesFewerPiecesAndNoLugOverAFace) {
    const char* bunny = KIVANO_SOURCE_DIR "/../shared/models/bunny.obj";
    kivano::TriangleMesh mesh;
    std::string error;
    if (!kivano::readObj(bunny, mesh, error))
        GTEST_SKIP() << error;
    KivanoOptions.limitPageSize = true;
    KivanoOptions.pageWidth = 19.0;
    KivanoOptions.pageHeight = 27.7;
    loadMeshes({mesh}, true);
    algokante();
    int defaultNets = activeNetCount();
    loadMeshes({mesh}, true);
    unfoldFewestPieces();
    EXPECT_EQ(checkNoOverlap(), "");
    EXPECT_EQ(checkCutsHaveOneLug(), "");
    EXPECT_EQ(checkMembership(), "");
    EXPECT_LT(activeNetCount(), defaultNets);
    // at most half the 77 pieces the most used free program cuts it into
    EXPECT_LE(activeNetCount(), 38);
    KivanoOptions = KivanoOptionsRecord();
}
