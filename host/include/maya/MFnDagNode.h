#pragma once
// Function set for DAG nodes: parents, children, paths, the intermediate flag.
#include <maya/MDagPath.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MMatrix.h>

class MFnDagNode : public MFnDependencyNode {
public:
    MFnDagNode() = default;
    MFnDagNode(MObject& object, MStatus* ReturnStatus = NULL);
    MFnDagNode(const MObject& object, MStatus* ReturnStatus = NULL);
    MFnDagNode(const MDagPath& path, MStatus* ReturnStatus = NULL);

    MFn::Type type() const override { return MFn::kDagNode; }
    using MFnDependencyNode::setObject;
    virtual MStatus setObject(const MDagPath& path);

    // Creates a DAG node of the type under parent (the world when null).
    MObject create(const MString& type, const MObject& parent = MObject::kNullObj,
                   MStatus* ReturnStatus = NULL);
    MObject create(const MString& type, const MString& name,
                   const MObject& parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);

    unsigned int childCount(MStatus* ReturnStatus = NULL) const;
    MObject child(unsigned int i, MStatus* ReturnStatus = NULL) const;
    unsigned int parentCount(MStatus* ReturnStatus = NULL) const;
    MObject parent(unsigned int i, MStatus* ReturnStatus = NULL) const;
    bool isIntermediateObject(MStatus* ReturnStatus = NULL) const;
    MStatus setIntermediateObject(bool isIntermediate);
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    MStatus getPath(MDagPath& path) const;
    MDagPath dagPath(MStatus* ReturnStatus = NULL) const;
    MMatrix transformationMatrix(MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};
