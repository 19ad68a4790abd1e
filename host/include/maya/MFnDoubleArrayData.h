#pragma once
// Function set for attribute data that holds an array of doubles, as
// MPlug::asMObject returns it for a "doubleArray" attribute.
#include <maya/MDoubleArray.h>
#include <maya/MFnBase.h>

class MFnDoubleArrayData : public MFnBase {
public:
    MFnDoubleArrayData() = default;
    MFnDoubleArrayData(const MObject& object, MStatus* ReturnStatus = NULL);
    MFn::Type type() const override { return MFn::kDoubleArrayData; }

    unsigned int length(MStatus* ReturnStatus = NULL) const;
    double operator[](unsigned int index) const;
    // Shares the data's storage until either side is written.
    MDoubleArray array(MStatus* ReturnStatus = NULL) const;
    MStatus copyTo(MDoubleArray& destination) const;
    // New data holding a copy of `values`; this set is attached to it.
    MObject create(const MDoubleArray& values, MStatus* ReturnStatus = NULL);

protected:
    bool accepts(const MObject& object) const override;
};
