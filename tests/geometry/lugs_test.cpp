#include "geometry/lugs.h"
#include "geometry/options.h"
#include "meshes.h"

#include <gtest/gtest.h>

#include <optional>

// Triangle (0,0,0), (len,0,0), (0,2,0) whose edge 0 is shared with a neighbour of the given height.
struct EdgeCase {
    gt t{0, 0}, n{0, 1};

    EdgeCase(double len, double theirHeight) {
        KivanoOptions = KivanoOptionsRecord();
        t.P[1] = vec3d(len, 0, 0);
        t.P[2] = vec3d(0, 2, 0);
        t.computeNormal();
        t.computeHeights();
        t.nb[0] = &n;
        n.nb[2] = &t;
        t.nbedge[0] = 2;
        n.height[2] = theirHeight;
    }
};

TEST(Lugs, TrapezoidNoTallerThanTheFaceItIsGluedTo) {
    EdgeCase wide(2, 5);
    wide.t.createLugs();
    EXPECT_EQ(wide.t.lugWidth[0], 0.4);
    EXPECT_TRUE(near(wide.t.Lugs[0][0], {1.6, -0.4, 0}));
    EXPECT_TRUE(near(wide.t.Lugs[0][1], {0.4, -0.4, 0}));
    EXPECT_TRUE(near(wide.t.lugs[0][0], {0, 0, 0}));
    EXPECT_FALSE(wide.t.Lugs[1][0] || wide.t.Lugs[2][0]);  // border edges

    EdgeCase low(2, 0.3);
    low.t.createLug(0);
    EXPECT_EQ(low.t.lugWidth[0], 0.3);
    EXPECT_TRUE(near(low.t.Lugs[0][0], {1.7, -0.3, 0}));
}

TEST(Lugs, ShortEdgesGetATriangle) {
    EdgeCase shortEdge(0.6, 5);
    shortEdge.t.createLug(0);
    shortEdge.t.fitLugs();
    EXPECT_TRUE(near(shortEdge.t.Lugs[0][0], {0.3, -0.3, 0}));
    EXPECT_TRUE(near(shortEdge.t.Lugs[0][1], {0.3, -0.3, 0}));
    EXPECT_EQ(shortEdge.t.lugWidth[0], 0.4);

    EdgeCase exact(0.8, 5);
    exact.t.createLug(0);
    exact.t.fitLug(0);
    EXPECT_TRUE(near(exact.t.Lugs[0][0], {0.4, -0.4, 0}));
    EXPECT_TRUE(near(exact.t.Lugs[0][1], {0.4, -0.4, 0}));
}

TEST(Lugs, EqualHeightsFollowCreationOrderNotAddresses) {
    // (meshindex, faceindex) of the record at the lower address, then of the one above it.
    int order[][4] = {{0, 1, 0, 0}, {0, 0, 0, 1}, {1, 0, 0, 7}, {0, 7, 1, 0}};
    for (auto& o : order) {
        std::optional<gt> rec[2];
        rec[0].emplace(o[0], o[1]);
        rec[1].emplace(o[2], o[3]);
        gt &a = *rec[0], &b = *rec[1];
        a.P[0] = {0, 0, 0}, a.P[1] = {2, 0, 0}, a.P[2] = {1, 1, 0};
        b.P[0] = {2, 0, 0}, b.P[1] = {0, 0, 0}, b.P[2] = {1, -1, 0};
        a.nb[0] = &b, b.nb[0] = &a;
        for (gt* t : {&a, &b})
            t->computeNormal(), t->computeHeights();
        ASSERT_EQ(a.height[0], b.height[0]);

        a.createLugs();
        b.createLugs();
        bool aFirst = o[0] != o[2] ? o[0] < o[2] : o[1] < o[3];
        EXPECT_EQ(a.Lugs[0][0].has_value(), aFirst);
        EXPECT_EQ(b.Lugs[0][0].has_value(), !aFirst);
    }
}

TEST(Lugs, NeighbourNotListingUsBackGetsNoLug) {
    EdgeCase one(2, 5);
    one.n.nb[2] = nullptr;
    one.t.nbedge[0] = -1;
    one.t.createLugs();
    one.t.createLug(0);
    EXPECT_FALSE(one.t.Lugs[0][0]);

    one.n.Lugs[2][0] = one.n.Lugs[2][1] = vec3d(7, 7, 7);
    one.t.saveLugs();
    one.n.RemoveLugs(2);
    one.t.restoreLugs();
    EXPECT_FALSE(one.n.Lugs[2][0]);  // not ours to save
    EXPECT_EQ(savedLugsDepth(), 0);
}

static double side(const vec3d& x, const gt& t, int k) {
    return cross(t.p[(k + 1) % 3] - t.p[k], x - t.p[k]).z;
}

