// The joining may be reorganised for speed, but the sheets it gives must not
// move: every net of the examples and of the bunny is compared with the one
// recorded before, to rounding. KIVANO_RECORD_SHEETS=1 records them anew.
#include "bench/meshgen/objio.h"
#include "geometry/options.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
struct Recorded {
    const char* name;
    const char* model;  // below the source folder
    double page;        // square page side in model units; 0: nets of any size
};

class UnchangedSheet : public testing::TestWithParam<Recorded> {
protected:
    void TearDown() override { KivanoOptions = KivanoOptionsRecord(); }
};
}  // namespace

// Points may move by rounding; 1e-9 per coordinate is far below anything a
// change of the joining itself would give.
static const double kPointRounding = 1e-9;

TEST_P(UnchangedSheet, NetsAreThoseRecordedBefore) {
    const Recorded& recorded = GetParam();
    std::filesystem::path model = std::filesystem::path(KIVANO_SOURCE_DIR) / recorded.model;
    if (!std::filesystem::exists(model))
        GTEST_SKIP() << model << " is not there";
    kivano::TriangleMesh mesh;
    std::string error;
    ASSERT_TRUE(kivano::readObj(model.c_str(), mesh, error)) << error;
    KivanoOptions.limitPageSize = recorded.page > 0;
    KivanoOptions.pageWidth = recorded.page;
    KivanoOptions.pageHeight = recorded.page;
    loadMeshes({mesh}, true);
    algokante();
    std::string actual = sheetFingerprint();

    std::filesystem::path file = std::filesystem::path(KIVANO_SOURCE_DIR) / "tests/data/sheets" /
                                 (std::string(recorded.name) + ".txt");
    const char* record = std::getenv("KIVANO_RECORD_SHEETS");
    if (record && std::string(record) == "1") {
        std::ofstream(file) << actual;
        GTEST_SKIP() << "recorded " << file;
    }
    std::ifstream in(file);
    ASSERT_TRUE(in) << file;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(fingerprintDifference(expected.str(), actual, kPointRounding), "");
}

INSTANTIATE_TEST_SUITE_P(
    Models, UnchangedSheet,
    testing::Values(Recorded{"cube", "examples/cube.obj", 0},
                    Recorded{"house", "examples/house.obj", 0},
                    Recorded{"figure", "examples/figure.obj", 0},
                    Recorded{"figure_page", "examples/figure.obj", 4},
                    Recorded{"bunny", "../shared/models/bunny.obj", 0},
                    Recorded{"bunny_page", "../shared/models/bunny.obj", true}),
    [](const testing::TestParamInfo<Recorded>& param) { return std::string(param.param.name); });
