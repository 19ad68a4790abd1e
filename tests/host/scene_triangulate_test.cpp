// Ear clipping over several small real polygons: every result covers its
// polygon exactly, keeps its winding and uses each corner.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/triangulate.h"

using host::scene::earClip;
using host::scene::Point3;

namespace {

double signedArea(const Point3& a, const Point3& b, const Point3& c) {
    return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
}

double polygonArea(const std::vector<Point3>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point3& q = p[i];
        const Point3& r = p[(i + 1) % p.size()];
        a += q[0] * r[1] - r[0] * q[1];
    }
    return 0.5 * a;
}

struct Case {
    const char* name;
    std::vector<Point3> corners;  // in the x-y plane, either winding
};

std::vector<Case> polygons() {
    return {
        {"square", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"L", {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}},
        {"arrow", {{0, 0, 0}, {2, 1, 0}, {0, 2, 0}, {1, 1, 0}}},
        {"star",
         {{0, 3, 0},
          {1, 1, 0},
          {3, 1, 0},
          {1.5, -0.5, 0},
          {2, -3, 0},
          {0, -1.5, 0},
          {-2, -3, 0},
          {-1.5, -0.5, 0},
          {-3, 1, 0},
          {-1, 1, 0}}},
        {"collinear", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}},
        {"comb",
         {{0, 0, 0},
          {5, 0, 0},
          {5, 3, 0},
          {4, 3, 0},
          {4, 1, 0},
          {3, 1, 0},
          {3, 3, 0},
          {2, 3, 0},
          {2, 1, 0},
          {1, 1, 0},
          {1, 3, 0},
          {0, 3, 0}}},
    };
}

}  // namespace

TEST(EarClip, CoversEveryPolygonWithTrianglesOfItsWinding) {
    for (const Case& c : polygons()) {
        auto triangles = earClip(c.corners);
        ASSERT_EQ(triangles.size(), c.corners.size() - 2) << c.name;
        double total = 0, whole = polygonArea(c.corners);
        std::vector<int> used(c.corners.size(), 0);
        for (const auto& t : triangles) {
            double a = signedArea(c.corners[size_t(t[0])], c.corners[size_t(t[1])],
                                  c.corners[size_t(t[2])]);
            EXPECT_GE(a * whole, 0) << c.name;  // never flipped against the polygon
            total += a;
            for (int k : t)
                used[size_t(k)]++;
        }
        EXPECT_NEAR(total, whole, 1e-12) << c.name;  // no overlap, no gap
        for (int u : used)
            EXPECT_GT(u, 0) << c.name;
    }
}

TEST(EarClip, ClockwiseAndTiltedPolygonsKeepTheirOwnWinding) {
    for (const Case& c : polygons()) {
        // Mirror (the other winding) and stand the polygon up in the x-z plane.
        std::vector<Point3> tilted;
        for (const Point3& p : c.corners)
            tilted.push_back({p[0], 0, p[1]});
        std::vector<Point3> mirrored(tilted.rbegin(), tilted.rend());
        for (const auto* poly : {&tilted, &mirrored}) {
            auto triangles = earClip(*poly);
            ASSERT_EQ(triangles.size(), poly->size() - 2) << c.name;
            double total = 0;
            for (const auto& t : triangles) {
                const Point3 &a = (*poly)[size_t(t[0])], &b = (*poly)[size_t(t[1])],
                             &d = (*poly)[size_t(t[2])];
                // Area in the x-z plane, sign by the polygon's own orientation.
                total += 0.5 * ((b[0] - a[0]) * (d[2] - a[2]) - (b[2] - a[2]) * (d[0] - a[0]));
            }
            double whole = 0;
            for (size_t i = 0; i < poly->size(); ++i) {
                const Point3 &q = (*poly)[i], &r = (*poly)[(i + 1) % poly->size()];
                whole += 0.5 * (q[0] * r[2] - r[0] * q[2]);
            }
            EXPECT_NEAR(total, whole, 1e-12) << c.name;
        }
    }
}

TEST(EarClip, ConvexPolygonsBecomeAFanAndDegenerateOnesStillSplit) {
    auto fan = earClip({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    ASSERT_EQ(fan.size(), 2u);
    EXPECT_EQ(fan[0], (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(fan[1], (std::array<int, 3>{0, 2, 3}));
    auto flat = earClip({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});  // no area at all
    EXPECT_EQ(flat.size(), 3u);
    auto same = earClip({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
    EXPECT_EQ(same.size(), 2u);
    EXPECT_TRUE(earClip({{0, 0, 0}, {1, 0, 0}}).empty());
}
