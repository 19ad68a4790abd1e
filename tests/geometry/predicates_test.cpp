#include "meshes.h"

#include <gtest/gtest.h>

#include <algorithm>

static bool segments(vec3d a, vec3d b, vec3d c, vec3d d) {
    return streckenschnitt2d(a, b, c, d, kSegmentShortening);
}

TEST(Predicates, PointEqualityTolerance) {
    EXPECT_TRUE(equal2d({0, 0, 0}, {0.000009, 0, 0}));
    EXPECT_FALSE(equal2d({0, 0, 0}, {0.00001, 0, 0}));
    EXPECT_TRUE(equal2d({0, 0, 0}, {0, 0, 5}));
    EXPECT_FALSE(equal3d({0, 0, 0}, {0, 0, 5}));
    EXPECT_TRUE(equal3d({1, 1, 1}, {1, 1, 1.000009}));
}

TEST(Predicates, InsideTriangleIsStrict) {
    vec3d a(0, 0, 0), b(4, 0, 0), c(0, 3, 0);
    EXPECT_TRUE(isInsideTriangle((a + b + c) * (1.0 / 3), a, b, c));
    EXPECT_FALSE(isInsideTriangle(b, a, b, c));
    EXPECT_FALSE(isInsideTriangle((b + c) * 0.5, a, b, c));
    EXPECT_FALSE(isInsideTriangle({3, 3, 0}, a, b, c));
    EXPECT_FALSE(isInsideTriangle({1, 0, 0}, a, b, {2, 0, 0}));  // zero area holds nothing
    EXPECT_FALSE(isInsideTriangleAndNoVertex({0.000001, 0.000001, 0}, a, b, c));
    EXPECT_TRUE(isInsideTriangleAndNoVertex({0.001, 0.001, 0}, a, b, c));
}

TEST(Predicates, SegmentIntersection) {
    EXPECT_TRUE(segments({0, 0, 0}, {2, 0, 0}, {1, -1, 0}, {1, 1, 0}));  // proper crossing
    EXPECT_FALSE(segments({0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 1, 0}));  // shared end point
    EXPECT_FALSE(segments({0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {1, 1, 0}));  // T-junction
    EXPECT_TRUE(segments({0, 0, 0}, {2, 0, 0}, {1, -0.5, 0}, {1, 1, 0}));
    EXPECT_TRUE(segments({0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {3, 0, 0}));   // collinear, overlapping
    EXPECT_FALSE(segments({0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}));  // collinear, apart
    EXPECT_FALSE(segments({0, 0, 0}, {2, 0, 0}, {1, 0.5, 0},
                          {1, 1, 0}));  // would cross the line, not the segment
    EXPECT_FALSE(segments({0, 0, 0}, {2, 0, 0}, {2.5, -1, 0},
                          {2.5, 1, 0}));  // crosses the line beyond the end
    EXPECT_FALSE(segments({1, 1, 0}, {1, 1, 0}, {0, 0, 0}, {2, 2, 0}));  // a point is no segment
}

TEST(Predicates, TriangleOverlap) {
    vec3d a0(0, 0, 0), a1(1, 0, 0), a2(0, 1, 0);
    EXPECT_FALSE(
        triangleschnitt2d(a0, a1, a2, {0, 0, 0}, {-1, 0, 0}, {0, -1, 0}));  // one shared corner
    EXPECT_TRUE(triangleschnitt2d(a0, a1, a2, {1, 0, 0}, {0, 0, 0}, {0.5, -1, 0}));  // shared edge
    EXPECT_TRUE(triangleschnitt2d(a0, a1, a2, a0, a1, a2));
    EXPECT_TRUE(
        triangleschnitt2d(a0, a1, a2, {0.1, 0.1, 0}, {0.2, 0.1, 0}, {0.1, 0.2, 0}));  // inside
    EXPECT_TRUE(triangleschnitt2d({0.1, 0.1, 0}, {0.2, 0.1, 0}, {0.1, 0.2, 0}, a0, a1, a2));
    EXPECT_FALSE(triangleschnitt2d(a0, a1, a2, {1, 1, 0}, {2, 1, 0}, {1, 2, 0}));
}

// Separating-axis distance of two flat triangles: positive when apart, negative by the
// depth of overlap otherwise. An independent judge for the edge-and-corner test.
static double separation(const vec3d a[3], const vec3d b[3]) {
    double best = -1e300;
    for (const vec3d* t : {a, b})
        for (int k = 0; k < 3; ++k) {
            vec3d e = t[(k + 1) % 3] - t[k], n = normalized(vec3d(-e.y, e.x, 0));
            double amin = 1e300, amax = -1e300, bmin = 1e300, bmax = -1e300;
            for (int i = 0; i < 3; ++i) {
                amin = std::min(amin, dot(a[i], n)), amax = std::max(amax, dot(a[i], n));
                bmin = std::min(bmin, dot(b[i], n)), bmax = std::max(bmax, dot(b[i], n));
            }
            best = std::max(best, std::max(bmin - amax, amin - bmax));
        }
    return best;
}

TEST(Predicates, TriangleOverlapAgreesWithSeparatingAxesAndIsSymmetric) {
    std::mt19937 rng(3);
    int overlaps = 0, apart = 0;
    for (int i = 0; i < 20000; ++i) {
        vec3d a[3], b[3];
        for (int k = 0; k < 3; ++k) {
            a[k] = randomPoint(rng, 3), b[k] = randomPoint(rng, 3);
            a[k].z = b[k].z = 0;
        }
        bool ab = triangleschnitt2d(a[0], a[1], a[2], b[0], b[1], b[2]);
        EXPECT_EQ(ab, triangleschnitt2d(b[0], b[1], b[2], a[0], a[1], a[2]));

        double s = separation(a, b);
        if (s > 1e-9) {
            EXPECT_FALSE(ab) << "apart by " << s;
            ++apart;
        } else if (s < -0.1) {
            EXPECT_TRUE(ab) << "overlapping by " << -s;
            ++overlaps;
        }
    }
    EXPECT_GT(overlaps, 1000);
    EXPECT_GT(apart, 1000);
}
