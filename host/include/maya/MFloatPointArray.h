#pragma once
// Single-precision points; copies share storage until written.
#include <maya/MFloatPoint.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MFloatPointArray {
public:
    MFloatPointArray() = default;
    MFloatPointArray(const MFloatPointArray& other) = default;
    MFloatPointArray(const MFloatPoint src[], unsigned int count) : store_(src, count) {}
    MFloatPointArray(unsigned int initialSize, const MFloatPoint& initialValue = MFloatPoint())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MFloatPointArray(std::shared_ptr<const std::vector<MFloatPoint>> data)
        : store_(std::move(data)) {}
    ~MFloatPointArray() = default;

    MFloatPointArray& operator=(const MFloatPointArray& other) = default;

    const MFloatPoint& operator[](unsigned int index) const { return store_.at(index); }
    MFloatPoint& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MFloatPoint& element, unsigned int index) {
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
    MStatus insert(const MFloatPoint& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MFloatPoint& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MFloatPointArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MFloatPoint>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MFloatPoint>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MFloatPointArray& other) const {
        return store_.sharesWith(other.store_);
    }

    const MFloatPoint* begin() const { return store_.begin(); }
    const MFloatPoint* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MFloatPoint> store_;
};
