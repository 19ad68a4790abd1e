#include "tests/unfold/unfold_fixture.h"

#include "unfold/run_state.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace {
struct EdgeUse {
    int triangle = -1;
    int edge = -1;
    int count = 0;
};
}  // namespace

static uint64_t edgeKey(unsigned int a, unsigned int b) {
    if (a > b)
        std::swap(a, b);
    return (uint64_t(a) << 32) | b;
}

static void linkNeighbours(std::vector<std::unique_ptr<gt>>& triangles,
                           const kivano::TriangleMesh& mesh) {
    std::unordered_map<uint64_t, EdgeUse> uses;
    for (size_t t = 0; t < mesh.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            EdgeUse& use =
                uses[edgeKey(mesh.indices[t * 3 + k], mesh.indices[t * 3 + (k + 1) % 3])];
            use.count++;
            if (use.count == 1) {
                use.triangle = int(t);
                use.edge = k;
            }
        }
    for (size_t t = 0; t < mesh.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            const EdgeUse& use =
                uses[edgeKey(mesh.indices[t * 3 + k], mesh.indices[t * 3 + (k + 1) % 3])];
            if (use.count != 2 || use.triangle == int(t))
                continue;
            triangles[t]->nb[k] = triangles[use.triangle].get();
            triangles[use.triangle]->nb[use.edge] = triangles[t].get();
        }
}

void appendMesh(const kivano::TriangleMesh& mesh) {
    int meshindex = int(gtvec.size());
    std::vector<std::unique_ptr<gt>>& triangles = gtvec.emplace_back();
    for (size_t t = 0; t < mesh.triangleCount(); ++t) {
        std::unique_ptr<gt> triangle = std::make_unique<gt>(meshindex, int(t));
        for (int k = 0; k < 3; ++k) {
            const double* v = &mesh.positions[size_t(mesh.indices[t * 3 + k]) * 3];
            triangle->P[k] = vec3d(v[0], v[1], v[2]);
        }
        triangles.push_back(std::move(triangle));
    }
    linkNeighbours(triangles, mesh);
}

static int sharedEdge(const gt* t, const gt* n) {
    for (int j = 0; j < 3; ++j)
        if (n->nb[j] == t)
            return j;
    return -1;
}

template <typename Pass>
static void forEachTriangle(Pass pass) {
    for (std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (std::unique_ptr<gt>& t : triangles)
            pass(*t);
}

void prepareTriangles(bool generateLugs) {
    forEachTriangle([](gt& t) {
        t.computeNormal();
        t.computeHeights();
        for (int k = 0; k < 3; ++k)
            if (t.nb[k])
                t.nbedge[k] = sharedEdge(&t, t.nb[k]);
    });
    forEachTriangle([](gt& t) {
        t.computeAngles();
        t.computeFoldAngles();
    });
    if (!generateLugs)
        return;
    forEachTriangle([](gt& t) { t.createLugs(); });
    forEachTriangle([](gt& t) { t.fitLugs(); });
}

void loadMeshes(const std::vector<kivano::TriangleMesh>& meshes, bool generateLugs) {
    clearRun();
    for (const kivano::TriangleMesh& mesh : meshes)
        appendMesh(mesh);
    prepareTriangles(generateLugs);
}
