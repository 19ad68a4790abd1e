#pragma once
// An array of unsigned integers with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <ostream>
#include <vector>

class MUintArray {
public:
    MUintArray() = default;
    MUintArray(const MUintArray& other) = default;
    MUintArray(const unsigned int src[], unsigned int count) : store_(src, count) {}
    MUintArray(unsigned int initialSize, unsigned int initialValue = 0u)
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MUintArray(std::shared_ptr<const std::vector<unsigned int>> data)
        : store_(std::move(data)) {}
    ~MUintArray() = default;

    MUintArray& operator=(const MUintArray& other) = default;

    unsigned int operator[](unsigned int index) const { return store_.at(index); }
    unsigned int& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(unsigned int element, unsigned int index);
    MStatus setLength(unsigned int length) {
        store_.write().resize(length);
        return MStatus::kSuccess;
    }
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index);
    MStatus insert(unsigned int element, unsigned int index);
    MStatus append(unsigned int element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MUintArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<unsigned int>();
        return MStatus::kSuccess;
    }
    MStatus get(unsigned int array[]) const;
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<unsigned int>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MUintArray& other) const { return store_.sharesWith(other.store_); }

    const unsigned int* begin() const { return store_.begin(); }
    const unsigned int* end() const { return store_.end(); }

    friend std::ostream& operator<<(std::ostream& os, const MUintArray& array);

private:
    kivano_detail::SharedArray<unsigned int> store_;
};
