#include "meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

static void setCorners(gt& t, vec3d a, vec3d b, vec3d c) {
    t.P[0] = a, t.P[1] = b, t.P[2] = c;
    t.computeNormal();
    t.computeHeights();
    t.computeAngles();
}

static double signedArea(const gt& t) {
    return cross(t.p[1] - t.p[0], t.p[2] - t.p[0]).z;
}

TEST(Triangle, RightTriangleInBothVertexOrders) {
    gt t(0, 0);
    setCorners(t, {0, 0, 0}, {3, 0, 0}, {0, 4, 0});
    t.flatten();
    EXPECT_TRUE(near(t.p[0], {0, 0, 0}));
    EXPECT_TRUE(near(t.p[1], {3, 0, 0}));
    EXPECT_TRUE(near(t.p[2], {0, 4, 0}));
    EXPECT_DOUBLE_EQ(t.height[0], 4);
    EXPECT_DOUBLE_EQ(t.height[1], 2.4);
    EXPECT_DOUBLE_EQ(t.height[2], 3);
    EXPECT_DOUBLE_EQ(t.angle[0], std::numbers::pi / 2);
    EXPECT_EQ(t.normal, vec3d(0, 0, 1));

    gt r(0, 1);
    setCorners(r, {0, 4, 0}, {0, 0, 0}, {3, 0, 0});
    r.flatten();
    EXPECT_TRUE(near(r.p[1], {0, 0, 0}));
    EXPECT_TRUE(near(r.p[2], {3, 0, 0}));
    EXPECT_TRUE(near(r.p[0], {0, 4, 0}));
}

TEST(Triangle, EqualShortestEdgesKeepTheLowerIndex) {
    struct Case {
        vec3d a, b, c;
        int edge;
    } cases[] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 0},  // equilateral
        {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}, 0},  // edges 0 and 2 equal, shorter than edge 1
        {{0, 0, 0}, {4, 0, 0}, {2, 1, 0}, 1},  // edges 1 and 2 equal, shorter than edge 0
    };
    for (const Case& c : cases) {
        gt t(0, 0);
        setCorners(t, c.a, c.b, c.c);
        t.flatten();
        EXPECT_TRUE(near(t.p[c.edge], {0, 0, 0}));
        EXPECT_NEAR(t.p[(c.edge + 1) % 3].y, 0, 1e-12);
        EXPECT_GT(t.p[(c.edge + 1) % 3].x, 0);
    }
}

TEST(Triangle, ClockwiseInputComesOutCounterClockwise) {
    gt t(0, 0);
    setCorners(t, {0, 0, 0}, {0, 4, 0}, {3, 0, 0});
    t.flatten();
    EXPECT_EQ(t.normal, vec3d(0, 0, -1));
    EXPECT_GT(signedArea(t), 0);
}

TEST(Triangle, FlattenKeepsEdgeLengthsOverRandomTriangles) {
    std::mt19937 rng(1);
    for (int i = 0; i < 2000; ++i) {
        gt t(0, i);
        vec3d c[3];
        randomTriangle(rng, c);
        setCorners(t, c[0], c[1], c[2]);
        t.flatten();

        double shortest = 1e300;
        for (int k = 0; k < 3; ++k) {
            double l3 = length(t.P[(k + 1) % 3] - t.P[k]), l2 = length(t.p[(k + 1) % 3] - t.p[k]);
            ASSERT_LT(fabs(l2 - l3) / l3, 1e-12);
            EXPECT_EQ(t.p[k].z, 0.0);
            shortest = std::min(shortest, l3);
        }
        int q = t.p[0] == vec3d() ? 0 : (t.p[1] == vec3d() ? 1 : 2);
        EXPECT_EQ(t.p[(q + 1) % 3].y, 0.0);
        EXPECT_DOUBLE_EQ(t.p[(q + 1) % 3].x, shortest);
        EXPECT_GT(signedArea(t), 0);
    }
}

