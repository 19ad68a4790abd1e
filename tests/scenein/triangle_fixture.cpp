#include "triangle_fixture.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "geometry/gt.h"
#include "scenein/extract.h"
#include "unfold/run_state.h"

using kivano::TriangleMesh;

static std::pair<unsigned, unsigned> edgeKey(unsigned a, unsigned b) {
    return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
}

std::vector<int> edgeConnectedFaces(const TriangleMesh& mesh, int face) {
    std::vector<int> result;
    const unsigned* f = &mesh.indices[3 * face];
    for (size_t other = 0; other < mesh.triangleCount(); ++other) {
        if (int(other) == face)
            continue;
        const unsigned* g = &mesh.indices[3 * other];
        bool shares = false;
        for (int k = 0; k < 3 && !shares; ++k)
            for (int e = 0; e < 3 && !shares; ++e)
                shares = edgeKey(f[k], f[(k + 1) % 3]) == edgeKey(g[e], g[(e + 1) % 3]);
        if (shares)
            result.push_back(int(other));
    }
    return result;
}

void appendLinkedMesh(const TriangleMesh& mesh) {
    int m = int(gtvec.size());
    gtvec.emplace_back();
    for (size_t j = 0; j < mesh.triangleCount(); ++j) {
        auto t = std::make_unique<gt>(m, int(j));
        for (int k = 0; k < 3; ++k) {
            const double* p = &mesh.positions[3 * mesh.indices[3 * j + k]];
            t->P[k] = vec3d(p[0], p[1], p[2]);
        }
        gtvec[m].push_back(std::move(t));
    }
    for (size_t j = 0; j < mesh.triangleCount(); ++j)
        for (int c : edgeConnectedFaces(mesh, int(j)))
            linkNeighbour(int(j), c, m);
}

void loadLinkedMeshes(const std::vector<TriangleMesh>& meshes) {
    clearRun();
    for (const TriangleMesh& mesh : meshes)
        appendLinkedMesh(mesh);
}

TriangleMesh makeFin() {
    TriangleMesh mesh;
    mesh.positions = {0, 0, 0, 1, 0, 0, 0.5, 1, 0, 0.5, -1, 0, 0.5, 0, 1, 1.5, 1, 0};
    // 0: base up, 1: base down, 2: base raised; 3 hangs off edge (1, 2) of 0.
    mesh.indices = {0, 1, 2, 1, 0, 3, 0, 1, 4, 2, 1, 5};
    return mesh;
}

TriangleMesh makeStripWithSliver() {
    TriangleMesh mesh;
    mesh.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 2, 1, 0, 3, 1, 0, 3, 2, 0};
    // Triangle 3 runs along y = 1 through (1,1), (2,1), (3,1): no area. It
    // shares edge (3, 4) with triangle 2 and edge (4, 5) with triangle 4.
    mesh.indices = {0, 1, 2, 1, 3, 2, 1, 4, 3, 3, 4, 5, 4, 5, 6};
    return mesh;
}

std::vector<TriangleMesh> sampleMeshes() {
    return {
        kivano::makeCube(),      kivano::makeIcosphere(1, 0.1, 7),  kivano::makeTube(8, 3, 0.1, 3),
        kivano::makeTorus(8, 6), kivano::makeHoledSheet(6, 6, 0.2),
    };
}
