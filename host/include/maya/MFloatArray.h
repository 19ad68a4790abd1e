#pragma once
// An array of floats with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <ostream>
#include <vector>

class MFloatArray {
public:
    MFloatArray() = default;
    MFloatArray(const MFloatArray& other) = default;
    MFloatArray(const float src[], unsigned int count) : store_(src, count) {}
    MFloatArray(unsigned int initialSize, float initialValue = 0.0f)
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MFloatArray(std::shared_ptr<const std::vector<float>> data)
        : store_(std::move(data)) {}
    ~MFloatArray() = default;

    MFloatArray& operator=(const MFloatArray& other) = default;

    float operator[](unsigned int index) const { return store_.at(index); }
    float& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(float element, unsigned int index);
    MStatus setLength(unsigned int length) {
        store_.write().resize(length);
        return MStatus::kSuccess;
    }
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index);
    MStatus insert(float element, unsigned int index);
    MStatus append(float element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MFloatArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<float>();
        return MStatus::kSuccess;
    }
    MStatus get(float array[]) const;
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<float>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MFloatArray& other) const { return store_.sharesWith(other.store_); }

    const float* begin() const { return store_.begin(); }
    const float* end() const { return store_.end(); }

    friend std::ostream& operator<<(std::ostream& os, const MFloatArray& array);

private:
    kivano_detail::SharedArray<float> store_;
};
