#include <maya/MDoubleArray.h>
#include <maya/MStatus.h>

#include <algorithm>

MStatus MDoubleArray::set(double element, unsigned int index) {
    if (index >= length())
        return MStatus(MStatus::kInvalidParameter);
    store_.write()[index] = element;
    return MStatus::kSuccess;
}

MStatus MDoubleArray::remove(unsigned int index) {
    if (index >= length())
        return MStatus(MStatus::kInvalidParameter);
    auto& data = store_.write();
    data.erase(data.begin() + index);
    return MStatus::kSuccess;
}

MStatus MDoubleArray::insert(double element, unsigned int index) {
    if (index > length())
        return MStatus(MStatus::kInvalidParameter);
    auto& data = store_.write();
    data.insert(data.begin() + index, element);
    return MStatus::kSuccess;
}

MStatus MDoubleArray::get(double array[]) const {
    if (!array)
        return MStatus(MStatus::kInvalidParameter);
    std::copy(begin(), end(), array);
    return MStatus::kSuccess;
}

std::ostream& operator<<(std::ostream& os, const MDoubleArray& array) {
    os << "[";
    for (unsigned int i = 0; i < array.length(); ++i)
        os << (i ? ", " : "") << array[i];
    return os << "]";
}
