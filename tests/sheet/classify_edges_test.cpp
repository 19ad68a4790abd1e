#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "classify_edges.h"
#include "common/tolerances.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

int countKind(const Sheet& sheet, EdgeKind kind) {
    int n = 0;
    for (const Net& net : sheet.nets)
        for (const Face& face : net.faces)
            for (int k = 0; k < 3; ++k)
                n += face.kind[k] == kind;
    return n;
}

}  // namespace

TEST(ClassifyEdges, EverySeamPairsItsEdgesRunsAlongTheOutlineAndPrintsOneNumberASide) {
    for (const Mesh& mesh : sampleMeshes())
        for (unsigned perNet : {0u, 1u, 3u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 0.0);
            int highest = classifyEdges(sheet);
            std::map<int, std::map<int, int>> idsOfGlue;  // glue -> mesh edge id -> copies
            std::map<int, int> printed;                   // glue -> labelled edges
            std::map<int, std::vector<std::pair<Vec2, Vec2>>> sides;  // seam side -> edges
            for (const Net& net : sheet.nets)
                for (const Face& face : net.faces)
                    for (int k = 0; k < 3; ++k) {
                        if (face.glue[k] == 0) {
                            // Unnumbered cut edges are the mesh's borders.
                            if (face.kind[k] == EdgeKind::Cut) {
                                EXPECT_EQ(face.edgeId[k], kNoEdgeId);
                            }
                            continue;
                        }
                        EXPECT_EQ(face.kind[k], EdgeKind::Cut);
                        ++idsOfGlue[face.glue[k]][face.edgeId[k]];
                        printed[face.glue[k]] += face.labelled[k];
                        sides[face.seamSide[k]].push_back({face.p[k], face.p[(k + 1) % 3]});
                    }
            ASSERT_EQ(int(idsOfGlue.size()), highest);  // numbered 1..highest without holes
            for (const auto& [glue, ids] : idsOfGlue) {
                for (auto [id, copies] : ids)
                    EXPECT_EQ(copies, 2) << "glue number " << glue << ", mesh edge " << id;
                EXPECT_EQ(printed[glue], 2) << "glue number " << glue;
            }
            // A side's edges follow one another: at most one starts where no
            // other ends.
            for (const auto& [side, edges] : sides) {
                int starts = 0;
                for (const auto& e : edges) {
                    bool continued = false;
                    for (const auto& other : edges)
                        continued = continued || (std::hypot(other.second.x - e.first.x,
                                                             other.second.y - e.first.y) < 1e-6);
                    starts += !continued;
                }
                EXPECT_LE(starts, 1) << "seam side " << side;
            }
        }
}

// Two strips of three cells, the top of one glued to the bottom of the
// other: one seam of three edges, one number a side, ticks at its ends.
TEST(ClassifyEdges, AStripGluedAlongItsLengthIsOneSeam) {
    auto strip = [](double y, int firstId, bool gluedTop) {
        Net net;
        for (int i = 0; i < 3; ++i) {
            Vec2 t0{10.0 * i, y}, t1{10.0 * (i + 1), y}, b0{10.0 * i, y + 10},
                b1{10.0 * (i + 1), y + 10};
            Face upper, lower;
            upper.p[0] = t0, upper.p[1] = b0, upper.p[2] = t1;
            lower.p[0] = t1, lower.p[1] = b0, lower.p[2] = b1;
            upper.edgeId[1] = lower.edgeId[0] = firstId + 10 + i;  // the diagonal, folded
            upper.joined[1] = lower.joined[0] = true;
            if (i > 0) {  // the side shared with the cell before, folded
                upper.edgeId[0] = net.faces.back().edgeId[2] = firstId + 20 + i;
                upper.joined[0] = net.faces.back().joined[2] = true;
            }
            (gluedTop ? upper.edgeId[2] : lower.edgeId[1]) = 100 + i;
            net.faces.push_back(upper);
            net.faces.push_back(lower);
        }
        return net;
    };
    Sheet sheet;
    sheet.nets = {strip(0.0, 0, true), strip(50.0, 1000, false)};
    EXPECT_EQ(classifyEdges(sheet), 1);
    int labelled = 0;
    for (const Net& net : sheet.nets)
        for (const Face& face : net.faces)
            for (int k = 0; k < 3; ++k) {
                labelled += face.labelled[k];
                if (face.edgeId[k] >= 100 && face.edgeId[k] < 103) {
                    EXPECT_EQ(face.glue[k], 1);
                }
            }
    EXPECT_EQ(labelled, 2);
    // The top of the first strip runs right to left, the bottom of the
    // second left to right: each side starts and ends at the strip's ends.
    const std::vector<Face>& top = sheet.nets[0].faces;
    const std::vector<Face>& bottom = sheet.nets[1].faces;
    EXPECT_TRUE(top[4].seamStart[2] && top[0].seamEnd[2]);
    EXPECT_TRUE(bottom[1].seamStart[1] && bottom[5].seamEnd[1]);
    EXPECT_FALSE(top[2].seamStart[2] || top[2].seamEnd[2]);
}

