#pragma once
// What the API's type tests say about scene nodes: the MFn types a node is
// compatible with, and the node behind an API handle.
#include <maya/MFn.h>
#include <maya/MObject.h>

#include "scene/scene.h"

namespace host::scene {

// Whether a node of this kind works with the function set of `type`
// (a mesh is also a shape, a DAG node and a dependency node, ...).
bool nodeHasFn(const Node& node, MFn::Type type);
const char* apiTypeName(MFn::Type type);
// The node behind the handle when it is in the scene, else null.
Node* liveNode(const MObject& object);
// The mesh shape behind a handle to it or to its transform, when in the scene.
Node* liveMesh(const MObject& object);
MObject objectOf(Node& node);

}  // namespace host::scene
