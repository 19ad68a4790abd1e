#include "geometry/options.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/small_meshes.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
// Restores the process-wide options after each test.
class Unfolding : public testing::Test {
protected:
    void TearDown() override { KivanoOptions = KivanoOptionsRecord(); }
};
}  // namespace

static int innerEdgeCount() {
    int sides = 0;
    for (const auto& triangles : gtvec)
        for (const auto& t : triangles)
            for (int k = 0; k < 3; ++k)
                sides += t->nb[k] ? 1 : 0;
    return sides / 2;
}

TEST_F(Unfolding, SortIsLongestFirstAndKeepsTableOrderOnTies) {
    EdgeTable table;
    for (int r = 0; r < 200; ++r) {
        table.i.push_back(r);
        table.j.push_back(r * 7);
        table.k.push_back(r % 3);
        table.len.push_back(double((r * 37) % 5));
    }
    sortedgetab(table);
    for (int r = 0; r < table.size(); ++r) {
        // the row moved as a whole
        EXPECT_EQ(table.j[r], table.i[r] * 7);
        EXPECT_EQ(table.k[r], table.i[r] % 3);
        EXPECT_EQ(table.len[r], double((table.i[r] * 37) % 5));
        if (r > 0) {
            EXPECT_GE(table.len[r - 1], table.len[r]);
            if (table.len[r - 1] == table.len[r]) {
                EXPECT_LT(table.i[r - 1], table.i[r]);
            }
        }
    }
}

TEST_F(Unfolding, EdgeTableHoldsLinkedInnerEdgesOncePerLugFreeSide) {
    loadMeshes({kivano::makeIcosphere(1, 0.1, 5), kivano::makeHoledSheet(6, 6, 0.3)}, false);
    EdgeTable table = createedgetab();
    EXPECT_EQ(table.size(), 2 * innerEdgeCount());
    for (int r = 0; r < table.size(); ++r) {
        const gt* t = gtvec[table.i[r]][table.j[r]].get();
        int k = table.k[r];
        ASSERT_TRUE(t->nb[k]);
        EXPECT_DOUBLE_EQ(table.len[r], length(t->P[(k + 1) % 3] - t->P[k]));
    }

    loadMeshes({kivano::makeIcosphere(1, 0.1, 5), kivano::makeHoledSheet(6, 6, 0.3)}, true);
    EXPECT_EQ(createedgetab().size(), innerEdgeCount());

    // a neighbour that does not link back never gives a row
    gtvec[0][0]->nb[0]->nb[gtvec[0][0]->nbedge[0]] = nullptr;
    prepareTriangles(false);
    ASSERT_EQ(gtvec[0][0]->nbedge[0], -1);
    table = createedgetab();
    for (int r = 0; r < table.size(); ++r)
        EXPECT_FALSE(table.i[r] == 0 && table.j[r] == 0 && table.k[r] == 0);
}

TEST_F(Unfolding, FlatQuadBecomesOneNetWithoutLugs) {
    for (bool lugs : {true, false}) {
        loadMeshes({flatQuad()}, lugs);
        EXPECT_EQ(createedgetab().size(), lugs ? 1 : 2);
        algokante();
        EXPECT_EQ(activeNetCount(), 1);
        // with lugs off the edge is in the table twice but joined once
        EXPECT_EQ(checkMembership(), "");
        EXPECT_EQ(lugCount(), 0);
        EXPECT_EQ(checkEdgeLengths(1e-12), "");
    }
}

TEST_F(Unfolding, CubeGivesSixSquaresThenJoinsAlongCubeEdges) {
    loadMeshes({kivano::makeCube()}, true);
    createContainers();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    joinCoplanarFaces(table);
    ASSERT_EQ(activeNetCount(), 6);
    for (const auto& net : gtcvec)
        if (net->active) {
            ASSERT_EQ(net->size(), 2u);
            EXPECT_EQ(net->triangle(0)->normal, net->triangle(1)->normal);
        }

    joinRemainingEdges(table);
    EXPECT_LT(activeNetCount(), 6);
    EXPECT_EQ(checkMembership(), "");
    EXPECT_EQ(checkNoOverlap(), "");
    EXPECT_EQ(checkFoldsHaveNoLugs(), "");
    EXPECT_EQ(checkCutsHaveOneLug(), "");
}

TEST_F(Unfolding, PageSmallerThanATriangleKeepsEveryTriangleAlone) {
    KivanoOptions.limitPageSize = true;
    KivanoOptions.pageWidth = 0.05;
    KivanoOptions.pageHeight = 0.05;
    for (bool lugs : {true, false}) {
        loadMeshes({kivano::makeCube(), kivano::makeIcosphere(2, 0.1, 3)}, lugs);
        algokante();
        EXPECT_EQ(activeNetCount(), 12 + 320);
        if (lugs)
            EXPECT_EQ(checkCutsHaveOneLug(), "");
        else
            EXPECT_EQ(lugCount(), 0);
    }

    // a page that holds the whole cube's net lets the joins through
    KivanoOptions.pageWidth = 10;
    KivanoOptions.pageHeight = 10;
    loadMeshes({kivano::makeCube()}, true);
    algokante();
    EXPECT_LT(activeNetCount(), 6);
}

TEST_F(Unfolding, FacesFoldedBackWaitForTheOverlapTest) {
    loadMeshes({foldedBackPair()}, false);
    createContainers();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    ASSERT_EQ(table.size(), 2);
    EXPECT_LT(std::fabs(gtvec[0][0]->fold[0]), 0.00001);
    EXPECT_EQ(findCoplanarEdge(table, table.size() - 1), -1);
    // laid flat, the folded-back face opens out beside the other one
    joinRemainingEdges(table);
    EXPECT_EQ(activeNetCount(), 1);

    for (bool lugs : {false, true}) {
        loadMeshes({pleatedFan()}, lugs);
        algokante();
        EXPECT_EQ(checkNoOverlap(), "");
        EXPECT_EQ(activeNetCount(), 2);
        EXPECT_EQ(checkMembership(), "");
    }
}

TEST_F(Unfolding, ZeroLengthSharedEdgeStaysCut) {
    // vertices 0 and 1 coincide; the two slivers share the edge between them
    kivano::TriangleMesh collapsed = {{0, 0, 0, 0, 0, 0, 1, 0.5, 0, -1, 0.5, 0.2},
                                      {0, 1, 2, 1, 0, 3}};
    for (bool lugs : {true, false}) {
        loadMeshes({collapsed, flatQuad()}, lugs);
        algokante();
        EXPECT_EQ(activeNetCount(), 3);
        EXPECT_EQ(checkMembership(), "");
        for (const auto& triangles : gtvec)
            for (const auto& t : triangles)
                for (int k = 0; k < 3; ++k)
                    EXPECT_TRUE(std::isfinite(t->p[k].x) && std::isfinite(t->p[k].y));
    }
}

TEST_F(Unfolding, NoSharedEdgesLeaveEveryTriangleAlone) {
    kivano::TriangleMesh loose = {{0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 0, 0, 6, 0, 0, 5, 1, 1},
                                  {0, 1, 2, 3, 4, 5}};
    loadMeshes({loose}, true);
    EXPECT_EQ(createedgetab().size(), 0);
    algokante();
    EXPECT_EQ(activeNetCount(), 2);
}
