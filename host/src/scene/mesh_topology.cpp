#include "scene/mesh_topology.h"

#include <algorithm>
#include <cstdint>

namespace host::scene {

std::vector<std::vector<int>> edgeNeighbours(const MeshData& mesh) {
    const std::vector<int>& counts = *mesh.counts;
    const std::vector<int>& connects = *mesh.connects;
    // (edge key, polygon) pairs, sorted so that polygons sharing an edge sit together.
    std::vector<std::pair<uint64_t, int>> edges;
    edges.reserve(connects.size());
    size_t offset = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        int n = counts[p];
        for (int k = 0; k < n; ++k) {
            uint64_t a = uint32_t(connects[offset + size_t(k)]);
            uint64_t b = uint32_t(connects[offset + size_t((k + 1) % n)]);
            edges.push_back({std::min(a, b) << 32 | std::max(a, b), int(p)});
        }
        offset += size_t(n);
    }
    std::sort(edges.begin(), edges.end());
    std::vector<std::vector<int>> result(counts.size());
    for (size_t i = 0; i < edges.size();) {
        size_t j = i;
        while (j < edges.size() && edges[j].first == edges[i].first)
            ++j;
        for (size_t a = i; a < j; ++a)
            for (size_t b = i; b < j; ++b)
                if (edges[a].second != edges[b].second)
                    result[size_t(edges[a].second)].push_back(edges[b].second);
        i = j;
    }
    for (std::vector<int>& faces : result) {
        std::sort(faces.begin(), faces.end());
        faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    }
    return result;
}

std::vector<std::vector<Corner>> vertexCorners(const MeshData& mesh) {
    std::vector<std::vector<Corner>> result(size_t(mesh.numVertices()));
    const std::vector<int>& counts = *mesh.counts;
    const std::vector<int>& connects = *mesh.connects;
    size_t offset = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        for (int k = 0; k < counts[p]; ++k) {
            int v = connects[offset + size_t(k)];
            if (v >= 0 && v < int(result.size()))
                result[size_t(v)].push_back({int(p), int(offset) + k});
        }
        offset += size_t(counts[p]);
    }
    return result;
}

}  // namespace host::scene
