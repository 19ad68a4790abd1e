#include "scene/reduce_faces.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include <meshoptimizer.h>

#include "scene/triangulate.h"

namespace host::scene {

namespace {

// A triangle is a sliver when twice its area is below this share of its
// longest side squared; slivers are mended in at most this many rounds.
constexpr double kSliver = 1e-9;
constexpr int kSliverPasses = 8;

// Per face-vertex, each thing that must agree where two corners are one
// vertex to the simplifier: the point, each set's UV and colour (values, not
// ids: a file may give every corner its own id for one value), the group.
struct CornerStreams {
    std::vector<std::vector<float>> values;
    std::vector<size_t> widths;  // floats per corner
};

CornerStreams cornerStreams(const MeshData& tri, const std::vector<int>& triangleGroup) {
    size_t n = size_t(tri.numFaceVertices());
    CornerStreams s;
    auto add = [&](size_t width, auto&& valueAt) {
        std::vector<float> values(n * width);
        for (size_t c = 0; c < n; ++c)
            valueAt(c, &values[c * width]);
        s.values.push_back(std::move(values));
        s.widths.push_back(width);
    };
    // The point's id, bit for bit: ids beyond 2^24 would not survive a float.
    add(1, [&](size_t c, float* out) {
        int id = (*tri.connects)[c];
        std::memcpy(out, &id, sizeof id);
    });
    for (const UVSet& set : tri.uvSets) {
        if (set.faceVertexIds->empty())
            continue;
        add(2, [&](size_t c, float* out) {
            int id = (*set.faceVertexIds)[c];
            out[0] = id < 0 ? NAN : (*set.u)[size_t(id)];
            out[1] = id < 0 ? NAN : (*set.v)[size_t(id)];
        });
    }
    for (const ColorSet& set : tri.colorSets) {
        if (set.faceVertexIds->empty())
            continue;
        add(4, [&](size_t c, float* out) {
            int id = (*set.faceVertexIds)[c];
            const MColor none(NAN, NAN, NAN, NAN);
            const MColor& colour = id < 0 ? none : (*set.colors)[size_t(id)];
            out[0] = colour.r, out[1] = colour.g, out[2] = colour.b, out[3] = colour.a;
        });
    }
    add(1, [&](size_t c, float* out) {
        int group = triangleGroup[c / 3];
        std::memcpy(out, &group, sizeof group);
    });
    return s;
}

// Collapses along a seam can leave a triangle of no area, its three corners
// on one line. Printed, it would be a face of no width with tabs of its own.
// The triangle across its long side takes the middle corner instead and is
// split in two, with that corner's UVs on its own side of the seam; on an
// open border the sliver simply goes.
struct Slivers {
    const MeshData& t;
    const std::vector<unsigned>& firstCorner;
    const std::vector<int>& triangleGroup;
    const CornerStreams& streams;

    int pointOf(unsigned w) const { return (*t.connects)[firstCorner[w]]; }
    const Point3& at(unsigned w) const { return (*t.points)[size_t(pointOf(w))]; }
    int groupOf(unsigned w) const { return triangleGroup[firstCorner[w] / 3]; }
    // The first UV set's value, or none.
    std::array<float, 2> uvOf(unsigned w) const {
        if (streams.widths.size() < 2 || streams.widths[1] != 2)
            return {0, 0};
        const float* v = &streams.values[1][size_t(firstCorner[w]) * 2];
        return {v[0], v[1]};
    }

    static double length2(const Point3& a, const Point3& b) {
        double d = 0;
        for (size_t k = 0; k < 3; ++k)
            d += (b[k] - a[k]) * (b[k] - a[k]);
        return d;
    }

    // The corner of a sliver that lies between the other two, or -1 when the
    // triangle has area (or two corners in one place).
    int middleOf(const unsigned* c) const {
        const Point3 &a = at(c[0]), &b = at(c[1]), &d = at(c[2]);
        double u[3], v[3];
        for (size_t k = 0; k < 3; ++k)
            u[k] = b[k] - a[k], v[k] = d[k] - a[k];
        double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
        double side[3] = {length2(a, b), length2(b, d), length2(d, a)};
        double longest = std::max({side[0], side[1], side[2]});
        double limit = kSliver * longest;
        if (!(longest > 0) || n[0] * n[0] + n[1] * n[1] + n[2] * n[2] > limit * limit)
            return -1;
        for (int k = 0; k < 3; ++k)
            if (side[size_t(k)] == 0.0)
                return -1;
        // The long side runs from corner m + 1 to corner m - 1.
        for (int m = 0; m < 3; ++m)
            if (side[size_t((m + 1) % 3)] == longest)
                return m;
        return -1;
    }

