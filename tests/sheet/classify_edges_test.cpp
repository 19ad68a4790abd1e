#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "classify_edges.h"
#include "common/tolerances.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

std::map<int, int> glueCounts(const Sheet& sheet) {
    std::map<int, int> counts;
    for (const Net& net : sheet.nets)
        for (const Face& face : net.faces)
            for (int k = 0; k < 3; ++k)
                if (face.glue[k] > 0)
                    ++counts[face.glue[k]];
    return counts;
}

int countKind(const Sheet& sheet, EdgeKind kind) {
    int n = 0;
    for (const Net& net : sheet.nets)
        for (const Face& face : net.faces)
            for (int k = 0; k < 3; ++k)
                n += face.kind[k] == kind;
    return n;
}

}  // namespace

TEST(ClassifyEdges, EveryGlueNumberPairsTwoCutEdgesOfOneMeshEdge) {
    for (const Mesh& mesh : sampleMeshes())
        for (unsigned perNet : {0u, 1u, 3u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 0.0);
            int highest = classifyEdges(sheet);
            std::map<int, int> counts = glueCounts(sheet);
            ASSERT_EQ(int(counts.size()), highest);  // numbered 1..highest without holes
            std::map<int, int> idOfGlue;
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
                        auto [it, fresh] = idOfGlue.emplace(face.glue[k], face.edgeId[k]);
                        EXPECT_TRUE(fresh || it->second == face.edgeId[k]);
                    }
            for (auto [glue, count] : counts)
                EXPECT_EQ(count, 2) << "glue number " << glue;
        }
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
