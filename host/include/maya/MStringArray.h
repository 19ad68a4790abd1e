#pragma once
// An array of texts with value semantics; copies share storage until written.
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

#include <memory>
#include <ostream>
#include <vector>

class MStringArray {
public:
    MStringArray() = default;
    MStringArray(const MStringArray& other) = default;
    MStringArray(const MString strings[], unsigned int count) : store_(strings, count) {}
    MStringArray(const char* strings[], unsigned int count);
    MStringArray(unsigned int initialSize, const MString& initialValue)
        : store_(initialSize, initialValue) {}
    explicit MStringArray(std::shared_ptr<const std::vector<MString>> data)
        : store_(std::move(data)) {}
    ~MStringArray() = default;

    MStringArray& operator=(const MStringArray& other) = default;

    const MString& operator[](unsigned int index) const { return store_.at(index); }
    MString& operator[](unsigned int index) {
        assert(index < length());
        return store_.write()[index];
    }

    MStatus set(const MString& element, unsigned int index);
    MStatus set(const char* element, unsigned int index);
    MStatus setLength(unsigned int length);
    unsigned int length() const { return store_.length(); }
    MStatus remove(unsigned int index);
    MStatus insert(const MString& element, unsigned int index);
    MStatus append(const MString& element);
    MStatus copy(const MStringArray& source);
    MStatus clear();
    MStatus get(MString array[]) const;
    void setSizeIncrement(unsigned int) {}
    unsigned int sizeIncrement() const { return 1; }

    const std::shared_ptr<const std::vector<MString>>& sharedData() const {
        return store_.shared();
    }
    bool sharesDataWith(const MStringArray& other) const { return store_.sharesWith(other.store_); }

    const MString* begin() const { return store_.begin(); }
    const MString* end() const { return store_.end(); }

    friend std::ostream& operator<<(std::ostream& os, const MStringArray& array);

private:
    kivano_detail::SharedArray<MString> store_;
};
