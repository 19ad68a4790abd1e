#pragma once
// Base of the function sets: an object to work on and the test for whether it fits.
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

class MFnBase {
public:
    MFnBase() = default;
    virtual ~MFnBase() = default;

    virtual MFn::Type type() const { return MFn::kBase; }
    bool hasObj(MFn::Type type) const;
    bool hasObj(const MObject& object) const;
    MObject object(MStatus* ReturnStatus = NULL) const;
    virtual MStatus setObject(MObject& object);
    virtual MStatus setObject(const MObject& object);

protected:
    // Whether an object of the given kind can be worked on by this set.
    virtual bool accepts(const MObject& object) const;
    MObject object_;
};
