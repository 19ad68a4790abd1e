#include "geometry/mat3d.h"
#include "meshes.h"

#include <gtest/gtest.h>

#include <numbers>

static mat3d randomMatrix(std::mt19937& rng) {
    return mat3d::fromColumns(randomPoint(rng, 1), randomPoint(rng, 1), randomPoint(rng, 1));
}

TEST(Vec3d, ZeroVectorStaysZeroWhenNormalised) {
    EXPECT_EQ(normalized(vec3d()), vec3d());
    vec3d z;
    normalize(z);
    EXPECT_EQ(z, vec3d());
    EXPECT_TRUE(near(normalized(vec3d(0, 3, 4)), vec3d(0, 0.6, 0.8)));
}

TEST(Vec3d, RotationFollowsRightHandRule) {
    const double pi = std::numbers::pi;
    EXPECT_TRUE(near(rotated(vec3d(1, 0, 0), vec3d(0, 0, 1), pi / 2), vec3d(0, 1, 0)));
    EXPECT_TRUE(near(rotated(vec3d(1, 0, 0), vec3d(0, 0, 1), -pi / 2), vec3d(0, -1, 0)));
    EXPECT_EQ(cross(vec3d(1, 0, 0), vec3d(0, 1, 0)), vec3d(0, 0, 1));

    // For w perpendicular to a unit axis: w cos t + (u x w) sin t, which the lugs rely on.
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        vec3d u = normalized(randomPoint(rng, 1));
        vec3d w = cross(u, randomPoint(rng, 1));
        double t = std::uniform_real_distribution<double>(-4, 4)(rng);
        EXPECT_TRUE(near(rotated(w, u, t), w * cos(t) + cross(u, w) * sin(t)));
    }
}

TEST(Mat3d, IndexOutsideRangeYieldsFirstElement) {
    mat3d m = mat3d::fromColumns(vec3d(1, 2, 3), vec3d(4, 5, 6), vec3d(7, 8, 9));
    EXPECT_EQ(m.at(1), 4);  // row 0, column 1
    EXPECT_EQ(m.at(3), 2);
    EXPECT_EQ(&m.at(9), &m.at(0));
    EXPECT_EQ(&m.at(-1), &m.at(0));
}

TEST(Mat3d, InverseAndBasisMapOverRandomMatrices) {
    std::mt19937 rng(11);
    for (int i = 0; i < 200; ++i) {
        mat3d m = randomMatrix(rng), inv = m;
        if (fabs(m.determinant()) < 1e-3)
            continue;
        inv.invert();
        mat3d product = m;
        product *= inv;
        for (int e = 0; e < 9; ++e)
            EXPECT_NEAR(product.at(e), e % 4 == 0 ? 1.0 : 0.0, 1e-9);

        vec3d a[3] = {randomPoint(rng, 1), randomPoint(rng, 1), randomPoint(rng, 1)};
        vec3d b[3] = {m * a[0], m * a[1], m * a[2]};
        mat3d map = mat3d::basisMap(a[0], a[1], a[2], b[0], b[1], b[2]);
        vec3d v = randomPoint(rng, 1);
        if (fabs(mat3d::fromColumns(a[0], a[1], a[2]).determinant()) > 1e-3) {
            EXPECT_TRUE(near(map * v, m * v, 1e-8));
        }
    }
}

TEST(Mat3d, PlacementRotatesAboutPivotThenTranslates) {
    mat3d quarter = mat3d::fromColumns(vec3d(0, 1, 0), vec3d(-1, 0, 0), vec3d(0, 0, 1));
    vec3d pivot(2, 1, 0), trans(0.5, -3, 0);

    EXPECT_EQ(place(vec3d(4, 4, 0), mat3d(), trans, pivot), vec3d(4.5, 1, 0));
    EXPECT_EQ(place(pivot, quarter, vec3d(), pivot), pivot);
    EXPECT_EQ(place(vec3d(3, 1, 0), quarter, trans, pivot), vec3d(2.5, -1, 0));
}
