#include "meshes.h"

#include <math.h>

#include <algorithm>
#include <map>
#include <utility>

static void linkNeighbours(Mesh& mesh, const std::vector<int>& indices) {
    std::map<std::pair<int, int>, std::pair<int, int>> edges;  // (from, to) -> (triangle, edge)
    for (size_t i = 0; i < indices.size(); ++i)
        edges[{indices[i], indices[i - i % 3 + (i + 1) % 3]}] = {int(i / 3), int(i % 3)};

    for (auto& [edge, owner] : edges) {
        auto twin = edges.find({edge.second, edge.first});
        if (twin != edges.end())
            mesh.tris[owner.first]->nb[owner.second] = mesh.tris[twin->second.first].get();
    }
}

Mesh makeMesh(const std::string& name, const std::vector<vec3d>& vertices,
              const std::vector<int>& indices) {
    Mesh mesh{name, {}};
    for (size_t i = 0; i < indices.size(); i += 3) {
        auto t = std::make_unique<gt>(0, int(i / 3));
        for (int k = 0; k < 3; ++k)
            t->P[k] = vertices[indices[i + k]];
        mesh.tris.push_back(std::move(t));
    }
    linkNeighbours(mesh, indices);
    return mesh;
}

static int sharedEdge(const gt& t, int k) {
    for (int j = 0; j < 3; ++j)
        if (t.nb[k]->nb[j] == &t)
            return j;
    return -1;
}

void initialise(Mesh& mesh, bool withLugs) {
    for (auto& t : mesh.tris) {
        t->computeNormal();
        t->computeHeights();
        for (int k = 0; k < 3; ++k)
            if (t->nb[k])
                t->nbedge[k] = sharedEdge(*t, k);
    }
    for (auto& t : mesh.tris) {
        t->computeAngles();
        t->computeFoldAngles();
    }
    if (!withLugs)
        return;
    for (auto& t : mesh.tris)
        t->createLugs();
    for (auto& t : mesh.tris)
        t->fitLugs();
}

// Convex solids centred on the origin: turn every face outwards.
static std::vector<int> outward(const std::vector<vec3d>& v, std::vector<int> idx) {
    for (size_t i = 0; i < idx.size(); i += 3) {
        vec3d a = v[idx[i]], b = v[idx[i + 1]], c = v[idx[i + 2]];
        if (dot(cross(b - a, c - a), a + b + c) < 0)
            std::swap(idx[i + 1], idx[i + 2]);
    }
    return idx;
}

static Mesh grid(const std::string& name, int n, double (*height)(double, double)) {
    std::vector<vec3d> v;
    std::vector<int> idx;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            v.push_back(vec3d(x, y, height(x, y)));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int a = y * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            idx.insert(idx.end(), {a, b, d, a, d, c});
        }
    return makeMesh(name, v, idx);
}

std::vector<Mesh> sampleMeshes() {
    std::vector<Mesh> meshes;

    std::vector<vec3d> tet = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
    meshes.push_back(
        makeMesh("tetrahedron", tet, outward(tet, {0, 1, 2, 0, 1, 3, 0, 2, 3, 1, 2, 3})));

    std::vector<vec3d> oct = {{1, 0, 0},    {-1, 0, 0},  {0, 1.5, 0},
                              {0, -1.5, 0}, {0, 0, 0.7}, {0, 0, -0.7}};
    meshes.push_back(makeMesh(
        "octahedron", oct,
        outward(oct, {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 0, 2, 5, 2, 1, 5, 1, 3, 5, 3, 0, 5})));

    std::vector<vec3d> cube;
    for (int i = 0; i < 8; ++i)
        cube.push_back(vec3d(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    meshes.push_back(makeMesh(
        "cube", cube, outward(cube, {0, 1, 3, 0, 3, 2, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                                     2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 3, 7, 1, 7, 5})));

    meshes.push_back(grid("flat grid", 3, [](double, double) { return 0.0; }));
    meshes.push_back(grid("bumpy grid", 4, [](double x, double y) {
        return 0.4 * sin(1.3 * x) * cos(0.9 * y) + 0.05 * x * y;
    }));
    return meshes;
}

vec3d randomPoint(std::mt19937& rng, double range) {
    std::uniform_real_distribution<double> d(-range, range);
    double x = d(rng), y = d(rng), z = d(rng);
    return vec3d(x, y, z);
}

void randomTriangle(std::mt19937& rng, vec3d out[3]) {
    for (;;) {
        for (int k = 0; k < 3; ++k)
            out[k] = randomPoint(rng, 10);

        double area2 = length(cross(out[1] - out[0], out[2] - out[0]));
        double longest =
            std::max({length(out[1] - out[0]), length(out[2] - out[1]), length(out[0] - out[2])});
        if (area2 / longest >= 0.01 * longest)
            return;
    }
}

bool isFinite(const vec3d& v) {
    return isfinite(v.x) && isfinite(v.y) && isfinite(v.z);
}

void PrintTo(const vec3d& v, std::ostream* os) {
    *os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

testing::AssertionResult near(const vec3d& a, const vec3d& b, double eps) {
    if (fabs(a.x - b.x) <= eps && fabs(a.y - b.y) <= eps && fabs(a.z - b.z) <= eps)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << testing::PrintToString(a) << " is not within " << eps
                                       << " of " << testing::PrintToString(b);
}

testing::AssertionResult near(const std::optional<vec3d>& a, const vec3d& b, double eps) {
    return a ? near(*a, b, eps)
             : testing::AssertionFailure()
                   << "no corner where " << testing::PrintToString(b) << " was expected";
}
