#pragma once
// Vectors with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MTypes.h>
#include <maya/MVector.h>

#include <memory>
#include <vector>

class MVectorArray {
public:
    MVectorArray() = default;
    MVectorArray(const MVectorArray& other) = default;
    MVectorArray(const MVector src[], unsigned int count) : store_(src, count) {}
    MVectorArray(unsigned int initialSize, const MVector& initialValue = MVector())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MVectorArray(std::shared_ptr<const std::vector<MVector>> data)
        : store_(std::move(data)) {}
    ~MVectorArray() = default;

    MVectorArray& operator=(const MVectorArray& other) = default;

    const MVector& operator[](unsigned int index) const { return store_.at(index); }
    MVector& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MVector& element, unsigned int index) {
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
    MStatus insert(const MVector& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MVector& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MVectorArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MVector>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MVector>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MVectorArray& other) const { return store_.sharesWith(other.store_); }

    const MVector* begin() const { return store_.begin(); }
    const MVector* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MVector> store_;
};
