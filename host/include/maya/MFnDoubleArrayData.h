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

    // Shares the data's storage until either side is written.
    MDoubleArray array(MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};
