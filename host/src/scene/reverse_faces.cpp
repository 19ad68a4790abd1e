#include "scene/reverse_faces.h"

#include <memory>

namespace host::scene {

namespace {

// Face-vertex order after the turn: the same slots, polygon by polygon,
// those of a turned polygon read from the first corner backwards.
std::vector<int> turnedOrder(const MeshData& mesh, const std::vector<char>& turn) {
    std::vector<int> order(size_t(mesh.numFaceVertices()));
    int at = 0;
    for (int p = 0; p < mesh.numPolygons(); ++p) {
        int n = (*mesh.counts)[size_t(p)];
        for (int k = 0; k < n; ++k)
            order[size_t(at + k)] = at + (turn[size_t(p)] ? (n - k) % n : k);
        at += n;
    }
    return order;
}

template <typename T>
std::shared_ptr<const std::vector<T>> reordered(const std::shared_ptr<const std::vector<T>>& values,
                                                const std::vector<int>& order) {
    if (!values || values->size() != order.size())
        return values;
    auto out = std::make_shared<std::vector<T>>(values->size());
    for (size_t i = 0; i < order.size(); ++i)
        (*out)[i] = (*values)[size_t(order[i])];
    return out;
}

}  // namespace

MeshData reverseFaces(const MeshData& mesh, const std::vector<int>& faces) {
    std::vector<char> turn(size_t(mesh.numPolygons()), faces.empty() ? 1 : 0);
    for (int f : faces)
        if (f >= 0 && f < mesh.numPolygons())
            turn[size_t(f)] = 1;
    std::vector<int> order = turnedOrder(mesh, turn);
    MeshData out = mesh;
    out.connects = reordered(mesh.connects, order);
    for (UVSet& set : out.uvSets)
        set.faceVertexIds = reordered(set.faceVertexIds, order);
    for (ColorSet& set : out.colorSets)
        set.faceVertexIds = reordered(set.faceVertexIds, order);
    if (mesh.normals && mesh.normals->size() == order.size()) {
        auto normals = std::make_shared<std::vector<MFloatVector>>(order.size());
        int at = 0;
        for (int p = 0; p < mesh.numPolygons(); ++p) {
            int n = (*mesh.counts)[size_t(p)];
            for (int k = 0; k < n; ++k) {
                const MFloatVector& v = (*mesh.normals)[size_t(order[size_t(at + k)])];
                (*normals)[size_t(at + k)] = turn[size_t(p)] ? -v : v;
            }
            at += n;
        }
        out.normals = std::move(normals);
    } else if (mesh.normals) {
        out.normals = nullptr;
    }
    return out;
}

}  // namespace host::scene
