// Transform matrices and the shape under a transform.
#include "scene/scene_geometry.h"

#include <cmath>

namespace host::scene {

static Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[size_t(i * 4 + k)] * b[size_t(k * 4 + j)];
            r[size_t(i * 4 + j)] = sum;
        }
    return r;
}

static Matrix4 identity() {
    return Matrix4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Maya's default rotate order XYZ with row vectors: p * Rx * Ry * Rz.
Matrix4 localMatrix(const Node& transform) {
    if (transform.kind != NodeKind::Transform)
        return identity();
    const double toRadians = 3.14159265358979323846 / 180.0;
    double cx = std::cos(transform.rotate()[0] * toRadians),
           sx = std::sin(transform.rotate()[0] * toRadians);
    double cy = std::cos(transform.rotate()[1] * toRadians),
           sy = std::sin(transform.rotate()[1] * toRadians);
    double cz = std::cos(transform.rotate()[2] * toRadians),
           sz = std::sin(transform.rotate()[2] * toRadians);
    Matrix4 s = identity();
    s[0] = transform.scale()[0];
    s[5] = transform.scale()[1];
    s[10] = transform.scale()[2];
    Matrix4 rx{1, 0, 0, 0, 0, cx, sx, 0, 0, -sx, cx, 0, 0, 0, 0, 1};
    Matrix4 ry{cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1};
    Matrix4 rz{cz, sz, 0, 0, -sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Matrix4 m = multiply(multiply(multiply(s, rx), ry), rz);
    m[12] = transform.translate()[0];
    m[13] = transform.translate()[1];
    m[14] = transform.translate()[2];
    return m;
}

Matrix4 worldMatrix(const Node& node) {
    Matrix4 m = identity();
    for (const Node* n = &node; n; n = n->parent)
        m = multiply(m, localMatrix(*n));
    return m;
}

Point3 transformPoint(const Matrix4& m, const Point3& p) {
    Point3 r;
    double w = p[0] * m[3] + p[1] * m[7] + p[2] * m[11] + m[15];
    for (size_t j = 0; j < 3; ++j)
        r[j] = (p[0] * m[j] + p[1] * m[4 + j] + p[2] * m[8 + j] + m[12 + j]) / (w != 0 ? w : 1);
    return r;
}

Node* meshOf(Node& node) {
    if (node.kind == NodeKind::Mesh)
        return &node;
    for (NodePtr& child : node.children)
        if (child->kind == NodeKind::Mesh && !child->intermediate)
            return child.get();
    for (NodePtr& child : node.children)
        if (child->kind == NodeKind::Mesh)
            return child.get();
    return nullptr;
}

Node* transformOf(Node& node) {
    return node.kind == NodeKind::Mesh && node.parent ? node.parent : &node;
}

}  // namespace host::scene
