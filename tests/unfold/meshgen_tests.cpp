#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>

using namespace kivano;

namespace {
struct Named {
    const char* name;
    TriangleMesh mesh;
    size_t triangles;
    bool closed;
};
}  // namespace

static std::vector<Named> generatedMeshes() {
    return {
        {"icosphere 2", makeIcosphere(2, 0.1, 7), 320, true},
        {"icosphere 3", makeIcosphere(3, 0.1, 7), 1280, true},
        {"tube", makeTube(12, 5, 0.1, 3), 120, false},
        {"sheet", makeWavedSheet(6, 4, 0.3), 48, false},
        {"torus", makeTorus(16, 8), 256, true},
        {"cube", makeCube(), 12, true},
        {"holed sheet", makeHoledSheet(9, 9, 0.3), 2 * (81 - 9), false},
    };
}

// Directed edge -> how often it is used.
static std::map<std::pair<unsigned, unsigned>, int> directedEdges(const TriangleMesh& mesh) {
    std::map<std::pair<unsigned, unsigned>, int> edges;
    for (size_t t = 0; t < mesh.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k)
            edges[{mesh.indices[t * 3 + k], mesh.indices[t * 3 + (k + 1) % 3]}]++;
    return edges;
}

TEST(MeshGenerators, ConsistentlyOrientedWithExpectedCounts) {
    for (const Named& m : generatedMeshes()) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.mesh.triangleCount(), m.triangles);
        for (unsigned int index : m.mesh.indices)
            ASSERT_LT(index, m.mesh.vertexCount());

        bool hasBorder = false;
        std::map<std::pair<unsigned, unsigned>, int> edges = directedEdges(m.mesh);
        for (const auto& [edge, uses] : edges) {
            EXPECT_EQ(uses, 1) << "edge used twice in one direction";
            bool twin = edges.count({edge.second, edge.first}) > 0;
            hasBorder |= !twin;
        }
        EXPECT_EQ(hasBorder, !m.closed);
    }
}

static double edgeLength(const TriangleMesh& mesh, unsigned a, unsigned b) {
    double d[3];
    for (int i = 0; i < 3; ++i)
        d[i] = mesh.positions[a * 3 + i] - mesh.positions[b * 3 + i];
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

TEST(MeshGenerators, JitteredSphereFacesOutwardWithDistinctEdgeLengths) {
    TriangleMesh sphere = makeIcosphere(3, 0.1, 11);
    std::set<double> lengths;
    size_t edges = 0;
    for (const auto& [edge, uses] : directedEdges(sphere))
        if (edge.first < edge.second) {
            lengths.insert(edgeLength(sphere, edge.first, edge.second));
            edges++;
        }
    EXPECT_EQ(lengths.size(), edges);
    EXPECT_EQ(edges, 1280u * 3 / 2);

    for (size_t t = 0; t < sphere.triangleCount(); ++t) {
        const double* a = &sphere.positions[sphere.indices[t * 3] * 3];
        const double* b = &sphere.positions[sphere.indices[t * 3 + 1] * 3];
        const double* c = &sphere.positions[sphere.indices[t * 3 + 2] * 3];
        double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
        ASSERT_GT(n[0] * a[0] + n[1] * a[1] + n[2] * a[2], 0)
            << "triangle " << t << " faces inward";
    }
    // the same seed gives the same sphere, a different one another
    EXPECT_EQ(makeIcosphere(3, 0.1, 11).positions, sphere.positions);
    EXPECT_NE(makeIcosphere(3, 0.1, 12).positions, sphere.positions);
}

TEST(ObjFiles, RoundTripAndReadableErrors) {
    TriangleMesh torus = makeTorus(8, 5);
    std::string path = testing::TempDir() + "unfold_torus.obj";
    ASSERT_TRUE(writeObj(torus, path.c_str()));
    TriangleMesh read;
    std::string error;
    ASSERT_TRUE(readObj(path.c_str(), read, error)) << error;
    EXPECT_EQ(read.positions, torus.positions);
    EXPECT_EQ(read.indices, torus.indices);

    std::string faulty = testing::TempDir() + "unfold_faulty.obj";
    {
        std::ofstream out(faulty);
        out << "# quad with texture references\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1 -1/1\nf 1 2 9\n";
    }
    EXPECT_FALSE(readObj(faulty.c_str(), read, error));
    EXPECT_EQ(error.rfind("line 8:", 0), 0u) << error;

    std::string quad = testing::TempDir() + "unfold_quad.obj";
    {
        std::ofstream out(quad);
        out << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1//1 2//1 3//1 -1//1\n";
    }
    ASSERT_TRUE(readObj(quad.c_str(), read, error)) << error;
    EXPECT_EQ(read.indices, (std::vector<unsigned>{0, 1, 2, 0, 2, 3}));

    EXPECT_FALSE(readObj((testing::TempDir() + "missing/none.obj").c_str(), read, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    std::remove(path.c_str());
    std::remove(faulty.c_str());
    std::remove(quad.c_str());
}
