#pragma once
// Which shading engine each face of a mesh belongs to.
#include "scene/scene.h"

namespace host::scene {

// Replaces a mesh's memberships as they stand (faces renumbered by a topology edit).
void setShading(Node& mesh, std::vector<ShadingMember> shading);
// Puts faces of mesh (empty: all) into engine, taking them out of any other.
void assignToEngine(Node& engine, Node& mesh, std::vector<int> faces = {});
// The engine of one polygon, or null.
Node* engineOfFace(const Node& mesh, int polygon);
// Engines of a mesh in first-use order and, per polygon, the index into them or -1.
void connectedEngines(const Node& mesh, std::vector<Node*>& engines, std::vector<int>& perFace);
// The material feeding the engine's "surfaceShader", or null.
Node* materialOf(const Node& engine);
// Meshes with faces in engine (in creation order).
std::vector<Node*> engineMembers(const Node& engine);

}  // namespace host::scene
