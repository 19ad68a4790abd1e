#include "core/api/arg_text.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace host::api {

bool readBool(const MString& word, bool& out) {
    const std::string& s = word.str();
    if (s == "1" || s == "true" || s == "on" || s == "yes") {
        out = true;
        return true;
    }
    if (s == "0" || s == "false" || s == "off" || s == "no") {
        out = false;
        return true;
    }
    return false;
}

bool readInt(const MString& word, int& out) {
    const char* text = word.asChar();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool readUnsigned(const MString& word, unsigned int& out) {
    const char* text = word.asChar();
    // strtoul would quietly wrap "-1" round to a huge count.
    if (text[0] == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long u = std::strtoul(text, &end, 10);
    if (end == text || *end || errno == ERANGE || u > UINT_MAX)
        return false;
    out = static_cast<unsigned int>(u);
    return true;
}

bool readDouble(const MString& word, double& out) {
    const char* text = word.asChar();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text, &end);
    if (end == text || *end || errno == ERANGE || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool fitsArgType(const MString& word, MSyntax::MArgType type) {
    bool b;
    int i;
    unsigned int u;
    double d;
    switch (type) {
    case MSyntax::kBoolean:
        return readBool(word, b);
    case MSyntax::kLong:
        return readInt(word, i);
    case MSyntax::kUnsigned:
        return readUnsigned(word, u);
    case MSyntax::kDouble:
    case MSyntax::kDistance:
    case MSyntax::kAngle:
    case MSyntax::kTime:
        return readDouble(word, d);
    default:
        return true;
    }
}

const char* argTypeName(MSyntax::MArgType type) {
    switch (type) {
    case MSyntax::kBoolean:
        return "a boolean";
    case MSyntax::kLong:
        return "an integer";
    case MSyntax::kUnsigned:
        return "an unsigned integer";
    case MSyntax::kDouble:
    case MSyntax::kDistance:
    case MSyntax::kAngle:
    case MSyntax::kTime:
        return "a number";
    default:
        return "a string";
    }
}

MString withoutDash(const char* name) {
    if (!name)
        return MString();
    return MString(name[0] == '-' ? name + 1 : name);
}

bool looksLikeFlag(const MString& word) {
    const char* s = word.asChar();
    return s[0] == '-' && (std::isalpha(static_cast<unsigned char>(s[1])) || s[1] == '_');
}

}  // namespace host::api
