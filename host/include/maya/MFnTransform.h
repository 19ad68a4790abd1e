#pragma once
// Function set for transforms: translation, rotation (XYZ, radians) and scale.
#include <maya/MFnDagNode.h>
#include <maya/MVector.h>

class MFnTransform : public MFnDagNode {
public:
    MFnTransform() = default;
    MFnTransform(MObject& object, MStatus* ReturnStatus = NULL);
    MFnTransform(const MObject& object, MStatus* ReturnStatus = NULL);
    MFnTransform(const MDagPath& path, MStatus* ReturnStatus = NULL);

    MFn::Type type() const override { return MFn::kTransform; }

    MObject create(const MObject& parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MVector getTranslation(MSpace::Space space, MStatus* ReturnStatus = NULL) const;
    MStatus setTranslation(const MVector& vec, MSpace::Space space);
    MStatus getRotation(double rotation[3]) const;  // radians
    MStatus setRotation(const double rotation[3]);  // radians
    MStatus getScale(double scale[3]) const;
    MStatus setScale(const double scale[3]);

protected:
    bool accepts(const MObject& object) const override;
};
