#pragma once
// DAG paths; copies share storage until written.
#include <maya/MDagPath.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <vector>

class MDagPathArray {
public:
    MDagPathArray() = default;
    MDagPathArray(const MDagPathArray& other) = default;
    MDagPathArray(const MDagPath src[], unsigned int count) : store_(src, count) {}
    MDagPathArray(unsigned int initialSize, const MDagPath& initialValue = MDagPath())
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MDagPathArray(std::shared_ptr<const std::vector<MDagPath>> data)
        : store_(std::move(data)) {}
    ~MDagPathArray() = default;

    MDagPathArray& operator=(const MDagPathArray& other) = default;

    const MDagPath& operator[](unsigned int index) const { return store_.at(index); }
    MDagPath& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MDagPath& element, unsigned int index) {
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
    MStatus insert(const MDagPath& element, unsigned int index) {
        if (index > length())
            return MStatus::kInvalidParameter;
        store_.write().insert(store_.write().begin() + index, element);
        return MStatus::kSuccess;
    }
    MStatus append(const MDagPath& element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MDagPathArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<MDagPath>();
        return MStatus::kSuccess;
    }
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<MDagPath>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MDagPathArray& other) const {
        return store_.sharesWith(other.store_);
    }

    const MDagPath* begin() const { return store_.begin(); }
    const MDagPath* end() const { return store_.end(); }

private:
    kivano_detail::SharedArray<MDagPath> store_;
};
