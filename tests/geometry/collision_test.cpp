#include "meshes.h"

#include <gtest/gtest.h>

#include <numbers>

// A small triangle whose three neighbours are all taller, so it carries a lug on every edge.
static Mesh star() {
    Mesh m =
        makeMesh("star", {{0, 0, 0}, {1, 0, 0}, {0.5, 0.8, 0}, {0.5, -3, 0}, {3, 2, 0}, {-2, 2, 0}},
                 {0, 1, 2, 1, 0, 3, 2, 1, 4, 0, 2, 5});
    initialise(m, true);
    for (auto& t : m.tris)
        t->flatten();
    return m;
}

struct Flat {
    vec3d v[3];
};

// The placed triangle and its lug halves, split along the diagonal from p[k] to lugs[k][0].
static std::vector<Flat> pieces(const gt& t, const mat3d& rot, const vec3d& trans,
                                const vec3d& pivot) {
    auto at = [&](int k) { return t.placedVertex(k, rot, trans, pivot); };
    std::vector<Flat> out = {{at(0), at(1), at(2)}};
    for (int k = 0; k < 3; ++k)
        if (t.lugs[k][0]) {
            vec3d l0 = t.placedLugPoint(k, 0, rot, trans, pivot),
                  l1 = t.placedLugPoint(k, 1, rot, trans, pivot);
            out.push_back({at((k + 1) % 3), at(k), l0});
            out.push_back({at(k), l1, l0});
        }
    return out;
}

static bool overlap(const Flat& a, const Flat& b) {
    return triangleschnitt2d(a.v[0], a.v[1], a.v[2], b.v[0], b.v[1], b.v[2]);
}

static Flat probeAt(const Flat& f) {
    vec3d c = (f.v[0] + f.v[1] + f.v[2]) * (1.0 / 3);
    return {c, c + vec3d(0.01, 0, 0), c + vec3d(0, 0.01, 0)};
}

static mat3d rotationZ(double a) {
    return mat3d::fromColumns({cos(a), sin(a), 0}, {-sin(a), cos(a), 0}, {0, 0, 1});
}

TEST(Collision, TriangleTouchingOnlyALugCollides) {
    Mesh m = star();
    const gt& t = *m.tris[0];
    mat3d rot = rotationZ(0.7);
    vec3d trans(5, -2, 0), pivot(1, 1, 0);
    std::vector<Flat> mine = pieces(t, mat3d(), vec3d(), vec3d()),
                      theirs = pieces(t, rot, trans, pivot);
    ASSERT_EQ(mine.size(), 7u);

    for (size_t i = 1; i < mine.size(); ++i) {
        // Against this triangle's own lugs, in the three-point form.
        Flat probe = probeAt(mine[i]);
        EXPECT_FALSE(overlap(probe, mine[0]));
        EXPECT_TRUE(t.collision(probe.v[0], probe.v[1], probe.v[2])) << "lug piece " << i;

        // Against the other triangle's lugs, in the placed form: a lug-less probe record.
        gt p(1, 0);
        Flat q = probeAt(theirs[i]);
        std::copy(q.v, q.v + 3, p.p);
        EXPECT_FALSE(overlap(q, theirs[0]));
        EXPECT_TRUE(p.collision(t, rot, trans, pivot)) << "lug piece " << i;
    }
    Flat far = probeAt({{{9, 9, 0}, {10, 9, 0}, {9, 10, 0}}});
    EXPECT_FALSE(t.collision(far.v[0], far.v[1], far.v[2]));
}

TEST(Collision, OverlappingLugsCollideWhileTrianglesAreApart) {
    Mesh a = star(), b = star();
    const gt& t = *a.tris[0];
    for (int k = 0; k < 3; ++k) {
        // Turn b's copy half a turn about a point in front of edge k: the two edges face each
        // other 1.5 lug widths apart, so the lugs overlap but reach neither triangle.
        vec3d mid = (t.p[k] + t.p[(k + 1) % 3]) * 0.5, d = normalized(t.p[(k + 1) % 3] - t.p[k]);
        vec3d pivot = mid + vec3d(d.y, -d.x, 0) * (0.75 * t.lugWidth[k]);
        mat3d rot = rotationZ(std::numbers::pi);

        std::vector<Flat> mine = pieces(t, mat3d(), vec3d(), vec3d()),
                          theirs = pieces(*b.tris[0], rot, vec3d(), pivot);
        for (const Flat& f : theirs)
            EXPECT_FALSE(overlap(f, mine[0]));
        for (const Flat& f : mine)
            EXPECT_FALSE(overlap(f, theirs[0]));
        EXPECT_TRUE(t.collision(*b.tris[0], rot, vec3d(), pivot)) << "edge " << k;
    }
}

TEST(Collision, PlacedFormCoversEveryPieceAgainstEveryPiece) {
    Mesh a = star(), b = star();
    std::mt19937 rng(5);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        mat3d rot = rotationZ(std::uniform_real_distribution<double>(-4, 4)(rng));
        vec3d trans = randomPoint(rng, 2), pivot = randomPoint(rng, 2);
        trans.z = pivot.z = 0;

        bool any = false;
        for (const Flat& f : pieces(*a.tris[0], mat3d(), vec3d(), vec3d()))
            for (const Flat& g : pieces(*b.tris[0], rot, trans, pivot))
                any = any || overlap(f, g);
        EXPECT_EQ(a.tris[0]->collision(*b.tris[0], rot, trans, pivot), any);
        hits += any;
    }
    EXPECT_GT(hits, 300);
    EXPECT_LT(hits, 2700);
}

TEST(Collision, NeighboursAndCommonCorners) {
    Mesh m = std::move(sampleMeshes()[3]);  // flat grid: its 3-D corners already are a flat layout
    for (auto& t : m.tris)
        std::copy(t->P, t->P + 3, t->p);
    const gt& t = *m.tris[0];
    const gt& n = *t.nb[2];  // across the cell's diagonal, no lugs
    mat3d id;

    EXPECT_TRUE(t.isneighbor(n));
    EXPECT_TRUE(t.collision(n, id, vec3d(), vec3d()));
    EXPECT_EQ(t.commonPoints(n, id, vec3d(), vec3d()), 2);
    EXPECT_EQ(t.commonPoints(t, id, vec3d(), vec3d()), 3);
    EXPECT_TRUE(
        t.collision(*t.nb[1], id, vec3d(), vec3d()));  // shares an edge where the boxes just touch

    // Shifted by a whole cell along the diagonal, the copy touches t at one corner only.
    EXPECT_EQ(t.commonPoints(t, id, vec3d(1, 1, 0), vec3d()), 1);
    EXPECT_FALSE(t.collision(t, id, vec3d(1, 1, 0), vec3d()));

    gt point(1, 1);  // all nine corner pairs coincide, still at most 3
    EXPECT_EQ(point.commonPoints(point, id, vec3d(), vec3d()), 3);

    gt lonely(1, 0);
    lonely.nb[0] = m.tris[0].get();
    EXPECT_TRUE(t.isneighbor(lonely));
    EXPECT_FALSE(lonely.isneighbor(t));
}
