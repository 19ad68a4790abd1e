#include "tests/unfold/small_meshes.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Container, CreateContainersGivesEveryTriangleItsOwnNet) {
    loadMeshes({kivano::makeCube(), flatQuad()}, true);
    createContainers();
    ASSERT_EQ(gtcvec.size(), 14u);
    for (size_t n = 0; n < gtcvec.size(); ++n) {
        const gtc& net = *gtcvec[n];
        ASSERT_EQ(net.size(), 1u);
        EXPECT_TRUE(net.active);
        const gt* t = net.triangle(0);
        EXPECT_EQ(t, n < 12 ? gtvec[0][n].get() : gtvec[1][n - 12].get());
        EXPECT_EQ(t->container, int(n));

        double minx = t->p[0].x, maxx = minx, miny = t->p[0].y, maxy = miny;
        auto grow = [&](const vec3d& v) {
            minx = std::min(minx, v.x);
            maxx = std::max(maxx, v.x);
            miny = std::min(miny, v.y);
            maxy = std::max(maxy, v.y);
        };
        for (int k = 0; k < 3; ++k) {
            grow(t->p[k]);
            if (t->lugs[k][0]) {
                grow(*t->lugs[k][0]);
                grow(*t->lugs[k][1]);
            }
        }
        EXPECT_EQ(net.minx, minx);
        EXPECT_EQ(net.miny, miny);
        // a flat triangle starts at the origin, so the largest x and y are never below 0
        EXPECT_EQ(net.maxx, maxx);
        EXPECT_EQ(net.maxy, maxy);
    }
}

TEST(Container, PlacementHelpers) {
    gtc net;
    net.setRotation(vec3d(2, 0, 0), vec3d(5, 0, 0));
    EXPECT_EQ(net.rot.m[0], 1);
    EXPECT_EQ(net.rot.m[1], 0);
    EXPECT_EQ(net.rot.m[4], 1);

    net.setRotation(vec3d(1, 1, 0), vec3d(-3, -3, 0));
    EXPECT_NEAR(net.rot.m[0], -1, 1e-15);
    EXPECT_NEAR(net.rot.m[3], 0, 1e-15);

    // a quarter turn takes x to y; z is left alone
    net.setRotation(vec3d(1, 0, 0), vec3d(0, 4, 0));
    vec3d turned = net.rot * vec3d(1, 0, 0);
    EXPECT_NEAR(turned.x, 0, 1e-15);
    EXPECT_NEAR(turned.y, 1, 1e-15);
    EXPECT_EQ(net.rot.m[8], 1);

    net.minx = 1;
    net.miny = 2;
    net.maxx = 5;
    net.maxy = 4;
    net.centerOnOrigin();
    EXPECT_EQ(net.trans, vec3d(-3, -3, 0));

    net.setTranslation(vec3d(1, 1, 0), vec3d(4, -1, 0));
    EXPECT_EQ(net.trans, vec3d(3, -2, 0));
}

TEST(Container, ExceedsPageIsStrictAndKeepsTheGrownBox) {
    loadMeshes({flatQuad()}, false);
    createContainers();
    gtc& A = *gtcvec[0];
    gtc& B = *gtcvec[1];
    // each triangle was laid flat on its own; bring B back beside A as in the mesh
    B.trans = vec3d(5, 0, 0);
    double right = -1e300;
    for (int k = 0; k < 3; ++k)
        right = std::max(right, B.triangle(0)->p[k].x + 5);
    double width = right - A.minx;

    EXPECT_FALSE(A.exceedsPage(&B, B.triangle(0), width, 100));
    EXPECT_EQ(A.maxx, right);
    EXPECT_TRUE(A.exceedsPage(&B, B.triangle(0), width - 1e-9, 100));
    EXPECT_TRUE(A.exceedsPage(&B, B.triangle(0), 100, 0.5));
}

TEST(Container, TestTriangleSkipsOnlyNeighboursLyingEdgeToEdge) {
    loadMeshes({flatQuad(), flatQuad()}, false);
    createContainers();
    gtc empty;
    EXPECT_FALSE(empty.testTriangle(gtcvec[1].get(), gtcvec[1]->triangle(0)));

    // place triangle 1 of each quad against triangle 0 along the diagonal
    for (int quad = 0; quad < 2; ++quad) {
        gt* t = gtvec[quad][0].get();
        gt* n = gtvec[quad][1].get();
        gtc& B = *gtcvec[n->container];
        int e = t->nbedge[2];
        B.setTranslation(n->p[(e + 1) % 3], t->p[2]);
        B.setRotation(n->p[e] - n->p[(e + 1) % 3], t->p[0] - t->p[2]);
        B.setPivot(n->p[(e + 1) % 3]);
    }
    // unlink the second quad: the same layout is now an overlap along the shared edge
    gt* t1 = gtvec[1][0].get();
    gt* n1 = gtvec[1][1].get();
    t1->nb[2] = nullptr;
    n1->nb[0] = nullptr;

    EXPECT_FALSE(gtcvec[0]->testTriangle(gtcvec[1].get(), gtvec[0][1].get()));
    EXPECT_TRUE(gtcvec[2]->testTriangle(gtcvec[3].get(), n1));

    // a neighbour moved off the shared edge is tested like any other triangle
    gtc& B = *gtcvec[1];
    B.trans = B.trans + vec3d(0.5, 0, 0);
    EXPECT_TRUE(gtcvec[0]->testTriangle(&B, gtvec[0][1].get()));
    B.trans = B.trans + vec3d(5, 0, 0);
    EXPECT_FALSE(gtcvec[0]->testTriangle(&B, gtvec[0][1].get()));
}
