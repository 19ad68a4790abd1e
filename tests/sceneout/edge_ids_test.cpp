// Edge numbers that pair up the two sides of every mesh edge.
#include <gtest/gtest.h>

#include <map>

#include "geometry/gt.h"
#include "scenein/init_triangles.h"
#include "sceneout/edge_ids.h"
#include "triangle_fixture.h"
#include "unfold/run_state.h"

namespace {

TEST(EdgeIds, EveryInnerEdgeNumberAppearsTwiceOverSeveralMeshes) {
    loadLinkedMeshes(sampleMeshes());
    initTriangles();
    std::vector<int> offsets = meshOffsets();
    ASSERT_EQ(offsets.size(), gtvec.size());
    EXPECT_EQ(offsets[1], int(gtvec[0].size()));
    std::map<double, int> seen;
    int borders = 0;
    for (const auto& mesh : gtvec)
        for (const auto& t : mesh) {
            double ids[3];
            edgeIds(*t, offsets, ids);
            for (int k = 0; k < 3; ++k) {
                if (ids[k] < 0) {
                    EXPECT_EQ(t->nb[k], nullptr);
                    ++borders;
                } else {
                    ++seen[ids[k]];
                }
            }
        }
    for (const auto& [id, count] : seen)
        EXPECT_EQ(count, 2) << "edge id " << id;
    EXPECT_GT(borders, 0);  // the tube and the holed sheet have borders
    clearRun();
}

TEST(EdgeIds, OneSidedLinkHasNoNumber) {
    loadLinkedMeshes({makeFin()});
    initTriangles();
    std::vector<int> offsets = meshOffsets();
    double ids[3];
    edgeIds(*gtvec[0][0], offsets, ids);
    EXPECT_EQ(ids[0], -1.0);  // face 2 does not link back
    EXPECT_EQ(ids[1], 1.0);   // min(3*0 + 1, 3*3 + 0)
    EXPECT_EQ(ids[2], -1.0);  // border
    edgeIds(*gtvec[0][2], offsets, ids);
    EXPECT_EQ(ids[0], 3.0);  // face 1 edge 0 against face 2 edge 0
    clearRun();
}

}  // namespace
