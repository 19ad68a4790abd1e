#include "scene/reduce_faces.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include <meshoptimizer.h>

#include "scene/triangulate.h"

namespace host::scene {

namespace {

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
    size_t keptCount = corners ? meshopt_simplify(kept.data(), indices.data(), corners,
                                                  positions.data(), vertices, 12,
                                                  size_t(targetTriangles) * 3, relativeError,
                                                  0, &reached)
                               : 0;
    kept.resize(keptCount);

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
