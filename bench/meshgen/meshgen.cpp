#include "bench/meshgen/meshgen.h"

#include <cassert>
#include <cmath>
#include <map>
#include <utility>

namespace kivano {

static const double kPi = 3.14159265358979323846;

// splitmix64: the standard distributions differ between library vendors, so
// the generated meshes would too; this keeps them identical everywhere.
static double nextUnit(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * (1.0 / 9007199254740992.0);
}

static unsigned int addVertex(TriangleMesh& mesh, double x, double y, double z) {
    mesh.positions.push_back(x);
    mesh.positions.push_back(y);
    mesh.positions.push_back(z);
    return unsigned(mesh.vertexCount() - 1);
}

static void addTriangle(TriangleMesh& mesh, unsigned int a, unsigned int b, unsigned int c) {
    mesh.indices.push_back(a);
    mesh.indices.push_back(b);
    mesh.indices.push_back(c);
}

static void jitterVertex(TriangleMesh& mesh, size_t vertex, double amount, uint64_t& state) {
    for (int axis = 0; axis < 3; ++axis)
        mesh.positions[vertex * 3 + axis] += amount * (nextUnit(state) - 0.5);
}

static void projectToUnitSphere(TriangleMesh& mesh, size_t vertex) {
    double* p = &mesh.positions[vertex * 3];
    double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    p[0] /= length;
    p[1] /= length;
    p[2] /= length;
}

static TriangleMesh makeIcosahedron() {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const double corners[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                   {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                   {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    static const unsigned int faces[20][3] = {
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};

    TriangleMesh mesh;
    for (const double* c : corners)
        projectToUnitSphere(mesh, addVertex(mesh, c[0], c[1], c[2]));
    for (const unsigned int* f : faces)
        addTriangle(mesh, f[0], f[1], f[2]);
    return mesh;
}

static unsigned int midpoint(TriangleMesh& mesh,
                             std::map<std::pair<unsigned, unsigned>, unsigned>& cache, unsigned a,
                             unsigned b) {
    std::pair<unsigned, unsigned> key(std::min(a, b), std::max(a, b));
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;

    const double* pa = &mesh.positions[a * 3];
    const double* pb = &mesh.positions[b * 3];
    unsigned int m = addVertex(mesh, (pa[0] + pb[0]) / 2, (pa[1] + pb[1]) / 2, (pa[2] + pb[2]) / 2);
    projectToUnitSphere(mesh, m);
    cache.emplace(key, m);
    return m;
}

static TriangleMesh subdivide(TriangleMesh& mesh) {
    TriangleMesh result;
    result.positions = mesh.positions;
    std::map<std::pair<unsigned, unsigned>, unsigned> cache;
    for (size_t i = 0; i < mesh.triangleCount(); ++i) {
        unsigned a = mesh.indices[i * 3], b = mesh.indices[i * 3 + 1], c = mesh.indices[i * 3 + 2];
        unsigned ab = midpoint(result, cache, a, b);
        unsigned bc = midpoint(result, cache, b, c);
        unsigned ca = midpoint(result, cache, c, a);
        addTriangle(result, a, ab, ca);
        addTriangle(result, b, bc, ab);
        addTriangle(result, c, ca, bc);
        addTriangle(result, ab, bc, ca);
    }
    return result;
}

TriangleMesh makeIcosphere(int level, double jitter, uint64_t seed) {
    assert(level >= 0);
    TriangleMesh mesh = makeIcosahedron();
    for (int i = 0; i < level; ++i)
        mesh = subdivide(mesh);

    // the icosahedron's edge is about 1.05; each level halves it
    double edge = 1.05 / double(1 << level);
    uint64_t state = seed;
    for (size_t v = 0; v < mesh.vertexCount(); ++v)
        jitterVertex(mesh, v, jitter * edge, state);
    return mesh;
}

// Quads of a (columns + 1) x (rows + 1) vertex grid, each split along the
// diagonal from its lower left to its upper right corner.
static void addGridTriangles(TriangleMesh& mesh, unsigned int base, int columns, int rows,
                             bool wrapColumns) {
    int stride = wrapColumns ? columns : columns + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            unsigned a = base + unsigned(r * stride + c);
            unsigned b = base + unsigned(r * stride + (wrapColumns ? (c + 1) % columns : c + 1));
            unsigned d = a + unsigned(stride);
            unsigned e = b + unsigned(stride);
            addTriangle(mesh, a, b, e);
            addTriangle(mesh, a, e, d);
        }
}

TriangleMesh makeTube(int segments, int rings, double jitter, uint64_t seed) {
    assert(segments >= 3 && rings >= 1);
    TriangleMesh mesh;
    double step = 2 * kPi / segments;
    uint64_t state = seed;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            unsigned v = addVertex(mesh, std::cos(s * step), std::sin(s * step), r * step);
            jitterVertex(mesh, v, jitter * step, state);
        }
    addGridTriangles(mesh, 0, segments, rings, true);
    return mesh;
}

static double wave(double x, double y, double amplitude) {
    return amplitude * std::sin(x * 0.7) * std::cos(y * 0.5);
}

TriangleMesh makeWavedSheet(int columns, int rows, double amplitude) {
    assert(columns >= 1 && rows >= 1);
    TriangleMesh mesh;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c)
            addVertex(mesh, c, r, wave(c, r, amplitude));
    addGridTriangles(mesh, 0, columns, rows, false);
    return mesh;
}

TriangleMesh makeTorus(int majorSegments, int minorSegments) {
    assert(majorSegments >= 3 && minorSegments >= 3);
    TriangleMesh mesh;
    for (int i = 0; i < majorSegments; ++i) {
        double u = 2 * kPi * i / majorSegments;
        for (int j = 0; j < minorSegments; ++j) {
            double v = 2 * kPi * j / minorSegments;
            double radius = 2.0 + 0.6 * std::cos(v);
            addVertex(mesh, radius * std::cos(u), radius * std::sin(u), 0.6 * std::sin(v));
        }
    }
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j) {
            unsigned a = unsigned(i * minorSegments + j);
            unsigned b = unsigned(((i + 1) % majorSegments) * minorSegments + j);
            unsigned c =
                unsigned(((i + 1) % majorSegments) * minorSegments + (j + 1) % minorSegments);
            unsigned d = unsigned(i * minorSegments + (j + 1) % minorSegments);
            addTriangle(mesh, a, b, c);
            addTriangle(mesh, a, c, d);
        }
    return mesh;
}