TEST(ClassifyEdges, FoldsFollowTheSignOfTheAngleAndFoldsFlatterThanTheLimitDrawNothing) {
    // The default limit, and one that also flattens a faceted surface's folds.
    for (double flat : {kFlatFoldAngle, 0.3})
        for (const Mesh& mesh : sampleMeshes()) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(flat));
            Sheet sheet = unfoldSimply(mesh, 0, 0.0);
            classifyEdges(sheet, flat);
            for (const Net& net : sheet.nets) {
                int joined = 0;
                for (const Face& face : net.faces)
                    for (int k = 0; k < 3; ++k) {
                        double fold = face.fold[k];
                        switch (face.kind[k]) {
                        case EdgeKind::Flat:
                            EXPECT_LT(std::fabs(fold), flat);
                            break;
                        case EdgeKind::Mountain:
                            EXPECT_LE(fold, -flat);
                            break;
                        case EdgeKind::Valley:
                            EXPECT_GE(fold, flat);
                            break;
                        case EdgeKind::Cut:
                            continue;
                        }
                        ++joined;
                    }
                // Every face but the first was laid against one already placed.
                EXPECT_GE(joined, 2 * (int(net.faces.size()) - 1));
            }
        }
    // A cube is convex: its joined edges are mountains or quad diagonals.
    Sheet cubeSheet = unfoldSimply(cube(30.0), 0, 0.0);
    classifyEdges(cubeSheet);
    EXPECT_EQ(countKind(cubeSheet, EdgeKind::Valley), 0);
    EXPECT_GT(countKind(cubeSheet, EdgeKind::Flat), 0);
    EXPECT_GT(countKind(cubeSheet, EdgeKind::Mountain), 0);
    // The grid is folded up towards its printed side: a valley along the hinge.
    Sheet grid = unfoldSimply(foldedGrid(3, 2, 10.0), 0, 0.0);
    classifyEdges(grid);
    EXPECT_GT(countKind(grid, EdgeKind::Valley), 0);
    EXPECT_EQ(countKind(grid, EdgeKind::Mountain), 0);
}

TEST(ClassifyEdges, OnlyEdgesJoinedOnBothSidesAreFolds) {
    // Two faces of one net sharing a mesh edge: where they lie plays no part.
    Sheet sheet;
    Net net;
    Face a, b;
    a.p[1] = {10, 0};
    a.p[2] = {0, 10};
    b.p[0] = {20, 0};
    b.p[1] = {30, 0};
    b.p[2] = {20, 10};
    a.edgeId[0] = b.edgeId[0] = 7;
    a.fold[0] = b.fold[0] = -0.5;
    net.faces = {a, b};
    sheet.nets = {net};
    Face& first = sheet.nets[0].faces[0];
    Face& second = sheet.nets[0].faces[1];
    // Not joined: a slit with one glue number.
    EXPECT_EQ(classifyEdges(sheet), 1);
    EXPECT_EQ(first.kind[0], EdgeKind::Cut);
    EXPECT_EQ(first.glue[0], 1);
    EXPECT_EQ(second.glue[0], 1);
    // Joined on one side only (a record edited or a partner lost): still a cut.
    first.joined[0] = true;
    EXPECT_EQ(classifyEdges(sheet), 1);
    EXPECT_EQ(first.kind[0], EdgeKind::Cut);
    // Joined on both: a fold, even laid apart, and no number.
    second.joined[0] = true;
    EXPECT_EQ(classifyEdges(sheet), 0);
    EXPECT_EQ(first.kind[0], EdgeKind::Mountain);
    EXPECT_EQ(second.kind[0], EdgeKind::Mountain);
    EXPECT_EQ(first.glue[0], 0);
}
