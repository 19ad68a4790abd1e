// Object names, the substring test and the recorded selection.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "geometry/gt.h"
#include "sceneout/names.h"
#include "unfold/gtc.h"

namespace {

// A net numbered `container` holding `count` triangles.
struct NetOf {
    std::vector<std::unique_ptr<gt>> triangles;
    gtc net;
    NetOf(int container, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            triangles.push_back(std::make_unique<gt>(0, int(i)));
            triangles.back()->container = container;
            net.gt.push_back(triangles.back().get());
        }
    }
};

TEST(Names, TrianglesAndLugs) {
    NetOf zero(0, 1), seventeen(17, 6);
    EXPECT_EQ(triangleName(zero.net, 0), "dft0_0");
    EXPECT_EQ(triangleName(seventeen.net, 5), "dft17_5");
    EXPECT_EQ(lugName(seventeen.net, 5, 2), "lug17_5_2");
    EXPECT_EQ(lugName(seventeen.net, 5, 3), "unnamed7");
    EXPECT_EQ(triangleName(seventeen.net, 6), "unnamed");
    EXPECT_EQ(lugName(seventeen.net, 6, 0), "unnamed4");
}

TEST(Names, LimitsAreTestedInOppositeOrders) {
    NetOf big(3, 10001);
    EXPECT_EQ(triangleName(big.net, 9999), "dft3_9999");
    EXPECT_EQ(triangleName(big.net, 10000), "unnamed2");
    EXPECT_EQ(lugName(big.net, 10000, 0), "unnamed6");
    NetOf far(10000, 10001);
    EXPECT_EQ(triangleName(far.net, 0), "unnamed3");
    EXPECT_EQ(triangleName(far.net, 10000), "unnamed2");
    EXPECT_EQ(lugName(far.net, 10000, 0), "unnamed5");
}

TEST(Names, Substring) {
    EXPECT_TRUE(isSubstring(".", "pCube1.f[2]"));
    EXPECT_FALSE(isSubstring(".", "pCube1"));
    EXPECT_TRUE(isSubstring("pCube1", "pCube1"));
    EXPECT_TRUE(isSubstring("e1", "pCube1"));
    EXPECT_FALSE(isSubstring("pCube12", "pCube1"));
    EXPECT_TRUE(isSubstring("\xC3\xA4", "K\xC3\xA4se"));
}

TEST(Names, FlatSelectionLeavesOutComponents) {
    MStringArray names;
    EXPECT_EQ(flatSelection(names), "");
    names.append("pCube1");
    names.append("pCube1.f[2]");
    EXPECT_EQ(flatSelection(names), "pCube1 ");
    names.append("pSphere1");
    EXPECT_EQ(flatSelection(names), "pCube1 pSphere1 ");
}

}  // namespace
