#pragma once
// Points with value semantics; copies share storage until written.
#include <maya/MPoint.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MPointArray {
public:
    MPointArray() = default;
    MPointArray(const MPointArray& other) = default;
    MPointArray(const MPoint src[], unsigned int count) : store_(src, count) {}
    MPointArray(unsigned int initialSize, const MPoint& initialValue = MPoint())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MPointArray(std::shared_ptr<const std::vector<MPoint>> data)
        : store_(std::move(data)) {}
    ~MPointArray() = default;

    MPointArray& operator=(const MPointArray& other) = default;

    const MPoint& operator[](unsigned int index) const { return store_.at(index); }
    MPoint& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MPoint& element, unsigned int index) {
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
    MStatus insert(const MPoint& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MPoint& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MPointArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MPoint>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MPoint>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MPointArray& other) const { return store_.sharesWith(other.store_); }

    const MPoint* begin() const { return store_.begin(); }
    const MPoint* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MPoint> store_;
};
