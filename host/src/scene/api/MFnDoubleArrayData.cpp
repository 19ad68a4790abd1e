#include <maya/MFnDoubleArrayData.h>

static void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

MFnDoubleArrayData::MFnDoubleArrayData(const MObject& object, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, setObject(object));
}

bool MFnDoubleArrayData::accepts(const MObject& object) const {
    return object.doubleArray() != nullptr;
}

MDoubleArray MFnDoubleArrayData::array(MStatus* ReturnStatus) const {
    const auto& values = object_.doubleArray();
    setStatus(ReturnStatus, values ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return values ? MDoubleArray(values) : MDoubleArray();
}