TEST(Triangle, TransformAgreesWithPlacedVertexAndLeavesOwnLugs) {
    std::mt19937 rng(2);
    for (int i = 0; i < 300; ++i) {
        gt t(0, i);
        vec3d c[3];
        randomTriangle(rng, c);
        setCorners(t, c[0], c[1], c[2]);
        t.flatten();
        t.Lugs[1][0] = t.lugs[1][0] = randomPoint(rng, 5);
        t.Lugs[1][1] = t.lugs[1][1] = randomPoint(rng, 5);

        double a = std::uniform_real_distribution<double>(-3, 3)(rng);
        mat3d rot = mat3d::fromColumns({cos(a), sin(a), 0}, {-sin(a), cos(a), 0}, {0, 0, 1});
        vec3d trans = randomPoint(rng, 10), pivot = randomPoint(rng, 10);

        vec3d before[3] = {t.p[0], t.p[1], t.p[2]};
        vec3d placed[3], lug = t.placedLugPoint(1, 1, rot, trans, pivot);
        for (int k = 0; k < 3; ++k)
            placed[k] = t.placedVertex(k, rot, trans, pivot);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(t.p[k], before[k]);
        EXPECT_EQ(t.placedLugPoint(0, 0, rot, trans, pivot), vec3d());

        vec3d own = *t.Lugs[1][1];
        t.transform(trans, rot, pivot);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(t.p[k], placed[k]);
        EXPECT_EQ(*t.lugs[1][1], lug);
        EXPECT_EQ(*t.Lugs[1][1], own);
    }
}

TEST(Triangle, FoldAnglesOverSampleMeshes) {
    for (Mesh& mesh : sampleMeshes()) {
        initialise(mesh, false);
        bool closedConvex = mesh.name.find("grid") == std::string::npos;
        for (auto& t : mesh.tris)
            for (int k = 0; k < 3; ++k) {
                SCOPED_TRACE(mesh.name);
                double dihedral =
                    t->nb[k] ? acos(std::clamp(dot(t->normal, t->nb[k]->normal), -1.0, 1.0)) : 0.0;
                if (!t->nb[k] || dihedral < 1e-9) {
                    EXPECT_NEAR(t->fold[k], 0, 1e-12);  // border or coplanar
                    continue;
                }
                if (closedConvex) {
                    EXPECT_LT(t->fold[k], 0);
                }
                EXPECT_DOUBLE_EQ(t->fold[k], t->nb[k]->fold[t->nbedge[k]]);
                if (dihedral <= std::numbers::pi / 2) {
                    EXPECT_NEAR(fabs(t->fold[k]), dihedral, 1e-9);
                }
            }
    }
}

TEST(Triangle, NearlyFlatAngleRoundingGivesNoNaN) {
    // The unit directions of v and 2v have a dot product just above 1 in double rounding.
    vec3d v(0.1 * 3, 0.37 * 3 + 0.3, 0.71);
    ASSERT_GT(dot(normalized(v), normalized(v * 2)), 1.0);

    gt t(0, 0);
    setCorners(t, {0, 0, 0}, v, v * 2);
    EXPECT_EQ(t.angle[0], 0.0);
    EXPECT_DOUBLE_EQ(t.angle[1], std::numbers::pi);
}

TEST(Triangle, DegenerateTrianglesStayFinite) {
    vec3d a(1, 2, 3), b(4, 0, -1);
    vec3d cases[][3] = {
        {a, a, b}, {a, b, b}, {a, b, a * 3 - b * 2}, {a, a, a}, {b, a, (a + b) * 0.5}};
    for (auto& c : cases) {
        gt t(0, 0);
        setCorners(t, c[0], c[1], c[2]);
        t.Lugs[2][0] = c[0];
        t.Lugs[2][1] = c[2];
        t.flatten();
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(isFinite(t.p[k]) && std::isfinite(t.height[k]) &&
                        std::isfinite(t.angle[k]));
            EXPECT_NEAR(length(t.p[(k + 1) % 3] - t.p[k]), length(t.P[(k + 1) % 3] - t.P[k]),
                        1e-12);
        }
        EXPECT_TRUE(isFinite(*t.Lugs[2][0]) && isFinite(*t.lugs[2][1]));
    }
}