TEST(Lugs, OneLugPerSharedEdgeOverSampleMeshes) {
    KivanoOptions = KivanoOptionsRecord();
    for (Mesh& mesh : sampleMeshes()) {
        SCOPED_TRACE(mesh.name);
        initialise(mesh, true);
        for (auto& t : mesh.tris) {
            vec3d original[3][2];
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(t->Lugs[k][0].has_value(), t->Lugs[k][1].has_value());
                if (!t->nb[k]) {
                    EXPECT_FALSE(t->Lugs[k][0]);
                    continue;
                }
                const gt& n = *t->nb[k];
                EXPECT_NE(t->Lugs[k][0].has_value(), n.Lugs[t->nbedge[k]][0].has_value());
                if (t->Lugs[k][0]) {
                    EXPECT_LE(t->lugWidth[k], std::min(0.4, n.height[t->nbedge[k]]));
                    for (int j = 0; j < 2; ++j)
                        original[k][j] = *t->Lugs[k][j];
                }
            }

            t->flatten();
            for (int k = 0; k < 3; ++k)
                for (int j = 0; j < 2 && t->Lugs[k][0]; ++j) {
                    // Laid flat, the lug keeps its shape and lies beyond its edge, away from the triangle.
                    EXPECT_EQ(*t->lugs[k][j], *t->Lugs[k][j]);
                    EXPECT_NEAR(t->Lugs[k][j]->z, 0, 1e-12);
                    EXPECT_LT(side(*t->Lugs[k][j], *t, k), 0);
                    EXPECT_GT(side(t->p[(k + 2) % 3], *t, k), 0);
                    EXPECT_NEAR(length(*t->Lugs[k][j] - t->p[k]), length(original[k][j] - t->P[k]),
                                1e-12);
                }
        }
    }
}

// Every lug corner of t and of its neighbours, on all their edges.
static std::vector<std::optional<vec3d>> lugCorners(const gt& t) {
    std::vector<std::optional<vec3d>> out;
    for (const gt* r : {&t, (const gt*)t.nb[0], (const gt*)t.nb[1], (const gt*)t.nb[2]})
        for (int k = 0; r && k < 3; ++k)
            out.insert(out.end(), {r->Lugs[k][0], r->Lugs[k][1], r->lugs[k][0], r->lugs[k][1]});
    return out;
}

static std::vector<std::optional<vec3d>> facingLugs(const gt& t) {
    std::vector<std::optional<vec3d>> out;
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 2; ++j) {
            out.insert(out.end(), {t.Lugs[k][j], t.lugs[k][j]});
            if (t.nb[k])
                out.insert(out.end(),
                           {t.nb[k]->Lugs[t.nbedge[k]][j], t.nb[k]->lugs[t.nbedge[k]][j]});
        }
    return out;
}

static void removeAround(gt& t) {
    for (int k = 0; k < 3; ++k) {
        t.RemoveLugs(k);
        if (t.nb[k])
            t.nb[k]->RemoveLugs(t.nbedge[k]);
    }
}

TEST(Lugs, SaveRemoveRestoreGivesBackEqualLugs) {
    KivanoOptions = KivanoOptionsRecord();
    for (Mesh& mesh : sampleMeshes()) {
        SCOPED_TRACE(mesh.name);
        initialise(mesh, true);
        for (auto& t : mesh.tris)
            t->flatten();
        for (auto& t : mesh.tris) {
            std::vector<std::optional<vec3d>> before = lugCorners(*t);
            t->saveLugs();
            removeAround(*t);
            t->restoreLugs();
            EXPECT_EQ(lugCorners(*t), before);
            EXPECT_EQ(savedLugsDepth(), 0);

            t->saveLugs();
            removeAround(*t);
            t->freeSavedLugs();
            EXPECT_EQ(savedLugsDepth(), 0);
            for (const std::optional<vec3d>& v : facingLugs(*t))
                EXPECT_FALSE(v);
            t->restoreLugs();  // empty stack: nothing happens
            t->freeSavedLugs();
            EXPECT_EQ(savedLugsDepth(), 0);
        }
    }
}

TEST(Lugs, NestedSavesBeyondSixteenLevels) {
    EdgeCase one(2, 5);
    one.t.createLug(0);
    for (int level = 0; level < 40; ++level) {
        one.t.saveLugs();
        one.t.Lugs[0][0] = one.t.Lugs[0][1] = vec3d(level, 0, 0);
    }
    EXPECT_EQ(savedLugsDepth(), 40);
    for (int level = 39; level > 0; --level) {
        one.t.restoreLugs();
        EXPECT_EQ(*one.t.Lugs[0][0], vec3d(level - 1, 0, 0));
    }
    one.t.restoreLugs();
    EXPECT_TRUE(near(one.t.Lugs[0][0], {1.6, -0.4, 0}));
    EXPECT_EQ(savedLugsDepth(), 0);
}

TEST(Lugs, DegenerateTrianglesPoisonNothing) {
    KivanoOptions = KivanoOptionsRecord();
    Mesh mesh =
        std::move(sampleMeshes()[4]);  // bumpy grid: collapse one inner vertex onto the next
    vec3d from = mesh.tris[10]->P[0], to = mesh.tris[10]->P[1];  // (1, 1) onto (2, 1)
    for (auto& t : mesh.tris)
        for (vec3d& c : t->P)
            if (c == from)
                c = to;
    initialise(mesh, true);
    int degenerate = 0;
    for (auto& t : mesh.tris) {
        t->flatten();
        degenerate += t->normal == vec3d();
    }
    EXPECT_EQ(degenerate, 2);

    for (auto& t : mesh.tris)
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(isFinite(t->p[k]) && std::isfinite(t->height[k]) &&
                        std::isfinite(t->angle[k]) && std::isfinite(t->fold[k]));
            for (int j = 0; j < 2 && t->lugs[k][0]; ++j)
                EXPECT_TRUE(isFinite(*t->Lugs[k][j]) && isFinite(*t->lugs[k][j]));
            EXPECT_EQ(t->commonPoints(*mesh.tris[0], mat3d(), vec3d(), vec3d()) >= 0, true);
        }
}
