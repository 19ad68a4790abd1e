#include <gtest/gtest.h>

#include <cmath>

#include "classify_edges.h"
#include "outline.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

bool same(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y) < 1e-6;
}

bool isSegment(const std::vector<Segment>& segments, Vec2 a, Vec2 b) {
    for (const Segment& s : segments)
        if ((same(s.first, a) && same(s.second, b)) || (same(s.first, b) && same(s.second, a)))
            return true;
    return false;
}

}  // namespace

TEST(Outline, CutLinesOfEachNetJoinIntoClosedOutlinesUsingEverySegmentOnce) {
    for (const Mesh& mesh : sampleMeshes())
        for (double lugs : {0.0, 4.0}) {
            SCOPED_TRACE(mesh.name + (lugs > 0 ? " with tabs" : ""));
            Sheet sheet = unfoldSimply(mesh, 0, lugs);
            classifyEdges(sheet);
            for (const Net& net : sheet.nets) {
                std::vector<Segment> segments = cutSegments(net);
                auto lines = chainSegments(segments);
                size_t used = 0;
                for (const auto& line : lines) {
                    ASSERT_GE(line.size(), 2u);
                    // A net is a disc: its cut lines go round it and back.
                    EXPECT_TRUE(same(line.front(), line.back()));
                    for (size_t i = 1; i < line.size(); ++i)
                        EXPECT_TRUE(isSegment(segments, line[i - 1], line[i]));
                    used += line.size() - 1;
                }
                EXPECT_EQ(used, segments.size());
                EXPECT_LE(lines.size(), 2u);
            }
        }
}

TEST(Outline, OpenRunsStayOpenAndApartRunsApart) {
    std::vector<Segment> segments{
        {{2, 0}, {3, 0}}, {{0, 0}, {1, 0}}, {{1, 0}, {2, 0}}, {{10, 10}, {11, 10}}};
    auto lines = chainSegments(segments);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].size(), 4u);
    EXPECT_TRUE(same(lines[0].front(), {0, 0}) || same(lines[0].front(), {3, 0}));
    EXPECT_EQ(lines[1].size(), 2u);
    EXPECT_TRUE(chainSegments({}).empty());
}
