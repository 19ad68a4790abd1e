#pragma once
// Basic types shared by the API classes: the creator signatures of plug-in
// commands, coordinate spaces and the shared storage of the value arrays.
#include <cassert>
#include <memory>
#include <vector>

#ifndef NULL
#define NULL 0
#endif

#ifndef MAYA_API_VERSION
#define MAYA_API_VERSION 201100
#endif

class MSyntax;

typedef void* (*MCreatorFunction)();
typedef MSyntax (*MCreateSyntaxFunction)();

class MSpace {
public:
    enum Space {
        kInvalid = 0,
        kTransform = 1,
        kPreTransform = 2,
        kPostTransform = 3,
        kWorld = 4,
        kLast = 5,
        kObject = kPreTransform
    };
};

namespace kivano_detail {

// Copy-on-write storage behind the value arrays. Copies share one buffer until
// one of them is written to, so a host can hand the same large array to
// thousands of objects while every API object still behaves as its own copy.
template <typename T>
class SharedArray {
public:
    using Buffer = std::vector<T>;
    using Shared = std::shared_ptr<const Buffer>;

    SharedArray() = default;
    // A buffer from outside may be truly const: the first write copies it.
    explicit SharedArray(Shared data) : data_(std::move(data)), owned_(false) {}
    SharedArray(const T* src, unsigned count) {
        if (count)
            data_ = std::make_shared<Buffer>(src, src + count);
    }
    SharedArray(unsigned count, const T& value) {
        if (count)
            data_ = std::make_shared<Buffer>(count, value);
    }

    unsigned length() const { return data_ ? static_cast<unsigned>(data_->size()) : 0u; }
    const T& at(unsigned i) const {
        assert(i < length());
        return (*data_)[i];
    }
    const T* begin() const { return data_ ? data_->data() : nullptr; }
    const T* end() const { return data_ ? data_->data() + data_->size() : nullptr; }

    // Writable access: detaches from every other holder of the buffer first.
    Buffer& write() {
        if (!data_) {
            data_ = std::make_shared<Buffer>();
            owned_ = true;
        } else if (!owned_ || data_.use_count() > 1) {
            data_ = std::make_shared<Buffer>(*data_);
            owned_ = true;
        }
        // Safe: every buffer reaching here was allocated non-const by write() or a constructor.
        return const_cast<Buffer&>(*data_);
    }

    const Shared& shared() const {
        static const Shared empty = std::make_shared<Buffer>();
        return data_ ? data_ : empty;
    }

    bool sharesWith(const SharedArray& other) const { return data_ && data_ == other.data_; }

private:
    Shared data_;
    bool owned_ = true;  // data_ was allocated here, not handed in from outside
};

}  // namespace kivano_detail
