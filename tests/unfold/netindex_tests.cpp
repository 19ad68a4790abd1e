#include "bench/meshgen/objio.h"
#include "geometry/options.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/netindex.h"
#include "unfold/run_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace {
// Selects the full scan or the index for the runs that start while it lives.
class ScanSelection {
public:
    explicit ScanSelection(bool fullScan) {
        if (fullScan)
            setenv("KIVANO_FULL_SCAN", "1", 1);
        else
            unsetenv("KIVANO_FULL_SCAN");
        readScanSelection();
    }
    ~ScanSelection() {
        unsetenv("KIVANO_FULL_SCAN");
        readScanSelection();
    }
};

struct Case {
    const char* name;
    std::vector<kivano::TriangleMesh> meshes;
    bool lugs;
    bool pageLimit;
};
}  // namespace

static std::string unfoldWith(bool fullScan, const Case& c) {
    ScanSelection selection(fullScan);
    KivanoOptions.limitPageSize = c.pageLimit;
    KivanoOptions.pageWidth = 6;
    KivanoOptions.pageHeight = 7;
    loadMeshes(c.meshes, c.lugs);
    algokante();
    KivanoOptions = KivanoOptionsRecord();
    return describeSheet(true);
}

static size_t largestNet() {
    size_t largest = 0;
    for (const auto& net : gtcvec)
        if (net->active)
            largest = std::max(largest, net->size());
    return largest;
}

TEST(NetIndex, WholeUnfoldingsEqualTheFullScanBitForBit) {
    kivano::TriangleMesh bunny;
    std::string error;
    // the bunny lives beside the project, not in it: a clone elsewhere goes without
    bool haveBunny = kivano::readObj(KIVANO_SOURCE_DIR "/../shared/models/bunny.obj", bunny, error);
    std::vector<Case> cases = {
        {"sphere", {kivano::makeIcosphere(4, 0.1, 2)}, true, false},
        {"sphere without lugs", {kivano::makeIcosphere(3, 0.1, 3)}, false, false},
        {"torus on a page", {kivano::makeTorus(40, 16)}, true, true},
        {"tube and holes",
         {kivano::makeTube(30, 40, 0.1, 4), kivano::makeHoledSheet(20, 20, 0.9)},
         true,
         false},
        {"waved sheet without lugs", {kivano::makeWavedSheet(30, 30, 1.5)}, false, false},
    };
    if (haveBunny)
        cases.push_back({"bunny", {bunny}, true, false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string scanned = unfoldWith(true, c);
        std::string indexed = unfoldWith(false, c);
        // the index only matters, and is only built, for nets above its threshold
        EXPECT_GE(largestNet(), 2 * NetIndex::kGridThreshold);
        EXPECT_EQ(firstDifference(scanned, indexed), "");
    }
}

// Scatters the triangles of a sphere over a small square, so that many of
// them overlap, and asks the net with the index and a copy without it about
// random placements of further triangles.
TEST(NetIndex, RandomNetsAnswerLikeTheFullScan) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    loadMeshes({kivano::makeIcosphere(3, 0.15, 8)}, true);
    createContainers();

    gtc indexed;
    std::vector<gt*> scattered;
    for (const auto& t : gtvec[0]) {
        if (scattered.size() == 600)
            break;
        gtc placement;
        placement.setRotation(vec3d(1, 0, 0),
                              vec3d(std::cos(unit(random) * 6.3), std::sin(unit(random) * 6.3), 0));
        placement.setTranslation(vec3d(), vec3d(unit(random) * 4, unit(random) * 4, 0));
        t->transform(placement.trans, placement.rot, placement.pivot);
        indexed.addTriangle(t.get());
        scattered.push_back(t.get());
    }
    ASSERT_TRUE(indexed.index.built());
    ScanSelection selection(true);
    gtc scanned;
    for (gt* t : scattered)
        scanned.addTriangle(t);
    ASSERT_FALSE(scanned.index.built());

    int hits = 0, misses = 0;
    for (size_t i = 600; i < gtvec[0].size(); ++i) {
        gtc& B = *gtcvec[i];
        const gt* s = B.triangle(0);
        B.setPivot(vec3d(unit(random), unit(random), 0));
        B.setRotation(vec3d(1, 0, 0),
                      vec3d(std::cos(unit(random) * 6.3), std::sin(unit(random) * 6.3), 0));
        B.setTranslation(vec3d(), vec3d(unit(random) * 6 - 1, unit(random) * 6 - 1, 0));
        bool expected = scanned.testTriangle(&B, s);
        ASSERT_EQ(indexed.testTriangle(&B, s), expected) << "triangle " << i;
        (expected ? hits : misses)++;
    }
    EXPECT_GT(hits, 50);
    EXPECT_GT(misses, 50);
}

TEST(NetIndex, PieceBoxesHoldTheLugsAndNeverRuleOutNonFiniteCorners) {
    loadMeshes({kivano::makeCube()}, true);
    createContainers();
    const gt& t = *gtvec[0][0];
    PieceBox box = pieceBox(t);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(box.minx <= t.p[k].x && t.p[k].x <= box.maxx && box.miny <= t.p[k].y &&
                    t.p[k].y <= box.maxy);
        for (int j = 0; j < 2 && t.lugs[k][0]; ++j)
            EXPECT_TRUE(box.minx <= t.lugs[k][j]->x && t.lugs[k][j]->x <= box.maxx);
    }
    mat3d turn;
    turn.m[0] = 0;
    turn.m[1] = -1;
    turn.m[3] = 1;
    turn.m[4] = 0;
    PieceBox placed = placedPieceBox(t, turn, vec3d(10, 0, 0), vec3d());
    EXPECT_DOUBLE_EQ(placed.minx, 10 - box.maxy);
    EXPECT_DOUBLE_EQ(placed.maxy, box.maxx);

    // a net whose triangle has a NaN corner still offers it to every query
    gtvec[0][5]->p[1].x = NAN;
    NetIndex index;
    std::vector<gt*> list;
    for (size_t i = 0; i < NetIndex::kGridThreshold; ++i) {
        list.push_back(gtvec[0][i % 12].get());
        index.add(*list.back());
    }
    ASSERT_TRUE(index.built());
    int offered = 0;
    index.anyCandidate({1000, 1000, 1001, 1001}, [&](uint32_t position) {
        offered += list[position] == gtvec[0][5].get() ? 1 : 0;
        return false;
    });
    EXPECT_EQ(offered, 2);
}

// A pass ends by moving every net's triangles into the net's own frame; the
// next pass tests against the index, which must then find each triangle
// where it lies, not where it lay while joining.
TEST(NetIndex, AfterAPassEveryTriangleIsIndexedWhereItLies) {
    loadMeshes({kivano::makeWavedSheet(12, 9, 0.0)}, true);
    createContainers();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    joinCoplanarFaces(table);
    ASSERT_EQ(activeNetCount(), 1);
    for (const auto& net : gtcvec) {
        if (!net->active)
            continue;
        ASSERT_GE(net->index.size(), size_t(NetIndex::kGridThreshold));
        for (const gt* t : net->gt)
            EXPECT_TRUE(net->index.anyCandidate(
                pieceBox(*t), [&](uint32_t position) { return net->stored[position] == t; }))
                << "triangle " << t->faceindex << " is not indexed where it lies";
    }
}
