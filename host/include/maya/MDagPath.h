#pragma once
// A path from the world to one DAG node. The scene has no instancing, so a
// node has exactly one path and the path is the node.
#include <maya/MFn.h>
#include <maya/MMatrix.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

class MDagPath {
public:
    MDagPath() = default;
    MDagPath(const MDagPath& other) = default;
    MDagPath& operator=(const MDagPath& other) = default;
    ~MDagPath() = default;

    static MStatus getAPathTo(const MObject& node, MDagPath& path);

    bool hasFn(MFn::Type type, MStatus* ReturnStatus = NULL) const;
    MFn::Type apiType(MStatus* ReturnStatus = NULL) const;
    bool isValid(MStatus* ReturnStatus = NULL) const;
    MObject node(MStatus* ReturnStatus = NULL) const;
    MObject transform(MStatus* ReturnStatus = NULL) const;
    unsigned int length(MStatus* ReturnStatus = NULL) const;
    unsigned int childCount(MStatus* ReturnStatus = NULL) const;
    MObject child(unsigned int i, MStatus* ReturnStatus = NULL) const;
    MStatus push(const MObject& child);
    MStatus pop(unsigned int num = 1);
    MStatus extendToShape();
    MStatus extendToShapeDirectlyBelow(unsigned int num);
    MStatus numberOfShapesDirectlyBelow(unsigned int& num) const;
    unsigned int instanceNumber(MStatus* ReturnStatus = NULL) const;
    bool isInstanced(MStatus* ReturnStatus = NULL) const;
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    MMatrix inclusiveMatrix(MStatus* ReturnStatus = NULL) const;
    MMatrix exclusiveMatrix(MStatus* ReturnStatus = NULL) const;
    MMatrix inclusiveMatrixInverse(MStatus* ReturnStatus = NULL) const;
    MMatrix exclusiveMatrixInverse(MStatus* ReturnStatus = NULL) const;

    bool operator==(const MDagPath& other) const { return node_ == other.node_; }
    bool operator!=(const MDagPath& other) const { return !(*this == other); }

    // Host side: the path's last node, empty for an invalid path.
    explicit MDagPath(const MObject& node) : node_(node) {}
    host::scene::Node* leaf() const { return node_.node(); }

private:
    MObject node_;
};
