#pragma once
// Node handles; copies share storage until written.
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MObjectArray {
public:
    MObjectArray() = default;
    MObjectArray(const MObjectArray& other) = default;
    MObjectArray(const MObject src[], unsigned int count) : store_(src, count) {}
    MObjectArray(unsigned int initialSize, const MObject& initialValue = MObject())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MObjectArray(std::shared_ptr<const std::vector<MObject>> data)
        : store_(std::move(data)) {}
    ~MObjectArray() = default;

    MObjectArray& operator=(const MObjectArray& other) = default;

    const MObject& operator[](unsigned int index) const { return store_.at(index); }
    MObject& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MObject& element, unsigned int index) {
        if (index >= length())
            return MStatus::kInvalidParameter;
        store_.write()[index] = element;
        return MStatus::kSuccess;
    }
    MStatus setLength(unsigned int length) {
        store_.write().resize(length);
        return MStatus::kSuccess;
    }
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index) {
        if (index >= length())
            return MStatus::kInvalidParameter;
        store_.write().erase(store_.write().begin() + index);
        return MStatus::kSuccess;
    }
    MStatus insert(const MObject& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MObject& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MObjectArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MObject>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MObject>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MObjectArray& other) const { return store_.sharesWith(other.store_); }

    const MObject* begin() const { return store_.begin(); }
    const MObject* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MObject> store_;
};