TriangleMesh makeCube() {
    TriangleMesh mesh;
    for (int i = 0; i < 8; ++i)
        addVertex(mesh, i & 1, (i >> 1) & 1, (i >> 2) & 1);
    static const unsigned int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const unsigned int* q : quads) {
        addTriangle(mesh, q[0], q[1], q[2]);
        addTriangle(mesh, q[0], q[2], q[3]);
    }
    return mesh;
}

TriangleMesh makeHoledSheet(int columns, int rows, double amplitude) {
    TriangleMesh full = makeWavedSheet(columns, rows, amplitude);
    TriangleMesh mesh;
    mesh.positions = full.positions;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (r % 3 == 1 && c % 3 == 1)
                continue;
            size_t quad = size_t(r * columns + c) * 6;
            for (size_t i = 0; i < 6; ++i)
                mesh.indices.push_back(full.indices[quad + i]);
        }
    return mesh;
}

TriangleMesh makeSpiralBand(int quads, double height, int turns) {
    assert(quads >= 1 && turns >= 1);
    TriangleMesh mesh;
    for (int i = 0; i <= quads; ++i) {
        double angle = 2 * kPi * turns * i / quads;
        double radius = 5 + 1.55 * angle / (2 * kPi);
        addVertex(mesh, radius * std::cos(angle), radius * std::sin(angle), 0);
        addVertex(mesh, radius * std::cos(angle), radius * std::sin(angle), height);
    }
    for (int i = 0; i < quads; ++i) {
        unsigned low = unsigned(2 * i), high = low + 1;
        addTriangle(mesh, low, low + 2, low + 3);
        addTriangle(mesh, low, low + 3, high);
    }
    return mesh;
}

TriangleMesh makeStraightStrip(int quads) {
    assert(quads >= 1);
    TriangleMesh mesh;
    for (int i = 0; i <= quads; ++i) {
        addVertex(mesh, i, 0, 0);
        addVertex(mesh, i, 1, 0);
    }
    for (int i = 0; i < quads; ++i) {
        unsigned low = unsigned(2 * i), high = low + 1;
        addTriangle(mesh, low, low + 2, low + 3);
        addTriangle(mesh, low, low + 3, high);
    }
    return mesh;
}

TriangleMesh makeBentGrid(int columns, int rows) {
    assert(columns >= 1 && rows >= 1);
    TriangleMesh mesh;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) {
            double angle = kPi * c / columns;
            addVertex(mesh, std::cos(angle), 2.0 * r / rows, std::sin(angle));
        }
    addGridTriangles(mesh, 0, columns, rows, false);
    return mesh;
}

std::vector<double> makeStarPolygon(int corners) {
    assert(corners >= 3);
    std::vector<double> points;
    for (int i = 0; i < corners; ++i) {
        double angle = 2 * kPi * i / corners;
        double radius = i % 2 ? 0.6 : 1.0;
        points.push_back(radius * std::cos(angle));
        points.push_back(radius * std::sin(angle));
        points.push_back(0);
    }
    return points;
}

}  // namespace kivano
