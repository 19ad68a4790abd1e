#include <maya/MFnBase.h>

#include "scene/node_types.h"

bool MFnBase::hasObj(MFn::Type fnType) const {
    return object_.hasFn(fnType);
}

bool MFnBase::hasObj(const MObject& object) const {
    return accepts(object);
}

MObject MFnBase::object(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = object_.isNull() ? MStatus::kInvalidParameter : MStatus::kSuccess;
    return object_;
}

MStatus MFnBase::setObject(MObject& object) {
    return setObject(static_cast<const MObject&>(object));
}

// A function set is only attached to objects that fit it; on a mismatch it keeps nothing.
MStatus MFnBase::setObject(const MObject& object) {
    if (!accepts(object)) {
        object_ = MObject();
        return MStatus::kInvalidParameter;
    }
    object_ = object;
    return MStatus::kSuccess;
}

bool MFnBase::accepts(const MObject& object) const {
    return !object.isNull();
}
