#include "scene/node_types.h"

namespace host::scene {

static bool isDag(const Node& node) {
    return node.kind == NodeKind::Transform || node.kind == NodeKind::Mesh ||
           node.kind == NodeKind::World;
}

bool nodeHasFn(const Node& node, MFn::Type type) {
    switch (type) {
    case MFn::kBase:
    case MFn::kNamedObject:
    case MFn::kDependencyNode:
        return true;
    case MFn::kDagNode:
        return isDag(node);
    case MFn::kWorld:
        return node.kind == NodeKind::World;
    case MFn::kTransform:
        return node.kind == NodeKind::Transform;
    case MFn::kShape:
        return node.kind == NodeKind::Mesh;
    case MFn::kMesh:
        return node.kind == NodeKind::Mesh;
    case MFn::kSet:
        return node.kind == NodeKind::ShadingEngine || node.apiType == MFn::kSet;
    case MFn::kShadingEngine:
        return node.kind == NodeKind::ShadingEngine;
    case MFn::kLambert:
        return node.kind == NodeKind::Material;
    case MFn::kPhong:
    case MFn::kBlinn:
    case MFn::kSurfaceShader:
    case MFn::kFileTexture:
    case MFn::kPluginDependNode:
        return node.apiType == type;
    default:
        return false;
    }
}

const char* apiTypeName(MFn::Type type) {
    switch (type) {
    case MFn::kWorld:
        return "kWorld";
    case MFn::kTransform:
        return "kTransform";
    case MFn::kMesh:
        return "kMesh";
    case MFn::kShadingEngine:
        return "kShadingEngine";
    case MFn::kLambert:
        return "kLambert";
    case MFn::kPhong:
        return "kPhong";
    case MFn::kBlinn:
        return "kBlinn";
    case MFn::kSet:
        return "kSet";
    case MFn::kSurfaceShader:
        return "kSurfaceShader";
    case MFn::kFileTexture:
        return "kFileTexture";
    case MFn::kMeshPolygonComponent:
        return "kMeshPolygonComponent";
    case MFn::kDoubleArrayData:
        return "kDoubleArrayData";
    case MFn::kDependencyNode:
        return "kDependencyNode";
    case MFn::kPluginDependNode:
        return "kPluginDependNode";
    default:
        return "kInvalid";
    }
}

Node* liveNode(const MObject& object) {
    Node* node = object.node();
    return node && node->alive ? node : nullptr;
}

Node* liveMesh(const MObject& object) {
    Node* node = liveNode(object);
    if (!node || node->kind == NodeKind::World)
        return nullptr;
    Node* mesh = meshOf(*node);
    return mesh && mesh->mesh ? mesh : nullptr;
}

MObject objectOf(Node& node) {
    return MObject(handle(node));
}

}  // namespace host::scene
