#include <maya/MFnDependencyNode.h>

#include "scene/node_types.h"

using namespace host::scene;

static void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

MFnDependencyNode::MFnDependencyNode(MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnDependencyNode::MFnDependencyNode(const MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

bool MFnDependencyNode::accepts(const MObject& object) const {
    return liveNode(object) != nullptr;
}

MObject MFnDependencyNode::create(const MString& typeName, MStatus* ReturnStatus) {
    return create(typeName, MString(), ReturnStatus);
}

MObject MFnDependencyNode::create(const MString& typeName, const MString& name,
                                  MStatus* ReturnStatus) {
    std::string type = typeName.asChar();
    if (!isKnownNodeType(type) || (name.length() && !isValidName(name.asChar()))) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MObject();
    }
    Node& node = createNode(type, name.asChar());
    object_ = objectOf(node);
    setStatus(ReturnStatus, MStatus::kSuccess);
    return object_;
}

MString MFnDependencyNode::name(MStatus* ReturnStatus) const {
    Node* node = object_.node();  // a deleted node still has its name
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? MString(node->name) : MString();
}

MString MFnDependencyNode::setName(const MString& newName, bool, MStatus* ReturnStatus) {
    Node* node = liveNode(object_);
    if (!node || !isValidName(newName.asChar()) || host::scene::isDefaultNode(*node)) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return node ? MString(node->name) : MString();
    }
    setStatus(ReturnStatus, MStatus::kSuccess);
    return MString(rename(*node, newName.asChar()));
}

MString MFnDependencyNode::typeName(MStatus* ReturnStatus) const {
    Node* node = object_.node();
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? MString(node->typeLiteral) : MString();
}

// Plugs exist for the node's attributes, plus the shading links that the
// scene models as connections.
static bool plugExists(const Node& node, const std::string& attr) {
    if (hasAttr(node, attr))
        return true;
    if (node.kind == NodeKind::ShadingEngine)
        return attr == "surfaceShader" || attr == "ss";
    if (node.kind == NodeKind::Material)
        return attr == "outColor" || attr == "oc" || attr == "color" || attr == "c" ||
               attr == "transparency";
    return attr == "message";
}

MPlug MFnDependencyNode::findPlug(const MString& attrName, bool, MStatus* ReturnStatus) const {
    return findPlug(attrName, ReturnStatus);
}

MPlug MFnDependencyNode::findPlug(const MString& attrName, MStatus* ReturnStatus) const {
    Node* node = liveNode(object_);
    if (!node || !plugExists(*node, attrName.asChar())) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return MPlug();
    }
    setStatus(ReturnStatus, MStatus::kSuccess);
    std::string attr = attrName.asChar();
    if (attr == "ss")
        attr = "surfaceShader";
    if (attr == "oc")
        attr = "outColor";
    return MPlug(object_, MString(attr));
}

bool MFnDependencyNode::hasAttribute(const MString& attrName, MStatus* ReturnStatus) const {
    Node* node = liveNode(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node && plugExists(*node, attrName.asChar());
}

bool MFnDependencyNode::isDefaultNode(MStatus* ReturnStatus) const {
    Node* node = liveNode(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node && host::scene::isDefaultNode(*node);
}
