#include "scene/triangulate.h"

#include <algorithm>
#include <cmath>

namespace host::scene {

namespace {

struct Flat {
    double x, y;
};

double cross(const Flat& a, const Flat& b, const Flat& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Projects the polygon onto the plane of its largest normal component, turned
// so that the polygon runs counter-clockwise. False when it has no area.
bool flatten(const std::vector<Point3>& corners, std::vector<Flat>& out) {
    double n[3] = {0, 0, 0};
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point3& a = corners[i];
        const Point3& b = corners[(i + 1) % corners.size()];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(n[k]) > std::fabs(n[axis]))
            axis = k;
    if (!(std::fabs(n[axis]) > 0.0))
        return false;
    int u = (axis + 1) % 3, v = (axis + 2) % 3;
    double sign = n[axis] > 0 ? 1.0 : -1.0;
    for (const Point3& p : corners)
        out.push_back({p[size_t(u)], sign * p[size_t(v)]});
    return true;
}

bool inside(const Flat& p, const Flat& a, const Flat& b, const Flat& c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

bool same(const Flat& a, const Flat& b) {
    return a.x == b.x && a.y == b.y;
}

// Whether the corner at position p of the remaining outline is an ear: convex,
// with no other remaining corner inside or on it.
bool isEar(const std::vector<int>& ring, size_t p, const std::vector<Flat>& flat) {
    size_t n = ring.size();
    const Flat& a = flat[size_t(ring[(p + n - 1) % n])];
    const Flat& b = flat[size_t(ring[p])];
    const Flat& c = flat[size_t(ring[(p + 1) % n])];
    if (cross(a, b, c) <= 0)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (i == p || i == (p + 1) % n || i == (p + n - 1) % n)
            continue;
        const Flat& q = flat[size_t(ring[i])];
        if (same(q, a) || same(q, b) || same(q, c))
            continue;
        if (inside(q, a, b, c))
            return false;
    }
    return true;
}

}  // namespace

std::vector<std::array<int, 3>> earClip(const std::vector<Point3>& corners) {
    std::vector<std::array<int, 3>> out;
    int n = int(corners.size());
    if (n < 3)
        return out;
    std::vector<int> ring(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        ring[size_t(i)] = i;
    std::vector<Flat> flat;
    bool planar = flatten(corners, flat);
    while (ring.size() > 3) {
        size_t m = ring.size();
        size_t ear = 1;  // without an ear (no area, self-crossing) fall back to the fan corner
        for (size_t k = 0; planar && k < m; ++k) {
            size_t p = (k + 1) % m;
            if (isEar(ring, p, flat)) {
                ear = p;
                break;
            }
        }
        out.push_back({ring[(ear + m - 1) % m], ring[ear], ring[(ear + 1) % m]});
        ring.erase(ring.begin() + long(ear));
    }
    out.push_back({ring[0], ring[1], ring[2]});
    return out;
}

TriangulatedMesh triangulate(const MeshData& mesh, const std::vector<int>* only) {
    TriangulatedMesh result;
    const std::vector<int>& counts = *mesh.counts;
    const std::vector<int>& connects = *mesh.connects;
    auto newCounts = std::make_shared<std::vector<int>>();
    auto newConnects = std::make_shared<std::vector<int>>();
    std::vector<int> source;  // per new face-vertex: the old face-vertex it came from
    int offset = 0;
    for (int p = 0; p < int(counts.size()); ++p) {
        result.firstTriangle.push_back(int(newCounts->size()));
        int n = counts[size_t(p)];
        bool split = n > 3 && (!only || std::binary_search(only->begin(), only->end(), p));
        if (!split) {
            newCounts->push_back(n);
            for (int k = 0; k < n; ++k)
                source.push_back(offset + k);
        } else {
            std::vector<Point3> corners;
            for (int k = 0; k < n; ++k)
                corners.push_back((*mesh.points)[size_t(connects[size_t(offset + k)])]);
            for (const std::array<int, 3>& t : earClip(corners)) {
                newCounts->push_back(3);
                for (int k : t)
                    source.push_back(offset + k);
            }
        }
        offset += n;
    }
    result.firstTriangle.push_back(int(newCounts->size()));
    for (int fv : source)
        newConnects->push_back(connects[size_t(fv)]);
    auto remap = [&source](const IntBuffer& ids) {
        if (ids->empty())
            return ids;
        auto out = std::make_shared<std::vector<int>>();
        for (int fv : source)
            out->push_back((*ids)[size_t(fv)]);
        return IntBuffer(out);
    };
    result.data = mesh;
    result.data.counts = newCounts;
    result.data.connects = newConnects;
    for (UVSet& set : result.data.uvSets)
        set.faceVertexIds = remap(set.faceVertexIds);
    for (ColorSet& set : result.data.colorSets)
        set.faceVertexIds = remap(set.faceVertexIds);
    return result;
}

}  // namespace host::scene
