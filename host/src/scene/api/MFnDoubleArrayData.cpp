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

unsigned int MFnDoubleArrayData::length(MStatus* ReturnStatus) const {
    const auto& values = object_.doubleArray();
    setStatus(ReturnStatus, values ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return values ? unsigned(values->size()) : 0;
}

double MFnDoubleArrayData::operator[](unsigned int index) const {
    const auto& values = object_.doubleArray();
    return values && index < values->size() ? (*values)[index] : 0.0;
}

MDoubleArray MFnDoubleArrayData::array(MStatus* ReturnStatus) const {
    const auto& values = object_.doubleArray();
    setStatus(ReturnStatus, values ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return values ? MDoubleArray(values) : MDoubleArray();
}

MStatus MFnDoubleArrayData::copyTo(MDoubleArray& destination) const {
    const auto& values = object_.doubleArray();
    if (!values)
        return MStatus::kInvalidParameter;
    destination = MDoubleArray(values->data(), unsigned(values->size()));
    return MStatus::kSuccess;
}

MObject MFnDoubleArrayData::create(const MDoubleArray& values, MStatus* ReturnStatus) {
    std::vector<double> copy(values.length());
    for (unsigned i = 0; i < values.length(); ++i)
        copy[i] = values[i];
    object_ =
        MObject::doubleArrayData(std::make_shared<const std::vector<double>>(std::move(copy)));
    setStatus(ReturnStatus, MStatus::kSuccess);
    return object_;
}
