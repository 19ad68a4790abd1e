// Reduction keeps what a printed texture needs: a checkered cube, each side
// its own UV square, and a sphere mapped by longitude and latitude, their
// seam where u runs from 1 back to 0. Every triangle left must still map its
// surface onto the right squares of the texture.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "scene/reduce_faces.h"

using namespace host::scene;

namespace {

struct Built {
    MeshData mesh;
    std::vector<int> groups;  // per polygon
};

// Grows a mesh corner by corner: points shared by position, UVs by value.
struct Builder {
    std::vector<Point3> points;
    std::map<Point3, int> pointIds;
    std::vector<float> u, v;
    std::map<std::pair<float, float>, int> uvIds;
    std::vector<int> counts, connects, uvCorners, groups;

    void face(const std::vector<Point3>& corners, const std::vector<std::array<float, 2>>& uvs,
              int group) {
        counts.push_back(int(corners.size()));
        groups.push_back(group);
        for (size_t k = 0; k < corners.size(); ++k) {
            auto [p, newPoint] = pointIds.try_emplace(corners[k], int(points.size()));
            if (newPoint)
                points.push_back(corners[k]);
            connects.push_back(p->second);
            auto [t, newUv] = uvIds.try_emplace({uvs[k][0], uvs[k][1]}, int(u.size()));
            if (newUv)
                u.push_back(uvs[k][0]), v.push_back(uvs[k][1]);
            uvCorners.push_back(t->second);
        }
    }

    Built build() const {
        Built b;
        b.mesh.points = std::make_shared<std::vector<Point3>>(points);
        b.mesh.counts = std::make_shared<std::vector<int>>(counts);
        b.mesh.connects = std::make_shared<std::vector<int>>(connects);
        UVSet set;
        set.name = "map1";
        set.u = std::make_shared<std::vector<float>>(u);
        set.v = std::make_shared<std::vector<float>>(v);
        set.faceVertexIds = std::make_shared<std::vector<int>>(uvCorners);
        b.mesh.uvSets.push_back(set);
        b.mesh.currentUVSet = 0;
        b.groups = groups;
        return b;
    }
};

// Side s of the cube [-1, 1]^3: its outward axis and sign, and the two
// axes its UV square runs along.
struct Side {
    int axis, sign, uAxis, vAxis;
};
const Side kSides[6] = {{0, 1, 1, 2},  {0, -1, 2, 1}, {1, 1, 2, 0},
                        {1, -1, 0, 2}, {2, 1, 0, 1},  {2, -1, 1, 0}};

std::array<float, 2> cubeUv(const Side& s, const Point3& p) {
    return {float((p[size_t(s.uAxis)] + 1) / 2), float((p[size_t(s.vAxis)] + 1) / 2)};
}

// Each side an n x n grid of quads (a material of its own), wound outwards.
Built checkeredCube(int n) {
    Builder b;
    for (int s = 0; s < 6; ++s) {
        const Side& side = kSides[s];
        auto at = [&](int i, int j) {
            Point3 p{};
            p[size_t(side.axis)] = side.sign;
            p[size_t(side.uAxis)] = -1 + 2.0 * i / n;
            p[size_t(side.vAxis)] = -1 + 2.0 * j / n;
            return p;
        };
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                std::vector<Point3> q{at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
                if (side.sign < 0)
                    std::swap(q[1], q[3]);
                std::vector<std::array<float, 2>> uvs;
                for (const Point3& p : q)
                    uvs.push_back(cubeUv(side, p));
                b.face(q, uvs, s);
            }
    }
    return b.build();
}

// Longitude and latitude: the poles' caps are triangles, the seam at u = 0
// and u = 1 shares its points but not its UVs.
Built mappedSphere(int around, int down) {
    Builder b;
    auto at = [&](int i, int j) -> Point3 {
        double phi = 2 * M_PI * i / around, theta = M_PI * j / down;
        return {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
    };
    auto uv = [&](int i, int j) -> std::array<float, 2> {
        return {float(i) / float(around), float(j) / float(down)};
    };
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < down; ++j) {
            // Points at the poles and the seam are one; their UVs are not.
            auto p = [&](int a, int c) {
                Point3 q = at(a % around, c);
                if (c == 0 || c == down)
                    q = {0, 0, c == 0 ? 1.0 : -1.0};
                return q;
            };
            if (j == 0)
                b.face({p(i, 0), p(i, 1), p(i + 1, 1)}, {uv(i, 0), uv(i, 1), uv(i + 1, 1)}, 0);
            else if (j == down - 1)
                b.face({p(i, j), p(i, down), p(i + 1, j)}, {uv(i, j), uv(i, down), uv(i + 1, j)},
                       0);
            else
                b.face({p(i, j), p(i, j + 1), p(i + 1, j + 1), p(i + 1, j)},
                       {uv(i, j), uv(i, j + 1), uv(i + 1, j + 1), uv(i + 1, j)}, 0);
        }
    return b.build();
}

int triangles(const MeshData& m) {
    int t = 0;
    for (int n : *m.counts)
        t += n - 2;
    return t;
}

// Every UV a point had before, by the point.
std::multimap<Point3, std::array<float, 2>> uvsByPoint(const MeshData& m) {
    std::multimap<Point3, std::array<float, 2>> out;
    const UVSet& set = m.uvSets[0];
    for (size_t c = 0; c < m.connects->size(); ++c) {
        int id = (*set.faceVertexIds)[c];
        out.insert(
            {(*m.points)[size_t((*m.connects)[c])], {(*set.u)[size_t(id)], (*set.v)[size_t(id)]}});
    }
    return out;
}

struct Corner {
    Point3 p;
    std::array<float, 2> uv;
};

std::vector<std::array<Corner, 3>> cornersOf(const MeshData& m) {
    std::vector<std::array<Corner, 3>> out;
    const UVSet& set = m.uvSets[0];
    for (size_t c = 0; c + 2 < m.connects->size(); c += 3) {
        std::array<Corner, 3> t;
        for (size_t k = 0; k < 3; ++k) {
            int id = (*set.faceVertexIds)[c + k];
            t[k] = {(*m.points)[size_t((*m.connects)[c + k])],
                    {(*set.u)[size_t(id)], (*set.v)[size_t(id)]}};
        }
        out.push_back(t);
    }
    return out;
}

bool hadUv(const std::multimap<Point3, std::array<float, 2>>& before, const Corner& c) {
    auto [from, to] = before.equal_range(c.p);
    for (auto it = from; it != to; ++it)
        if (it->second == c.uv)
            return true;
    return false;
}

}  // namespace

