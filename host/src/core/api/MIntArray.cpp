#include <maya/MIntArray.h>
#include <maya/MStatus.h>

#include <algorithm>

MStatus MIntArray::set(int element, unsigned int index) {
    if (index >= length())
        return MStatus(MStatus::kInvalidParameter);
    store_.write()[index] = element;
    return MStatus::kSuccess;
}

MStatus MIntArray::remove(unsigned int index) {
    if (index >= length())
        return MStatus(MStatus::kInvalidParameter);
    auto& data = store_.write();
    data.erase(data.begin() + index);
    return MStatus::kSuccess;
}

MStatus MIntArray::insert(int element, unsigned int index) {
    if (index > length())
        return MStatus(MStatus::kInvalidParameter);
    auto& data = store_.write();
    data.insert(data.begin() + index, element);
    return MStatus::kSuccess;
}

MStatus MIntArray::get(int array[]) const {
    if (!array)
        return MStatus(MStatus::kInvalidParameter);
    std::copy(begin(), end(), array);
    return MStatus::kSuccess;
}

std::ostream& operator<<(std::ostream& os, const MIntArray& array) {
    os << "[";
    for (unsigned int i = 0; i < array.length(); ++i)
        os << (i ? ", " : "") << array[i];
    return os << "]";
}
