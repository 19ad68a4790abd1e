// Which shading group a source polygon's triangle joins.
#include <gtest/gtest.h>

#include "sceneout/shading.h"

namespace {

ShadingLookup lookup(std::initializer_list<const char*> names, std::initializer_list<int> indices) {
    ShadingLookup s;
    for (const char* n : names)
        s.names.append(n);
    for (int i : indices)
        s.indices.append(i);
    return s;
}

TEST(Shading, NoneOneOrPerPolygon) {
    EXPECT_EQ(shadingGroupOf(lookup({}, {}), 0), "initialShadingGroup");
    ShadingLookup one = lookup({"redSG"}, {0, 0, -1});
    EXPECT_EQ(shadingGroupOf(one, 0), "redSG");
    EXPECT_EQ(shadingGroupOf(one, 2), "redSG");
    ShadingLookup two = lookup({"redSG", "blueSG"}, {0, 1, 1, 0});
    EXPECT_EQ(shadingGroupOf(two, 0), "redSG");
    EXPECT_EQ(shadingGroupOf(two, 1), "blueSG");
    EXPECT_EQ(shadingGroupOf(two, 3), "redSG");
}

TEST(Shading, PolygonOutsideEveryEngineGetsTheDefault) {
    ShadingLookup two = lookup({"redSG", "blueSG"}, {0, -1, 5});
    EXPECT_EQ(shadingGroupOf(two, 1), "initialShadingGroup");
    EXPECT_EQ(shadingGroupOf(two, 2), "initialShadingGroup");
    EXPECT_EQ(shadingGroupOf(two, 3), "initialShadingGroup");
    EXPECT_EQ(shadingGroupOf(two, -1), "initialShadingGroup");
}

}  // namespace