TEST(Reduce, TheCheckeredCubeKeepsEverySideOnItsOwnSquare) {
    Built cube = checkeredCube(8);
    auto before = uvsByPoint(cube.mesh);
    ReducedMesh reduced = reduceFaces(cube.mesh, cube.groups, 60, 1e9);
    // Flat sides cost nothing to reduce: only the seams hold triangles back.
    EXPECT_LE(triangles(reduced.data), 200);
    ASSERT_EQ(reduced.faceGroup.size(), size_t(triangles(reduced.data)));
    auto corners = cornersOf(reduced.data);
    for (size_t t = 0; t < corners.size(); ++t) {
        // No face of no width, which would print as a line with tabs.
        const Point3 &a = corners[t][0].p, &b = corners[t][1].p, &c = corners[t][2].p;
        double n[3] = {(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                       (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                       (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
        EXPECT_GT(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-6)
            << "triangle " << t << " has no area";
        int side = reduced.faceGroup[t];
        ASSERT_TRUE(side >= 0 && side < 6) << "triangle " << t;
        for (const Corner& k : corners[t]) {
            EXPECT_TRUE(hadUv(before, k));
            // On its material's side, so not across the cube, and mapped as
            // that side maps: every point of it prints its own square.
            EXPECT_NEAR(k.p[size_t(kSides[side].axis)], kSides[side].sign, 1e-12)
                << "triangle " << t << " leaves its side";
            std::array<float, 2> want = cubeUv(kSides[side], k.p);
            EXPECT_NEAR(k.uv[0], want[0], 1e-6) << "triangle " << t;
            EXPECT_NEAR(k.uv[1], want[1], 1e-6) << "triangle " << t;
        }
    }
}

TEST(Reduce, TheMappedSphereKeepsItsSeamAndStaysWithinTheErrorAsked) {
    Built sphere = mappedSphere(48, 24);
    auto before = uvsByPoint(sphere.mesh);
    const double error = 0.05;
    ReducedMesh reduced = reduceFaces(sphere.mesh, sphere.groups, 400, error);
    EXPECT_LT(triangles(reduced.data), triangles(sphere.mesh) / 2);
    EXPECT_LE(reduced.error, error);
    for (const auto& c : cornersOf(reduced.data)) {
        float low = 1, high = 0;
        for (const Corner& k : c) {
            EXPECT_TRUE(hadUv(before, k));
            // Away from the poles, where u means nothing, u follows longitude.
            bool pole = std::fabs(std::fabs(k.p[2]) - 1) < 1e-9;
            if (pole)
                continue;
            double phi = std::atan2(k.p[1], k.p[0]);
            double u = phi < 0 ? phi / (2 * M_PI) + 1 : phi / (2 * M_PI);
            EXPECT_TRUE(std::fabs(k.uv[0] - u) < 1e-5 ||
                        std::fabs(std::fabs(k.uv[0] - u) - 1) < 1e-5);
            low = std::min(low, k.uv[0]), high = std::max(high, k.uv[0]);
        }
        // A triangle across the seam would run its texture the long way round.
        EXPECT_LT(high - low, 0.5f);
    }
}
