#include <gtest/gtest.h>

#include "classify_edges.h"
#include "labels.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

// The raster and the skipping along blocked directions only ever turn down
// positions the polygon tests would refuse: every number lands exactly where
// the plain search puts it. Tiny faces and narrow tabs send most numbers
// beside their nets, into crowds of earlier ones.
TEST(GlueLabels, FastSearchPlacesEveryNumberWhereThePlainSearchDoes) {
    size_t beside = 0, compared = 0;
    for (const Mesh& mesh :
         {foldedGrid(14, 9, 0.6), icosahedron(2.5), cube(0.8), octahedron(12.0), icosahedron(40.0)})
        for (unsigned perNet : {0u, 5u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 0.3);
            classifyEdges(sheet);
            for (const Net& net : sheet.nets) {
                std::vector<Label> fast = placeGlueLabels(net, GlueSearch::Fast);
                std::vector<Label> plain = placeGlueLabels(net, GlueSearch::Plain);
                ASSERT_EQ(fast.size(), plain.size());
                for (size_t i = 0; i < fast.size(); ++i) {
                    SCOPED_TRACE("number " + plain[i].text);
                    EXPECT_EQ(fast[i].text, plain[i].text);
                    EXPECT_EQ(fast[i].spot, plain[i].spot);
                    EXPECT_EQ(fast[i].centre.x, plain[i].centre.x);
                    EXPECT_EQ(fast[i].centre.y, plain[i].centre.y);
                    EXPECT_EQ(fast[i].angle, plain[i].angle);
                    EXPECT_EQ(fast[i].size, plain[i].size);
                    beside += plain[i].spot == LabelSpot::Beside;
                    ++compared;
                }
            }
        }
    EXPECT_GT(beside, 100u);
    EXPECT_GT(compared, beside);
}
