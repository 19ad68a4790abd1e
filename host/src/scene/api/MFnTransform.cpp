#include <maya/MFnTransform.h>

#include "scene/node_types.h"

using namespace host::scene;

static void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

static const double kDegrees = 180.0 / 3.14159265358979323846;

MFnTransform::MFnTransform(MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnTransform::MFnTransform(const MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

MFnTransform::MFnTransform(const MDagPath& path, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(path));
}

bool MFnTransform::accepts(const MObject& object) const {
    Node* node = liveNode(object);
    return node && node->kind == NodeKind::Transform;
}

MObject MFnTransform::create(const MObject& parent, MStatus* ReturnStatus) {
    return MFnDagNode::create("transform", parent, ReturnStatus);
}

MVector MFnTransform::getTranslation(MSpace::Space, MStatus* ReturnStatus) const {
    Node* node = liveNode(object_);
    setStatus(ReturnStatus, node ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return node ? MVector(node->translate()[0], node->translate()[1], node->translate()[2])
                : MVector();
}

MStatus MFnTransform::setTranslation(const MVector& vec, MSpace::Space) {
    Node* node = liveNode(object_);
    if (!node)
        return MStatus::kInvalidParameter;
    setTransform(*node, {vec.x, vec.y, vec.z}, node->rotate(), node->scale());
    return MStatus::kSuccess;
}

MStatus MFnTransform::getRotation(double rotation[3]) const {
    Node* node = liveNode(object_);
    if (!node)
        return MStatus::kInvalidParameter;
    for (int i = 0; i < 3; ++i)
        rotation[i] = node->rotate()[size_t(i)] / kDegrees;
    return MStatus::kSuccess;
}

MStatus MFnTransform::setRotation(const double rotation[3]) {
    Node* node = liveNode(object_);
    if (!node)
        return MStatus::kInvalidParameter;
    setTransform(*node, node->translate(),
                 {rotation[0] * kDegrees, rotation[1] * kDegrees, rotation[2] * kDegrees},
                 node->scale());
    return MStatus::kSuccess;
}

MStatus MFnTransform::getScale(double scale[3]) const {
    Node* node = liveNode(object_);
    if (!node)
        return MStatus::kInvalidParameter;
    for (int i = 0; i < 3; ++i)
        scale[i] = node->scale()[size_t(i)];
    return MStatus::kSuccess;
}

MStatus MFnTransform::setScale(const double scale[3]) {
    Node* node = liveNode(object_);
    if (!node)
        return MStatus::kInvalidParameter;
    setTransform(*node, node->translate(), node->rotate(), {scale[0], scale[1], scale[2]});
    return MStatus::kSuccess;
}
