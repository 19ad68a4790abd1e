#include <maya/MPlug.h>

#include <maya/MPlugArray.h>

#include "scene/node_types.h"

using namespace host::scene;

static void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

MObject MPlug::node(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, node_.isNull() ? MStatus::kInvalidParameter : MStatus::kSuccess);
    return node_;
}

MString MPlug::name(MStatus* ReturnStatus) const {
    Node* n = node_.node();
    setStatus(ReturnStatus, n ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return n ? MString(n->name + "." + attr_.asChar()) : MString();
}

MString MPlug::partialName(bool includeNodeName, MStatus* ReturnStatus) const {
    return includeNodeName ? name(ReturnStatus)
                           : (setStatus(ReturnStatus, MStatus::kSuccess), attr_);
}

// The connections the scene has: material.outColor -> engine.surfaceShader.
bool MPlug::connectedTo(MPlugArray& array, bool asDst, bool asSrc, MStatus* ReturnStatus) const {
    array.clear();
    Node* n = liveNode(node_);
    if (!n) {
        setStatus(ReturnStatus, MStatus::kInvalidParameter);
        return false;
    }
    setStatus(ReturnStatus, MStatus::kSuccess);
    std::string attr = attr_.asChar();
    if (asDst && n->kind == NodeKind::ShadingEngine && attr == "surfaceShader") {
        if (Node* material = materialOf(*n))
            array.append(MPlug(objectOf(*material), "outColor"));
    }
    if (asSrc && n->kind == NodeKind::Material && attr == "outColor") {
        for (Node* other : allNodes())
            if (other->kind == NodeKind::ShadingEngine && materialOf(*other) == n)
                array.append(MPlug(objectOf(*other), "surfaceShader"));
    }
    return array.length() > 0;
}

bool MPlug::isConnected(MStatus* ReturnStatus) const {
    MPlugArray plugs;
    return connectedTo(plugs, true, true, ReturnStatus);
}

static std::optional<AttrValue> value(const MObject& node, const MString& attr) {
    Node* n = liveNode(node);
    if (!n)
        return std::nullopt;
    return getAttr(*n, attr.asChar(), currentTime());
}

double MPlug::asDouble(MStatus* ReturnStatus) const {
    std::optional<AttrValue> v = value(node_, attr_);
    bool ok = v && (v->type == AttrValue::Double || v->type == AttrValue::Bool);
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return ok ? v->number : 0.0;
}

float MPlug::asFloat(MStatus* ReturnStatus) const {
    return float(asDouble(ReturnStatus));
}

int MPlug::asInt(MStatus* ReturnStatus) const {
    return int(asDouble(ReturnStatus));
}

bool MPlug::asBool(MStatus* ReturnStatus) const {
    return asDouble(ReturnStatus) != 0.0;
}

MString MPlug::asString(MStatus* ReturnStatus) const {
    std::optional<AttrValue> v = value(node_, attr_);
    bool ok = v && v->type == AttrValue::String;
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return ok ? MString(v->text) : MString();
}

MObject MPlug::asMObject(MStatus* ReturnStatus) const {
    std::optional<AttrValue> v = value(node_, attr_);
    bool ok = v && v->type == AttrValue::DoubleArray;
    setStatus(ReturnStatus, ok ? MStatus::kSuccess : MStatus::kInvalidParameter);
    if (!ok)
        return MObject();
    return MObject::doubleArrayData(
        std::make_shared<const std::vector<double>>(std::move(v->array)));
}

MStatus MPlug::setValue(double number) {
    Node* n = liveNode(node_);
    AttrValue v;
    v.number = number;
    return n && setAttr(*n, attr_.asChar(), v) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}

MStatus MPlug::setValue(bool flag) {
    return setValue(flag ? 1.0 : 0.0);
}

MStatus MPlug::setValue(const MString& text) {
    Node* n = liveNode(node_);
    AttrValue v;
    v.type = AttrValue::String;
    v.text = text.asChar();
    return n && setAttr(*n, attr_.asChar(), v) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}
