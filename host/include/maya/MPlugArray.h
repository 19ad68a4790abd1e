#pragma once
// Plugs; copies share storage until written.
#include <maya/MPlug.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MPlugArray {
public:
    MPlugArray() = default;
    MPlugArray(const MPlugArray& other) = default;
    MPlugArray(const MPlug src[], unsigned int count) : store_(src, count) {}
    MPlugArray(unsigned int initialSize, const MPlug& initialValue = MPlug())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MPlugArray(std::shared_ptr<const std::vector<MPlug>> data) : store_(std::move(data)) {}
    ~MPlugArray() = default;

    MPlugArray& operator=(const MPlugArray& other) = default;

    const MPlug& operator[](unsigned int index) const { return store_.at(index); }
    MPlug& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MPlug& element, unsigned int index) {
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
    MStatus insert(const MPlug& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MPlug& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MPlugArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MPlug>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MPlug>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MPlugArray& other) const { return store_.sharesWith(other.store_); }

    const MPlug* begin() const { return store_.begin(); }
    const MPlug* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MPlug> store_;
};
