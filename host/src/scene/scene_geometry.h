#pragma once
// Matrices of transforms and the way from a transform to its shape.
#include "scene/scene.h"

namespace host::scene {

using Matrix4 = std::array<double, 16>;  // row-major, row vectors (p' = p * M), as MMatrix
Matrix4 localMatrix(const Node& transform);
// The product of the local matrices from the node up to the world.
Matrix4 worldMatrix(const Node& node);
Point3 transformPoint(const Matrix4& m, const Point3& p);

// The shape under a transform (its first mesh child) or the node itself when a mesh.
Node* meshOf(Node& node);
Node* transformOf(Node& node);  // a mesh's parent, or the node itself

}  // namespace host::scene
