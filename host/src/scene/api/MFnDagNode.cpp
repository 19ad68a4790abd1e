#include <maya/MFnDagNode.h>

#include "scene/node_types.h"

using namespace host::scene;

static void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

static Node* dagNodeOf(const MObject& object) {
    Node* node = liveNode(object);
    return node && nodeHasFn(*node, MFn::kDagNode) ? node : nullptr;
}

MFnDagNode::MFnDagNode(MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnDagNode::MFnDagNode(const MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnDagNode::MFnDagNode(const MDagPath& path, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(path));
}

MStatus MFnDagNode::setObject(const MDagPath& path) {
    return MFnBase::setObject(path.node());
}

bool MFnDagNode::accepts(const MObject& object) const {
    return dagNodeOf(object) != nullptr;
}

MObject MFnDagNode::create(const MString& typeName, const MObject& parent, MStatus* ReturnStatus) {
    return create(typeName, MString(), parent, ReturnStatus);
}

MObject MFnDagNode::create(const MString& typeName, const MString& name, const MObject& parent,
                           MStatus* ReturnStatus) {
    std::string type = typeName.asChar();
    Node* parentNode = parent.isNull() ? nullptr : dagNodeOf(parent);
    bool badParent = !parent.isNull() && (!parentNode || parentNode->kind != NodeKind::Transform);
    if ((type != "transform" && type != "mesh") || badParent ||
        (name.length() && !isValidName(name.asChar()))) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MObject();
    }
    Node& node = createNode(type, name.asChar(), parentNode);
    object_ = objectOf(node);
    setStatus(ReturnStatus, MStatus::kSuccess);
    // A shape made without a parent comes with a new transform, which is what is returned.
    if (type == "mesh" && !parentNode)
        return objectOf(*node.parent);
    return object_;
}

unsigned int MFnDagNode::childCount(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? unsigned(node->children.size()) : 0u;
}

MObject MFnDagNode::child(unsigned int i, MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    bool ok = node && i < node->children.size();
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return ok ? MObject(node->children[i]) : MObject();
}

unsigned int MFnDagNode::parentCount(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node && node->parent ? 1u : 0u;
}

MObject MFnDagNode::parent(unsigned int i, MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    bool ok = node && node->parent && i == 0;
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return ok ? objectOf(*node->parent) : MObject();
}

bool MFnDagNode::isIntermediateObject(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node && node->intermediate;
}

MStatus MFnDagNode::setIntermediateObject(bool isIntermediate) {
    Node* node = dagNodeOf(object_);
    if (!node || node->kind != NodeKind::Mesh)
        return MStatus::kInvalidParameter;
    setIntermediate(*node, isIntermediate);
    return MStatus::kSuccess;
}

MString MFnDagNode::fullPathName(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? MString(host::scene::fullPathName(*node)) : MString();
}

MString MFnDagNode::partialPathName(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? MString(node->name) : MString();
}

MStatus MFnDagNode::getPath(MDagPath& path) const {
    return MDagPath::getAPathTo(object_, path);
}

MDagPath MFnDagNode::dagPath(MStatus* ReturnStatus) const {
    MDagPath path;
    MStatus status = getPath(path);
    setStatus(ReturnStatus, status);
    return path;
}

MMatrix MFnDagNode::transformationMatrix(MStatus* ReturnStatus) const {
    Node* node = dagNodeOf(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    MMatrix m;
    if (!node)
        return m;
    Matrix4 local = localMatrix(*node);
    for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 4; ++j)
            m(i, j) = local[i * 4 + j];
    return m;
}
