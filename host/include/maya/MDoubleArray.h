#pragma once
// An array of doubles with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <memory>
#include <ostream>
#include <vector>

class MDoubleArray {
public:
    MDoubleArray() = default;
    MDoubleArray(const MDoubleArray& other) = default;
    MDoubleArray(const double src[], unsigned int count) : store_(src, count) {}
    MDoubleArray(unsigned int initialSize, double initialValue = 0.0)
        : store_(initialSize, initialValue) {}
    // Host side: adopt a buffer that other arrays may share.
    explicit MDoubleArray(std::shared_ptr<const std::vector<double>> data)
        : store_(std::move(data)) {}
    ~MDoubleArray() = default;

    MDoubleArray& operator=(const MDoubleArray& other) = default;

    double operator[](unsigned int index) const { return store_.at(index); }
    double& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(double element, unsigned int index);
    MStatus setLength(unsigned int length) {
        store_.write().resize(length);
        return MStatus::kSuccess;
    }
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index);
    MStatus insert(double element, unsigned int index);
    MStatus append(double element) {
        store_.write().push_back(element);
        return MStatus::kSuccess;
    }
    MStatus copy(const MDoubleArray& source) {
        store_ = source.store_;
        return MStatus::kSuccess;
    }
    MStatus clear() {
        store_ = kivano_detail::SharedArray<double>();
        return MStatus::kSuccess;
    }
    MStatus get(double array[]) const;
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    // Host side: the buffer itself, to share it with other arrays.
    const std::shared_ptr<const std::vector<double>>& sharedData() const { return store_.shared(); }
    bool sharesDataWith(const MDoubleArray& other) const { return store_.sharesWith(other.store_); }

    const double* begin() const { return store_.begin(); }
    const double* end() const { return store_.end(); }

    friend std::ostream& operator<<(std::ostream& os, const MDoubleArray& array);

private:
    kivano_detail::SharedArray<double> store_;
};
