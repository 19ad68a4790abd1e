#pragma once
// An array of integers with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <ostream>
#include <vector>

class MIntArray {
public:
    MIntArray() = default;
    MIntArray(const MIntArray& other) = default;
    MIntArray(const int src[], unsigned int count) : store_(src, count) {}
    MIntArray(unsigned int initialSize, int initialValue = 0) : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MIntArray(std::shared_ptr<const std::vector<int>> data) : store_(std::move(data)) {}
    ~MIntArray() = default;

    MIntArray& operator=(const MIntArray& other) = default;

    int operator[](unsigned int index) const { return store_.at(index); }
    int& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(int element, unsigned int index);
    MStatus setLength(unsigned int length) {
        store_.write().resize(length);
        return MStatus::kSuccess;
    }
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index);
    MStatus insert(int element, unsigned int index);
    MStatus append(int element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MIntArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<int>();
        return MStatus::kSuccess;
    }
    MStatus get(int array[]) const;
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<int>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MIntArray& other) const { return store_.sharesWith(other.store_); }

    const int* begin() const { return store_.begin(); }
    const int* end() const { return store_.end(); }

    friend std::ostream& operator<<(std::ostream& os, const MIntArray& array);

private:
    kivano_detail::SharedArray<int> store_;
};
