#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "coverage.h"
#include "shapes.h"

using namespace sheet;

namespace {

// Triangles and turned rectangles of label size and smaller, on both sides
// of the origin (tile arithmetic on negative coordinates).
std::vector<std::vector<Vec2>> randomShapes(std::mt19937& random, int count) {
    std::uniform_real_distribution<double> at(-30.0, 30.0), size(0.05, 6.0), angle(0.0, 6.3);
    std::vector<std::vector<Vec2>> shapes;
    for (int i = 0; i < count; ++i) {
        Vec2 c{at(random), at(random)};
        if (i % 2) {
            std::vector<Vec2> t;
            for (int k = 0; k < 3; ++k)
                t.push_back({c.x + size(random) - 3.0, c.y + size(random) - 3.0});
            shapes.push_back(t);
        } else {
            double w = size(random) / 2, h = size(random) / 4, a = angle(random);
            double cs = std::cos(a), sn = std::sin(a);
            auto corner = [&](double u, double v) {
                return Vec2{c.x + u * cs - v * sn, c.y + u * sn + v * cs};
            };
            shapes.push_back({corner(-w, -h), corner(w, -h), corner(w, h), corner(-w, h)});
        }
    }
    return shapes;
}

// Distance from p into the convex polygon: positive inside, negative outside.
double depthInside(Vec2 p, const std::vector<Vec2>& polygon) {
    double area = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    double orientation = area >= 0 ? 1.0 : -1.0, depth = INFINITY;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        double len = std::hypot(b.x - a.x, b.y - a.y);
        if (len > 0)
            depth = std::min(
                depth, orientation * ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / len);
    }
    return depth;
}

}  // namespace

// A covered point must lie in some shape: the labels trust it to turn a
// position down without a polygon test. And the raster is useful: a point
// well inside a shape (a cell's diagonal from every edge) is covered.
TEST(Coverage, CoveredPointsLieInsideAShapeAndDeepPointsAreCovered) {
    std::mt19937 random(5);
    for (int round = 0; round < 4; ++round) {
        std::vector<std::vector<Vec2>> shapes = randomShapes(random, 60);
        Coverage coverage;
        for (const auto& shape : shapes)
            coverage.cover(shape);
        std::uniform_real_distribution<double> at(-36.0, 36.0);
        int covered = 0, deep = 0;
        for (int i = 0; i < 40000; ++i) {
            Vec2 p{at(random), at(random)};
            double depth = -INFINITY;
            for (const auto& shape : shapes)
                depth = std::max(depth, depthInside(p, shape));
            if (coverage.covered(p)) {
                ++covered;
                EXPECT_GT(depth, -1e-9)
                    << "covered point " << p.x << ", " << p.y << " lies in no shape";
            } else if (depth > 0.3) {
                ADD_FAILURE() << "point " << p.x << ", " << p.y << " lies " << depth
                              << " mm inside a shape, not covered";
            }
            deep += depth > 0.3;
        }
        EXPECT_GT(deep, 0);
        EXPECT_GE(covered, deep);
    }
}

TEST(Coverage, FlatAndFarShapesCoverNothing) {
    Coverage coverage;
    coverage.cover(std::vector<Vec2>{{0, 0}, {5, 5}, {10, 10}});
    coverage.cover(std::vector<Vec2>{{1e12, 0}, {1e12 + 5, 0}, {1e12, 5}});
    coverage.cover(std::vector<Vec2>{{NAN, 0}, {5, 0}, {0, 5}});
    EXPECT_FALSE(coverage.covered({5, 5}));
    EXPECT_FALSE(coverage.covered({1e12 + 1, 1}));
    EXPECT_FALSE(coverage.covered({1, 1}));
    EXPECT_FALSE(coverage.covered({NAN, NAN}));
}
