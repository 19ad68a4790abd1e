#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Byte offset of every character start, plus the end, so character ranges map to bytes.
std::vector<std::size_t> characterOffsets(const std::string& text) {
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!isContinuationByte(static_cast<unsigned char>(text[i])))
            offsets.push_back(i);
    offsets.push_back(text.size());
    return offsets;
}

int characterIndexOfByte(const std::string& text, std::size_t byte) {
    int chars = 0;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i)
        if (!isContinuationByte(static_cast<unsigned char>(text[i])))
            ++chars;
    return chars;
}

std::string formatNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Whole text is one number (surrounding blanks allowed).
bool parsesWhole(const std::string& text, bool integer, double* value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    double v =
        integer ? static_cast<double>(std::strtoll(begin, &end, 10)) : std::strtod(begin, &end);
    if (end == begin || errno == ERANGE)
        return false;
    while (*end && std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end)
        return false;
    if (!integer && !std::isfinite(v))
        return false;
    if (value)
        *value = v;
    return true;
}

}  // namespace

MString::MString(const wchar_t* text) {
    if (!text)
        return;
    for (; *text; ++text)
        appendUtf8(text_, static_cast<unsigned long>(*text));
}

MString& MString::operator=(double value) {
    text_ = formatNumber(value);
    return *this;
}
MString& MString::operator+=(double value) {
    text_ += formatNumber(value);
    return *this;
}
MString& MString::operator+=(int value) {
    text_ += std::to_string(value);
    return *this;
}
MString& MString::operator+=(unsigned int value) {
    text_ += std::to_string(value);
    return *this;
}
MString& MString::operator+=(float value) {
    text_ += formatNumber(value);
    return *this;
}

unsigned int MString::numChars() const {
    return static_cast<unsigned int>(characterOffsets(text_).size() - 1);
}

MString& MString::set(double value) {
    text_ = formatNumber(value);
    return *this;
}

MString& MString::set(double value, int precision) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(precision, 0, 100), value);
    text_ = buffer;
    return *this;
}

short MString::asShort() const {
    return static_cast<short>(asInt());
}
int MString::asInt() const {
    return static_cast<int>(std::strtol(text_.c_str(), nullptr, 10));
}
unsigned int MString::asUnsigned() const {
    return static_cast<unsigned int>(std::strtoul(text_.c_str(), nullptr, 10));
}
float MString::asFloat() const {
    return static_cast<float>(asDouble());
}
double MString::asDouble() const {
    return std::strtod(text_.c_str(), nullptr);
}

bool MString::isShort() const {
    double v = 0;
    return parsesWhole(text_, true, &v) && v >= SHRT_MIN && v <= SHRT_MAX;
}

bool MString::isInt() const {
    double v = 0;
    return parsesWhole(text_, true, &v) && v >= INT_MIN && v <= INT_MAX;
}

bool MString::isUnsigned() const {
    double v = 0;
    return parsesWhole(text_, true, &v) && v >= 0 && v <= UINT_MAX;
}

bool MString::isFloat() const {
    return isDouble();
}
bool MString::isDouble() const {
    return parsesWhole(text_, false, nullptr);
}

MString MString::substring(int start, int end) const {
    start = std::max(start, 0);
    end = std::min(end, static_cast<int>(text_.size()) - 1);
    if (end < start)
        return MString();
    return MString(text_.substr(start, end - start + 1));
}

MString MString::substringW(int start, int end) const {
    std::vector<std::size_t> offsets = characterOffsets(text_);
    const int count = static_cast<int>(offsets.size()) - 1;
    start = std::max(start, 0);
    end = std::min(end, count - 1);
    if (end < start)
        return MString();
    return MString(text_.substr(offsets[start], offsets[end + 1] - offsets[start]));
}

int MString::index(char c) const {
    std::size_t at = text_.find(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int MString::rindex(char c) const {
    std::size_t at = text_.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int MString::indexW(const MString& other) const {
    std::size_t at = text_.find(other.text_);
    return at == std::string::npos ? -1 : characterIndexOfByte(text_, at);
}

int MString::indexW(char c) const {
    std::size_t at = text_.find(c);
    return at == std::string::npos ? -1 : characterIndexOfByte(text_, at);
}

int MString::rindexW(const MString& other) const {
    std::size_t at = text_.rfind(other.text_);
    return at == std::string::npos ? -1 : characterIndexOfByte(text_, at);
}

int MString::rindexW(char c) const {
    std::size_t at = text_.rfind(c);
    return at == std::string::npos ? -1 : characterIndexOfByte(text_, at);
}

MStatus MString::split(char separator, MStringArray& output) const {
    output.clear();
    std::size_t start = 0;
    while (start <= text_.size()) {
        std::size_t at = text_.find(separator, start);
        if (at == std::string::npos)
            at = text_.size();
        // Like the host: runs of separators give no empty pieces.
        if (at > start)
            output.append(MString(text_.substr(start, at - start)));
        start = at + 1;
    }
    return MStatus::kSuccess;
}

MString MString::toLowerCase() const {
    std::string out = text_;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return MString(out);
}

MString MString::toUpperCase() const {
    std::string out = text_;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return MString(out);
}
