#include <maya/MDagPath.h>

#include "scene/node_types.h"

using namespace host::scene;

static Node* dagNode(const MObject& object) {
    Node* node = liveNode(object);
    return node && nodeHasFn(*node, MFn::kDagNode) ? node : nullptr;
}

static void setStatus(MStatus* status, bool ok) {
    if (status)
        *status = ok ? MStatus::kSuccess : MStatus::kInvalidParameter;
}

static MMatrix toMatrix(const Matrix4& m) {
    MMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r(unsigned(i), unsigned(j)) = m[size_t(i * 4 + j)];
    return r;
}

MStatus MDagPath::getAPathTo(const MObject& node, MDagPath& path) {
    if (!dagNode(node))
        return MStatus::kInvalidParameter;
    path = MDagPath(node);
    return MStatus::kSuccess;
}

bool MDagPath::hasFn(MFn::Type type, MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    if (!node)
        return false;
    if (nodeHasFn(*node, type))
        return true;
    // As in Maya, a path to a transform is compatible with its shape's function set.
    if (node->kind == NodeKind::Transform && (type == MFn::kMesh || type == MFn::kShape))
        return meshOf(*node);
    return false;
}

MFn::Type MDagPath::apiType(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? node->apiType : MFn::kInvalid;
}

bool MDagPath::isValid(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return dagNode(node_) != nullptr;
}

MObject MDagPath::node(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? node_ : MObject();
}

MObject MDagPath::transform(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node && node->kind != NodeKind::World);
    if (!node || node->kind == NodeKind::World)
        return MObject();
    return objectOf(*transformOf(*node));
}

unsigned int MDagPath::length(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    unsigned int n = 0;
    for (Node* p = node; p && p->kind != NodeKind::World; p = p->parent)
        ++n;
    return n;
}

unsigned int MDagPath::childCount(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? unsigned(node->children.size()) : 0u;
}

MObject MDagPath::child(unsigned int i, MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    bool ok = node && i < node->children.size();
    setStatus(ReturnStatus, ok);
    return ok ? MObject(node->children[i]) : MObject();
}

MStatus MDagPath::push(const MObject& child) {
    Node* node = dagNode(node_);
    Node* c = dagNode(child);
    if (!node || !c || c->parent != node)
        return MStatus::kInvalidParameter;
    node_ = child;
    return MStatus::kSuccess;
}

MStatus MDagPath::pop(unsigned int num) {
    Node* node = dagNode(node_);
    for (unsigned int i = 0; i < num; ++i) {
        if (!node || !node->parent)
            return MStatus::kInvalidParameter;
        node = node->parent;
    }
    if (!node)
        return MStatus::kInvalidParameter;
    node_ = objectOf(*node);
    return MStatus::kSuccess;
}

MStatus MDagPath::extendToShape() {
    Node* node = dagNode(node_);
    if (!node)
        return MStatus::kInvalidParameter;
    if (node->kind == NodeKind::Mesh)
        return MStatus::kSuccess;
    Node* shape = meshOf(*node);
    if (!shape)
        return MStatus::kFailure;
    node_ = objectOf(*shape);
    return MStatus::kSuccess;
}

MStatus MDagPath::extendToShapeDirectlyBelow(unsigned int num) {
    Node* node = dagNode(node_);
    if (!node)
        return MStatus::kInvalidParameter;
    unsigned int seen = 0;
    for (NodePtr& child : node->children)
        if (child->kind == NodeKind::Mesh && seen++ == num) {
            node_ = MObject(child);
            return MStatus::kSuccess;
        }
    return MStatus::kInvalidParameter;
}

MStatus MDagPath::numberOfShapesDirectlyBelow(unsigned int& num) const {
    Node* node = dagNode(node_);
    if (!node)
        return MStatus::kInvalidParameter;
    num = 0;
    for (NodePtr& child : node->children)
        num += child->kind == NodeKind::Mesh;
    return MStatus::kSuccess;
}

unsigned int MDagPath::instanceNumber(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, dagNode(node_));
    return 0;
}

bool MDagPath::isInstanced(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, dagNode(node_));
    return false;
}

MString MDagPath::fullPathName(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? MString(host::scene::fullPathName(*node)) : MString();
}

MString MDagPath::partialPathName(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? MString(node->name) : MString();
}

MMatrix MDagPath::inclusiveMatrix(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node ? toMatrix(worldMatrix(*node)) : MMatrix();
}

MMatrix MDagPath::exclusiveMatrix(MStatus* ReturnStatus) const {
    Node* node = dagNode(node_);
    setStatus(ReturnStatus, node);
    return node && node->parent ? toMatrix(worldMatrix(*node->parent)) : MMatrix();
}

MMatrix MDagPath::inclusiveMatrixInverse(MStatus* ReturnStatus) const {
    return inclusiveMatrix(ReturnStatus).inverse();
}

MMatrix MDagPath::exclusiveMatrixInverse(MStatus* ReturnStatus) const {
    return exclusiveMatrix(ReturnStatus).inverse();
}
