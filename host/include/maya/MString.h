#pragma once
// A text in UTF-8. Byte-indexed calls (substring, index) count bytes; the
// calls ending in W count characters.
#include <maya/MTypes.h>

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

class MStatus;
class MStringArray;

class MString {
public:
    MString() = default;
    MString(const char* text) : text_(text ? text : "") {}
    MString(const char* text, int length)
        : text_(text ? std::string(text, length > 0 ? length : 0) : std::string()) {}
    MString(const wchar_t* text);
    MString(const MString& other) = default;
    MString(const std::string& text) : text_(text) {}
    ~MString() = default;

    MString& operator=(const MString& other) = default;
    MString& operator=(const char* text) {
        text_ = text ? text : "";
        return *this;
    }
    MString& operator=(double value);

    MString& operator+=(const MString& other) {
        text_ += other.text_;
        return *this;
    }
    MString& operator+=(const char* other) {
        if (other)
            text_ += other;
        return *this;
    }
    MString& operator+=(double value);
    MString& operator+=(int value);
    MString& operator+=(unsigned int value);
    MString& operator+=(float value);

    // Built in place: plug-ins join command lines from many pieces.
    MString operator+(const MString& other) const {
        MString s;
        s.text_.reserve(text_.size() + other.text_.size());
        s.text_.append(text_).append(other.text_);
        return s;
    }
    MString operator+(const char* other) const {
        MString s(*this);
        s += other;
        return s;
    }
    MString operator+(double value) const {
        MString s(*this);
        s += value;
        return s;
    }

    bool operator==(const MString& other) const { return text_ == other.text_; }
    bool operator==(const char* other) const { return text_ == (other ? other : ""); }
    bool operator!=(const MString& other) const { return text_ != other.text_; }
    bool operator!=(const char* other) const { return !(*this == other); }
    bool operator<(const MString& other) const { return text_ < other.text_; }
    bool operator>(const MString& other) const { return text_ > other.text_; }

    const char* asChar() const { return text_.c_str(); }
    const char* asUTF8() const { return text_.c_str(); }
    const char* asChar(int& length) const {
        length = static_cast<int>(text_.size());
        return text_.c_str();
    }
    unsigned int length() const { return static_cast<unsigned int>(text_.size()); }
    unsigned int numChars() const;
    void clear() { text_.clear(); }

    MString& set(const char* text) {
        text_ = text ? text : "";
        return *this;
    }
    MString& set(const char* text, int length) { return *this = MString(text, length); }
    MString& set(double value);
    MString& set(double value, int precision);

    // Conversions read a leading number and ignore what follows; a text that is
    // not a number gives 0 (use the is* calls to tell).
    short asShort() const;
    int asInt() const;
    unsigned int asUnsigned() const;
    float asFloat() const;
    double asDouble() const;
    bool isShort() const;
    bool isInt() const;
    bool isUnsigned() const;
    bool isFloat() const;
    bool isDouble() const;

    // Inclusive end; out-of-range parts are clipped, an empty range gives "".
    MString substring(int start, int end) const;
    MString substringW(int start, int end) const;
    int index(char c) const;
    int rindex(char c) const;
    int indexW(const MString& other) const;
    int indexW(char c) const;
    int rindexW(const MString& other) const;
    int rindexW(char c) const;
    MStatus split(char separator, MStringArray& output) const;
    MString toLowerCase() const;
    MString toUpperCase() const;

    // Host side: the text as a standard string.
    const std::string& str() const { return text_; }

    friend std::ostream& operator<<(std::ostream& os, const MString& s) { return os << s.text_; }

private:
    std::string text_;
};

inline MString operator+(const char* left, const MString& right) {
    MString s(left);
    s += right;
    return s;
}
inline bool operator==(const char* left, const MString& right) {
    return right == left;
}
inline bool operator!=(const char* left, const MString& right) {
    return right != left;
}

namespace std {
template <>
struct hash<MString> {
    size_t operator()(const MString& s) const noexcept { return hash<string>()(s.str()); }
};
}  // namespace std
