// Neighbour links and their back-links, as extraction and initialisation
// leave them, over several small real meshes and the awkward cases.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/gt.h"
#include "geometry/options.h"
#include "scenein/extract.h"
#include "scenein/init_triangles.h"
#include "triangle_fixture.h"
#include "unfold/run_state.h"

namespace {

bool sameEdge(const gt& t, int k, const gt& n, int e) {
    // Mesh edges shared by consistently wound faces run in opposite directions.
    return t.P[k] == n.P[(e + 1) % 3] && t.P[(k + 1) % 3] == n.P[e];
}

bool finite(const vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

class Linking : public ::testing::Test {
protected:
    void SetUp() override { saved = KivanoOptions; }
    void TearDown() override {
        KivanoOptions = saved;
        clearRun();
    }
    KivanoOptionsRecord saved;
};

TEST_F(Linking, ClosedMeshesLinkEveryEdgeBothWays) {
    for (const auto& mesh : sampleMeshes()) {
        loadLinkedMeshes({mesh});
        initTriangles();
        for (const auto& t : gtvec[0]) {
            for (int k = 0; k < 3; ++k) {
                const gt* n = t->nb[k];
                if (!n)
                    continue;
                int e = t->nbedge[k];
                ASSERT_GE(e, 0) << "face " << t->faceindex << " edge " << k;
                EXPECT_EQ(n->nb[e], t.get());
                EXPECT_EQ(n->nbedge[e], k);
                EXPECT_TRUE(sameEdge(*t, k, *n, e));
            }
        }
    }
}

TEST_F(Linking, CubeHasNoBordersAndFoldsOnlyAtCubeEdges) {
    loadLinkedMeshes({kivano::makeCube()});
    initTriangles();
    int flat = 0, convex = 0;
    for (const auto& t : gtvec[0])
        for (int k = 0; k < 3; ++k) {
            ASSERT_NE(t->nb[k], nullptr);
            if (std::fabs(t->fold[k]) < 1e-9)
                ++flat;
            else if (std::fabs(t->fold[k] + M_PI / 2) < 1e-9)
                ++convex;
        }
    EXPECT_EQ(flat, 12);    // six diagonals, seen from both sides
    EXPECT_EQ(convex, 24);  // twelve cube edges, both sides, bending away
}

TEST_F(Linking, FinLinksTheLastReportedFaceAndLeavesOneSidedLinks) {
    loadLinkedMeshes({makeFin()});
    initTriangles();
    auto& f = gtvec[0];
    // Faces 1 and 2 were both reported for the fin edge of face 0: 2 wins.
    EXPECT_EQ(f[0]->nb[0], f[2].get());
    EXPECT_EQ(f[0]->nbedge[0], -1);  // face 2 links back to face 1 instead
    EXPECT_EQ(f[1]->nb[0], f[2].get());
    EXPECT_EQ(f[2]->nb[0], f[1].get());
    EXPECT_EQ(f[1]->nbedge[0], 0);
    EXPECT_EQ(f[2]->nbedge[0], 0);
    EXPECT_EQ(f[0]->nb[1], f[3].get());
    EXPECT_EQ(f[0]->nbedge[1], 0);
    EXPECT_EQ(f[3]->nbedge[0], 1);
    EXPECT_EQ(f[0]->nb[2], nullptr);
}

TEST_F(Linking, NearestAndFarthestCornerTiesGoToTheHigherCorner) {
    // Two copies of one triangle: every corner distance is 0, so the farthest
    // corner is 2 and the link lands on edge 0.
    kivano::TriangleMesh twin;
    twin.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    twin.indices = {0, 1, 2, 0, 1, 2};
    loadLinkedMeshes({twin});
    EXPECT_EQ(gtvec[0][0]->nb[0], gtvec[0][1].get());
    EXPECT_EQ(gtvec[0][0]->nb[1], nullptr);
    EXPECT_EQ(gtvec[0][0]->nb[2], nullptr);
}

TEST_F(Linking, InvalidIndicesAreIgnored) {
    loadLinkedMeshes({kivano::makeCube()});
    linkNeighbour(0, 12, 0);
    linkNeighbour(0, -1, 0);
    linkNeighbour(0, 1, 1);
    linkNeighbour(0, 0, 0);
    for (int k = 0; k < 3; ++k)
        EXPECT_NE(gtvec[0][0]->nb[k], gtvec[0][0].get());
}

TEST_F(Linking, SliverStaysUnlinkedAndEverythingStaysFinite) {
    KivanoOptions.generateLugs = true;
    loadLinkedMeshes({makeStripWithSliver()});
    auto& f = gtvec[0];
    ASSERT_EQ(f.size(), 5u);
    EXPECT_TRUE(isDegenerate(*f[3]));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(f[3]->nb[k], nullptr);
    for (const auto& t : f)
        for (int k = 0; k < 3; ++k)
            EXPECT_NE(t->nb[k], f[3].get());
    EXPECT_EQ(f[0]->nb[1], f[1].get());  // the sound part is still linked
    initTriangles();
    for (const auto& t : f) {
        EXPECT_EQ(t->faceindex, int(&t - &f[0]));
        EXPECT_TRUE(finite(t->normal));
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(std::isfinite(t->fold[k]));
            EXPECT_TRUE(std::isfinite(t->angle[k]));
            EXPECT_TRUE(std::isfinite(t->height[k]));
            if (t->Lugs[k][0]) {
                EXPECT_TRUE(finite(*t->Lugs[k][0]) && finite(*t->Lugs[k][1]));
            }
        }
    }
}

TEST_F(Linking, CoincidingCornersAndNonFiniteCornersAreDegenerate) {
    gt t(0, 0);
    t.P[1] = vec3d(1, 0, 0);
    t.P[2] = vec3d(1, 0, 0);
    EXPECT_TRUE(isDegenerate(t));
    t.P[2] = vec3d(0, NAN, 0);
    EXPECT_TRUE(isDegenerate(t));
    t.P[2] = vec3d(0, 1e-3, 0);
    EXPECT_FALSE(isDegenerate(t));
}

TEST_F(Linking, LugsOnlyWhenWanted) {
    for (bool wanted : {false, true}) {
        KivanoOptions.generateLugs = wanted;
        loadLinkedMeshes({kivano::makeCube()});
        initTriangles();
        int lugs = 0;
        for (const auto& t : gtvec[0])
            for (int k = 0; k < 3; ++k)
                lugs += t->Lugs[k][0] ? 1 : 0;
        if (wanted)
            EXPECT_GT(lugs, 0);
        else
            EXPECT_EQ(lugs, 0);
    }
}

}  // namespace
