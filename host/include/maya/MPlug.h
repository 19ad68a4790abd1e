#pragma once
// One attribute of one node ("node.attr"): its value and its connections.
// Connections exist where the scene has them: a shading engine's
// "surfaceShader" is fed by its material's "outColor".
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

class MPlugArray;

class MPlug {
public:
    MPlug() = default;
    MPlug(const MPlug& other) = default;
    MPlug& operator=(const MPlug& other) = default;

    bool isNull(MStatus* ReturnStatus = NULL) const {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kSuccess;
        return node_.isNull();
    }
    MObject node(MStatus* ReturnStatus = NULL) const;
    MString name(MStatus* ReturnStatus = NULL) const;  // "node.attr"
    MString partialName(bool includeNodeName = false, MStatus* ReturnStatus = NULL) const;
    // asDst: the plugs feeding this one; asSrc: the plugs this one feeds.
    bool connectedTo(MPlugArray& array, bool asDst, bool asSrc, MStatus* ReturnStatus = NULL) const;
    bool isConnected(MStatus* ReturnStatus = NULL) const;

    double asDouble(MStatus* ReturnStatus = NULL) const;
    float asFloat(MStatus* ReturnStatus = NULL) const;
    int asInt(MStatus* ReturnStatus = NULL) const;
    bool asBool(MStatus* ReturnStatus = NULL) const;
    MString asString(MStatus* ReturnStatus = NULL) const;
    // The plug's data as an object for a data function set (MFnDoubleArrayData).
    MObject asMObject(MStatus* ReturnStatus = NULL) const;
    MStatus setValue(double value);
    MStatus setValue(float value) { return setValue(double(value)); }
    MStatus setValue(int value) { return setValue(double(value)); }
    MStatus setValue(bool value);
    MStatus setValue(const MString& value);
    MStatus setValue(const char* value) { return setValue(MString(value)); }

    bool operator==(const MPlug& other) const {
        return node_ == other.node_ && attr_ == other.attr_;
    }
    bool operator!=(const MPlug& other) const { return !(*this == other); }

    // Host side.
    MPlug(const MObject& node, const MString& attribute) : node_(node), attr_(attribute) {}
    const MString& attributeName() const { return attr_; }

private:
    MObject node_;
    MString attr_;
};
