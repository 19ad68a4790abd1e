// Placement of the nets side by side and in layers.
#include <gtest/gtest.h>

#include <memory>

#include "sceneout/arrangement.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

namespace {

gt* keep(std::vector<std::unique_ptr<gt>>& store) {
    store.push_back(std::make_unique<gt>(0, int(store.size())));
    return store.back().get();
}

// Nets of the given widths; width 0 means an empty net, a negative width an
// inactive one of that magnitude.
void makeNets(std::vector<std::unique_ptr<gt>>& store, std::initializer_list<double> widths) {
    clearRun();
    for (double w : widths) {
        auto net = std::make_unique<gtc>();
        net->active = w >= 0;
        net->minx = 1.0;
        net->maxx = 1.0 + std::fabs(w);
        if (w != 0)
            net->gt.push_back(keep(store));
        gtcvec.push_back(std::move(net));
    }
}

TEST(Arrangement, SideBySideSpacesByFiftyFivePercentOfBothWidths) {
    std::vector<std::unique_ptr<gt>> store;
    makeNets(store, {2.0, -5.0, 0.0, 4.0, 6.0});
    Arrangement a;
    setUpArrangement(a, arrangeSideBySide);
    EXPECT_EQ(a.active, 4u);  // the empty net is active, the merged one not
    advanceArrangement(a, 0);
    EXPECT_DOUBLE_EQ(a.xoff, 0.55 * (2.0 + 4.0));  // skips inactive and empty
    advanceArrangement(a, 3);
    EXPECT_DOUBLE_EQ(a.xoff, 0.55 * (2.0 + 4.0) + 0.55 * (4.0 + 6.0));
    advanceArrangement(a, 4);
    EXPECT_DOUBLE_EQ(a.xoff, 0.55 * (2.0 + 4.0) + 0.55 * (4.0 + 6.0) + 0.55 * 6.0);
    EXPECT_EQ(a.drawn, 3u);
    EXPECT_EQ(a.zoff, 0.0);
    clearRun();
}

TEST(Arrangement, LayersStepUpInZAndOutputPointsDropTheirZ) {
    std::vector<std::unique_ptr<gt>> store;
    makeNets(store, {1.0, 1.0, 1.0});
    Arrangement a;
    setUpArrangement(a, arrangeLayered);
    for (unsigned c = 0; c < 3; ++c) {
        MPoint p = outputPoint(a, vec3d(0.25, -0.5, 7.0));
        EXPECT_EQ(p.x, 0.25);
        EXPECT_EQ(p.y, -0.5);
        EXPECT_EQ(p.z, double(c));
        EXPECT_EQ(p.w, 1.0);
        advanceArrangement(a, c);
    }
    EXPECT_EQ(a.xoff, 0.0);
    clearRun();
}

}  // namespace
