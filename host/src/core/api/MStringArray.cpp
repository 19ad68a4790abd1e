#include <maya/MStatus.h>
#include <maya/MStringArray.h>

#include <algorithm>

MStringArray::MStringArray(const char* strings[], unsigned int count) {
    auto& data = store_.write();
    data.reserve(count);
    for (unsigned int i = 0; i < count; ++i)
        data.emplace_back(strings[i]);
}

MStatus MStringArray::set(const MString& element, unsigned int index) {
    if (index >= length())
        return MStatus::kInvalidParameter;
    store_.write()[index] = element;
    return MStatus::kSuccess;
}

MStatus MStringArray::set(const char* element, unsigned int index) {
    return set(MString(element), index);
}

MStatus MStringArray::setLength(unsigned int length) {
    store_.write().resize(length);
    return MStatus::kSuccess;
}

MStatus MStringArray::remove(unsigned int index) {
    if (index >= length())
        return MStatus::kInvalidParameter;
    auto& data = store_.write();
    data.erase(data.begin() + index);
    return MStatus::kSuccess;
}

MStatus MStringArray::insert(const MString& element, unsigned int index) {
    if (index > length())
        return MStatus::kInvalidParameter;
    auto& data = store_.write();
    data.insert(data.begin() + index, element);
    return MStatus::kSuccess;
}

MStatus MStringArray::append(const MString& element) {
    store_.write().push_back(element);
    return MStatus::kSuccess;
}

MStatus MStringArray::copy(const MStringArray& source) {
    store_ = source.store_;
    return MStatus::kSuccess;
}

MStatus MStringArray::clear() {
    store_ = kivano_detail::SharedArray<MString>();
    return MStatus::kSuccess;
}

MStatus MStringArray::get(MString array[]) const {
    if (!array)
        return MStatus::kInvalidParameter;
    std::copy(begin(), end(), array);
    return MStatus::kSuccess;
}

std::ostream& operator<<(std::ostream& os, const MStringArray& array) {
    os << "[";
    for (unsigned int i = 0; i < array.length(); ++i)
        os << (i ? ", " : "") << array[i];
    return os << "]";
}
