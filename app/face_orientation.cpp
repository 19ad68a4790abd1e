#include "face_orientation.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <unordered_map>

namespace {

// An edge as the polygon walks it, from its smaller point to the larger or
// the other way.
struct EdgeUse {
    int polygon;
    bool forward;  // from the smaller point index to the larger
};

uint64_t edgeKey(int a, int b) {
    auto lo = uint32_t(std::min(a, b)), hi = uint32_t(std::max(a, b));
    return (uint64_t(lo) << 32) | hi;
}

struct Edges {
    std::unordered_map<uint64_t, std::vector<EdgeUse>> uses;
    std::vector<int> first;  // per polygon, its first corner
};

Edges edgesOf(std::span<const int> counts, std::span<const int> corners) {
    Edges edges;
    edges.first.reserve(counts.size() + 1);
    int at = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        edges.first.push_back(at);
        int n = counts[p];
        for (int k = 0; k < n; ++k) {
            int a = corners[size_t(at + k)], b = corners[size_t(at + (k + 1) % n)];
            if (a != b)
                edges.uses[edgeKey(a, b)].push_back({int(p), a < b});
        }
        at += n;
    }
    edges.first.push_back(at);
    return edges;
}

// Six times the volume the part's polygons enclose, as fans, each polygon
// taken as it will be wound.
double enclosedVolume(const std::vector<int>& part, const std::vector<char>& turn,
                      std::span<const int> counts, std::span<const int> corners,
                      std::span<const std::array<double, 3>> points, const Edges& edges) {
    double volume = 0.0;
    for (int p : part) {
        const std::array<double, 3>& o = points[size_t(corners[size_t(edges.first[size_t(p)])])];
        double sum = 0.0;
        for (int k = 1; k + 1 < counts[size_t(p)]; ++k) {
            const auto& a = points[size_t(corners[size_t(edges.first[size_t(p)] + k)])];
            const auto& b = points[size_t(corners[size_t(edges.first[size_t(p)] + k + 1)])];
            sum += o[0] * (a[1] * b[2] - a[2] * b[1]) + o[1] * (a[2] * b[0] - a[0] * b[2]) +
                   o[2] * (a[0] * b[1] - a[1] * b[0]);
        }
        volume += turn[size_t(p)] ? -sum : sum;
    }
    return volume;
}

}  // namespace

FaceOrientation orientFaces(std::span<const int> counts, std::span<const int> corners,
                            std::span<const std::array<double, 3>> points) {
    FaceOrientation result;
    Edges edges = edgesOf(counts, corners);
    assert(size_t(edges.first.back()) == corners.size());
    size_t polygons = counts.size();
    std::vector<char> seen(polygons, 0), turn(polygons, 0);
    std::vector<int> part, open;
    for (size_t start = 0; start < polygons; ++start) {
        if (seen[start])
            continue;
        ++result.parts;
        part.clear();
        open.assign(1, int(start));
        seen[start] = 1;
        bool agrees = true, closed = true;
        while (!open.empty()) {
            int p = open.back();
            open.pop_back();
            part.push_back(p);
            int at = edges.first[size_t(p)], n = counts[size_t(p)];
            for (int k = 0; k < n; ++k) {
                int a = corners[size_t(at + k)], b = corners[size_t(at + (k + 1) % n)];
                if (a == b)
                    continue;
                const std::vector<EdgeUse>& uses = edges.uses.at(edgeKey(a, b));
                if (uses.size() != 2) {
                    closed = false;  // a border, or an edge of three or more
                    continue;
                }
                const EdgeUse& other = uses[0].polygon == p ? uses[1] : uses[0];
                if (other.polygon == p)
                    continue;  // both uses are this polygon's own
                bool forward = a < b;
                // Two polygons agree when they walk their shared edge in
                // opposite directions.
                char wanted = char(turn[size_t(p)] ^ (forward == other.forward ? 1 : 0));
                if (!seen[size_t(other.polygon)]) {
                    seen[size_t(other.polygon)] = 1;
                    turn[size_t(other.polygon)] = wanted;
                    open.push_back(other.polygon);
                } else if (turn[size_t(other.polygon)] != wanted) {
                    agrees = false;
                }
            }
        }
        if (!agrees) {
            ++result.unorientable;
            for (int p : part)
                turn[size_t(p)] = 0;
            continue;
        }
        size_t disagreeing = size_t(
            std::count_if(part.begin(), part.end(), [&](int p) { return turn[size_t(p)] != 0; }));
        result.againstNeighbours += int(std::min(disagreeing, part.size() - disagreeing));
        // A closed part faces out; an open one the way most of it faces, so
        // that one stray polygon never turns the rest.
        bool flip = closed ? enclosedVolume(part, turn, counts, corners, points, edges) < 0.0
                           : 2 * disagreeing > part.size();
        if (flip) {
            for (int p : part)
                turn[size_t(p)] ^= 1;
            if (closed && 2 * disagreeing < part.size())
                ++result.insideOut;
        }
    }
    for (size_t p = 0; p < polygons; ++p)
        if (turn[p])
            result.turned.push_back(int(p));
    return result;
}
