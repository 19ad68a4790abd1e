#include "geometry/lugs.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/small_meshes.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <gtest/gtest.h>

#include <cmath>

static bool hasLug(const gt* t, int k) {
    return bool(t->Lugs[k][0]);
}

static double distance(const vec3d& a, const vec3d& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(Merge, JoinsTwoTrianglesAlongTheirSharedEdge) {
    loadMeshes({flatQuad()}, true);
    createContainers();
    gt* t = gtvec[0][0].get();
    gt* n = gtvec[0][1].get();
    ASSERT_EQ(t->nb[2], n);
    ASSERT_TRUE(hasLug(t, 2) || hasLug(n, 0));

    EXPECT_TRUE(gtcvec[0]->merge(gtcvec[1].get(), t, 2, false, false, 0, 0));
    EXPECT_FALSE(gtcvec[1]->active);
    ASSERT_EQ(gtcvec[0]->size(), 2u);
    EXPECT_EQ(gtcvec[0]->triangle(1), n);
    EXPECT_EQ(n->container, 0);
    EXPECT_LT(distance(t->p[2], n->p[1]), 1e-12);
    EXPECT_LT(distance(t->p[0], n->p[0]), 1e-12);
    EXPECT_FALSE(hasLug(t, 2) || hasLug(n, 0) || n->lugs[0][0]);
    EXPECT_EQ(savedLugsDepth(), 0);
    // the motion is rigid and stays in the plane
    EXPECT_NEAR(distance(n->p[2], t->p[1]), std::sqrt(2.0), 1e-12);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(n->p[k].z, 0);
    EXPECT_EQ(checkFoldsHaveNoLugs(), "");
}

TEST(Merge, ClosingASecondEdgeRemovesItsLugsToo) {
    loadMeshes({squareFan()}, true);
    createContainers();
    // nets {0, 1} and {3, 2}; joining them along the edge of 1 and 2 also closes the edge of 3 and 0
    gt* f[4];
    for (int i = 0; i < 4; ++i)
        f[i] = gtvec[0][i].get();
    ASSERT_EQ(f[0]->nb[1], f[1]);
    ASSERT_EQ(f[3]->nb[2], f[2]);
    ASSERT_EQ(f[3]->nb[1], f[0]);
    ASSERT_TRUE(gtcvec[0]->merge(gtcvec[1].get(), f[0], 1, false, false, 0, 0));
    ASSERT_TRUE(gtcvec[3]->merge(gtcvec[2].get(), f[3], 2, false, false, 0, 0));
    ASSERT_TRUE(hasLug(f[3], 1) || hasLug(f[0], 2));

    EXPECT_TRUE(gtcvec[0]->merge(gtcvec[3].get(), f[1], 1, false, false, 0, 0));
    EXPECT_EQ(gtcvec[0]->size(), 4u);
    EXPECT_FALSE(hasLug(f[3], 1) || hasLug(f[0], 2));
    EXPECT_EQ(lugCount(), 0);
    EXPECT_EQ(checkMembership(), "");
}

TEST(Merge, RefusedByOverlapLeavesBothNetsAndAllLugsAsTheyWere) {
    loadMeshes({saddleFan()}, true);
    createContainers();
    gt* f[6];
    for (int i = 0; i < 6; ++i)
        f[i] = gtvec[0][i].get();
    // two nets of three faces, 270 degrees around the saddle vertex each
    for (int i : {0, 1, 3, 4}) {
        ASSERT_EQ(f[i]->nb[2], f[i + 1]);
        ASSERT_TRUE(
            gtcvec[f[i]->container]->merge(gtcvec[i + 1].get(), f[i], 2, true, false, 0, 0));
    }
    gtc* A = gtcvec[0].get();
    gtc* B = gtcvec[3].get();
    ASSERT_EQ(f[2]->nb[2], f[3]);
    ASSERT_TRUE(hasLug(f[2], 2) || hasLug(f[3], 0));
    std::string before = describeSheet(false);

    EXPECT_FALSE(A->merge(B, f[2], 2, true, false, 0, 0));
    EXPECT_EQ(firstDifference(before, describeSheet(false)), "");
    EXPECT_TRUE(B->active);
    EXPECT_EQ(savedLugsDepth(), 0);

    // without the overlap test the same join goes through, and the net overlaps itself
    EXPECT_TRUE(A->merge(B, f[2], 2, false, false, 0, 0));
    EXPECT_NE(checkNoOverlap(), "");
}

TEST(Merge, RefusedByPageRestoresTheBoxItGrew) {
    loadMeshes({flatQuad()}, true);
    createContainers();
    std::string before = describeSheet(false);
    EXPECT_FALSE(gtcvec[0]->merge(gtcvec[1].get(), gtvec[0][0].get(), 2, true, true, 0.9, 0.9));
    EXPECT_EQ(firstDifference(before, describeSheet(false)), "");
    EXPECT_EQ(savedLugsDepth(), 0);

    EXPECT_TRUE(gtcvec[0]->merge(gtcvec[1].get(), gtvec[0][0].get(), 2, true, true, 3, 3));
    EXPECT_EQ(gtcvec[0]->size(), 2u);
}

TEST(Merge, EdgesWithoutBackLinkOrLengthAreRefusedBeforeAnyChange) {
    // a neighbour that does not list the triangle back
    loadMeshes({flatQuad()}, false);
    gtvec[0][1]->nb[0] = nullptr;
    prepareTriangles(false);
    createContainers();
    ASSERT_EQ(gtvec[0][0]->nbedge[2], -1);
    std::string before = describeSheet(true);
    EXPECT_FALSE(gtcvec[0]->merge(gtcvec[1].get(), gtvec[0][0].get(), 2, false, false, 0, 0));
    EXPECT_EQ(firstDifference(before, describeSheet(true)), "");

    // a shared edge of length zero (its two end vertices coincide) has no direction to turn
    kivano::TriangleMesh collapsed = {{0, 0, 0, 0, 0, 0, 1, 0.5, 0, -1, 0.5, 0.2},
                                      {0, 1, 2, 1, 0, 3}};
    loadMeshes({collapsed}, false);
    createContainers();
    before = describeSheet(true);
    EXPECT_FALSE(gtcvec[0]->merge(gtcvec[1].get(), gtvec[0][0].get(), 0, false, false, 0, 0));
    EXPECT_EQ(firstDifference(before, describeSheet(true)), "");
    EXPECT_EQ(savedLugsDepth(), 0);
}
