#pragma once
// Colours with value semantics; copies share storage until written, so a host
// can give thousands of meshes one colour table.
#include <maya/MColor.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MColorArray {
public:
    MColorArray() = default;
    MColorArray(const MColorArray& other) = default;
    MColorArray(const MColor src[], unsigned int count) : store_(src, count) {}
    MColorArray(unsigned int initialSize, const MColor& initialValue = MColor())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MColorArray(std::shared_ptr<const std::vector<MColor>> data)
        : store_(std::move(data)) {}
    ~MColorArray() = default;

    MColorArray& operator=(const MColorArray& other) = default;

    const MColor& operator[](unsigned int index) const { return store_.at(index); }
    MColor& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MColor& element, unsigned int index) {
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
    MStatus insert(const MColor& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MColor& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MColorArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MColor>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MColor>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MColorArray& other) const { return store_.sharesWith(other.store_); }

    const MColor* begin() const { return store_.begin(); }
    const MColor* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MColor> store_;
};
