#pragma once
// Single-precision vectors; copies share storage until written.
#include <maya/MFloatVector.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MFloatVectorArray {
public:
    MFloatVectorArray() = default;
    MFloatVectorArray(const MFloatVectorArray& other) = default;
    MFloatVectorArray(const MFloatVector src[], unsigned int count) : store_(src, count) {}
    MFloatVectorArray(unsigned int initialSize, const MFloatVector& initialValue = MFloatVector())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MFloatVectorArray(std::shared_ptr<const std::vector<MFloatVector>> data)
        : store_(std::move(data)) {}
    ~MFloatVectorArray() = default;

    MFloatVectorArray& operator=(const MFloatVectorArray& other) = default;

    const MFloatVector& operator[](unsigned int index) const { return store_.at(index); }
    MFloatVector& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MFloatVector& element, unsigned int index) {
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
    MStatus insert(const MFloatVector& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MFloatVector& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MFloatVectorArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MFloatVector>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MFloatVector>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MFloatVectorArray& other) const {
        return store_.sharesWith(other.store_);
    }

    const MFloatVector* begin() const { return store_.begin(); }
    const MFloatVector* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MFloatVector> store_;
};