    // Of the vertices at `w`'s point, the one of `group` whose UV is nearest `uv`.
    unsigned wedgeNear(unsigned w, int group, std::array<float, 2> uv,
                       const std::vector<std::vector<unsigned>>& byPoint) const {
        unsigned best = ~0u;
        double nearest = HUGE_VAL;
        for (unsigned x : byPoint[size_t(pointOf(w))]) {
            if (groupOf(x) != group)
                continue;
            std::array<float, 2> q = uvOf(x);
            double d = std::hypot(double(q[0] - uv[0]), double(q[1] - uv[1]));
            if (d < nearest)
                nearest = d, best = x;
        }
        return best;
    }

    // One pass; true when it changed something.
    bool pass(std::vector<unsigned>& kept,
              const std::vector<std::vector<unsigned>>& byPoint) const {
        size_t count = kept.size() / 3;
        std::unordered_map<uint64_t, size_t> edgeOf;
        auto key = [&](unsigned a, unsigned b) {
            return (uint64_t(uint32_t(pointOf(a))) << 32) | uint32_t(pointOf(b));
        };
        for (size_t i = 0; i < count; ++i)
            for (size_t k = 0; k < 3; ++k)
                edgeOf.emplace(key(kept[i * 3 + k], kept[i * 3 + (k + 1) % 3]), i);
        std::vector<char> touched(count, 0), gone(count, 0);
        bool changed = false;
        for (size_t i = 0; i < count; ++i) {
            if (touched[i])
                continue;
            int m = middleOf(&kept[i * 3]);
            if (m < 0)
                continue;
            unsigned a = kept[i * 3 + size_t((m + 2) % 3)], mid = kept[i * 3 + size_t(m)],
                     c = kept[i * 3 + size_t((m + 1) % 3)];
            // The sliver runs a -> mid -> c -> a; across c -> a lies a -> c.
            auto across = edgeOf.find(key(a, c));
            if (across == edgeOf.end()) {
                gone[i] = touched[i] = 1, changed = true;
                continue;
            }
            size_t j = across->second;
            if (j == i || touched[j] || middleOf(&kept[j * 3]) >= 0)
                continue;
            size_t r = 0;
            while (pointOf(kept[j * 3 + r]) != pointOf(a))
                ++r;
            unsigned ta = kept[j * 3 + r], tc = kept[j * 3 + (r + 1) % 3],
                     td = kept[j * 3 + (r + 2) % 3];
            double share = std::sqrt(length2(at(a), at(mid)) / length2(at(a), at(c)));
            std::array<float, 2> ua = uvOf(ta), uc = uvOf(tc);
            std::array<float, 2> uv{ua[0] + float(share) * (uc[0] - ua[0]),
                                    ua[1] + float(share) * (uc[1] - ua[1])};
            unsigned tm = wedgeNear(mid, groupOf(ta), uv, byPoint);
            if (tm == ~0u)
                continue;
            unsigned first[3] = {ta, tm, td}, second[3] = {tm, tc, td};
            std::copy(first, first + 3, &kept[i * 3]);
            std::copy(second, second + 3, &kept[j * 3]);
            touched[i] = touched[j] = 1, changed = true;
        }
        size_t out = 0;
        for (size_t i = 0; i < count; ++i)
            if (!gone[i])
                for (size_t k = 0; k < 3; ++k)
                    kept[out++] = kept[i * 3 + k];
        kept.resize(out);
        return changed;
    }
};

// The corner ids of `ids` for the corners kept, in their new order.
IntBuffer keptIds(const IntBuffer& ids, const std::vector<unsigned>& sourceCorner) {
    if (ids->empty())
        return ids;
    auto out = std::make_shared<std::vector<int>>();
    out->reserve(sourceCorner.size());
    for (unsigned c : sourceCorner)
        out->push_back((*ids)[c]);
    return out;
}

}  // namespace

ReducedMesh reduceFaces(const MeshData& mesh, const std::vector<int>& faceGroups,
                        int targetTriangles, double maxError) {
    assert(int(faceGroups.size()) == mesh.numPolygons());
    assert(targetTriangles >= 0 && maxError >= 0.0);
    TriangulatedMesh tri = triangulate(mesh);
    const MeshData& t = tri.data;
    size_t triangles = size_t(t.numPolygons());
    std::vector<int> triangleGroup(triangles);
    for (size_t p = 0; p < faceGroups.size(); ++p)
        for (int k = tri.firstTriangle[p]; k < tri.firstTriangle[p + 1]; ++k)
            triangleGroup[size_t(k)] = faceGroups[p];

    // Corners that agree in everything are one vertex; corners of one point
    // that differ are the seams the simplifier keeps.
    CornerStreams streams = cornerStreams(t, triangleGroup);
    std::vector<meshopt_Stream> described;
    for (size_t k = 0; k < streams.values.size(); ++k)
        described.push_back({streams.values[k].data(), streams.widths[k] * sizeof(float),
                             streams.widths[k] * sizeof(float)});
    size_t corners = triangles * 3;
    std::vector<unsigned> remap(corners);
    size_t vertices = meshopt_generateVertexRemapMulti(remap.data(), nullptr, corners, corners,
                                                       described.data(), described.size());
    std::vector<unsigned> firstCorner(vertices, ~0u);
    for (size_t c = 0; c < corners; ++c)
        if (firstCorner[remap[c]] == ~0u)
            firstCorner[remap[c]] = unsigned(c);

    // Single precision about the model's middle keeps the digits where the
    // shape is.
    const std::vector<Point3>& points = *t.points;
    Point3 low{HUGE_VAL, HUGE_VAL, HUGE_VAL}, high{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int v : *t.connects)
        for (size_t a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], points[size_t(v)][a]);
            high[a] = std::max(high[a], points[size_t(v)][a]);
        }
    std::vector<float> positions(vertices * 3);
    for (size_t w = 0; w < vertices; ++w) {
        const Point3& p = points[size_t((*t.connects)[firstCorner[w]])];
        for (size_t a = 0; a < 3; ++a)
            positions[w * 3 + a] = float(p[a] - (low[a] + high[a]) * 0.5);
    }
    std::vector<unsigned> indices(remap);
    float scale = corners ? meshopt_simplifyScale(positions.data(), vertices, 12) : 1.0f;
    float relativeError = scale > 0.0f ? float(maxError / double(scale)) : 0.0f;
    std::vector<unsigned> kept(corners);
    float reached = 0.0f;
    size_t keptCount =
        corners ? meshopt_simplify(kept.data(), indices.data(), corners, positions.data(), vertices,
                                   12, size_t(targetTriangles) * 3, relativeError, 0, &reached)
                : 0;
    kept.resize(keptCount);
    std::vector<std::vector<unsigned>> byPoint(points.size());
    for (unsigned w = 0; w < vertices; ++w)
        byPoint[size_t((*t.connects)[firstCorner[w]])].push_back(w);
    Slivers slivers{t, firstCorner, triangleGroup, streams};
    for (int pass = 0; pass < kSliverPasses && slivers.pass(kept, byPoint); ++pass) {
    }
    keptCount = kept.size();

    // The points the triangles kept still use, in their old order.
    std::vector<int> newPoint(points.size(), -1);
    for (unsigned w : kept)
        newPoint[size_t((*t.connects)[firstCorner[w]])] = 0;
    auto newPoints = std::make_shared<std::vector<Point3>>();
    for (size_t p = 0; p < points.size(); ++p)
        if (newPoint[p] == 0) {
            newPoint[p] = int(newPoints->size());
            newPoints->push_back(points[p]);
        }
    std::vector<unsigned> sourceCorner;
    sourceCorner.reserve(keptCount);
    auto counts = std::make_shared<std::vector<int>>(keptCount / 3, 3);
    auto connects = std::make_shared<std::vector<int>>();
    connects->reserve(keptCount);
    ReducedMesh result;
    for (size_t c = 0; c < keptCount; ++c) {
        unsigned source = firstCorner[kept[c]];
        sourceCorner.push_back(source);
        connects->push_back(newPoint[size_t((*t.connects)[source])]);
        if (c % 3 == 0)
            result.faceGroup.push_back(triangleGroup[source / 3]);
    }
    result.data = t;
    result.data.points = newPoints;
    result.data.counts = counts;
    result.data.connects = connects;
    result.data.normals = nullptr;  // they were the old faces'
    for (UVSet& set : result.data.uvSets)
        set.faceVertexIds = keptIds(set.faceVertexIds, sourceCorner);
    for (ColorSet& set : result.data.colorSets)
        set.faceVertexIds = keptIds(set.faceVertexIds, sourceCorner);
    result.error = double(reached) * double(scale);
    return result;
}

}  // namespace host::scene
