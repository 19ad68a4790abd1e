#include <maya/MArgList.h>

#include "core/api/arg_text.h"

namespace {

void setStatus(MStatus* status, bool ok) {
    if (status)
        *status = ok ? MStatus::kSuccess : MStatus::kInvalidParameter;
}

}  // namespace

unsigned int MArgList::length(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, true);
    return static_cast<unsigned int>(words_.size());
}

bool MArgList::asBool(unsigned int index, MStatus* ReturnStatus) const {
    bool v = false;
    setStatus(ReturnStatus, index < words_.size() && host::api::readBool(words_[index].text, v));
    return v;
}

int MArgList::asInt(unsigned int index, MStatus* ReturnStatus) const {
    int v = 0;
    setStatus(ReturnStatus, index < words_.size() && host::api::readInt(words_[index].text, v));
    return v;
}

double MArgList::asDouble(unsigned int index, MStatus* ReturnStatus) const {
    double v = 0;
    setStatus(ReturnStatus, index < words_.size() && host::api::readDouble(words_[index].text, v));
    return v;
}

MString MArgList::asString(unsigned int index, MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, index < words_.size());
    return index < words_.size() ? words_[index].text : MString();
}

MStatus MArgList::get(unsigned int& index, bool& ret) const {
    MStatus status;
    ret = asBool(index, &status);
    if (status)
        ++index;
    return status;
}

MStatus MArgList::get(unsigned int& index, int& ret) const {
    MStatus status;
    ret = asInt(index, &status);
    if (status)
        ++index;
    return status;
}

MStatus MArgList::get(unsigned int& index, double& ret) const {
    MStatus status;
    ret = asDouble(index, &status);
    if (status)
        ++index;
    return status;
}

MStatus MArgList::get(unsigned int& index, MString& ret) const {
    MStatus status;
    ret = asString(index, &status);
    if (status)
        ++index;
    return status;
}

unsigned int MArgList::flagIndex(const char* shortFlag, const char* longFlag) const {
    const MString shortName = host::api::withoutDash(shortFlag);
    const MString longName = host::api::withoutDash(longFlag);
    for (unsigned int i = 0; i < words_.size(); ++i) {
        if (!host::api::looksLikeFlag(words_[i].text))
            continue;
        const MString name = host::api::withoutDash(words_[i].text.asChar());
        if (name == shortName || (longFlag && name == longName))
            return i;
    }
    return static_cast<unsigned int>(words_.size());
}

MArgList& MArgList::addArg(bool arg) {
    words_.push_back(Word{MString(arg ? "true" : "false"), false});
    return *this;
}

MArgList& MArgList::addArg(int arg) {
    MString text;
    text += arg;
    words_.push_back(Word{text, false});
    return *this;
}

MArgList& MArgList::addArg(double arg) {
    MString text;
    text += arg;
    words_.push_back(Word{text, false});
    return *this;
}

MArgList& MArgList::addArg(const MString& arg) {
    words_.push_back(Word{arg, false});
    return *this;
}

MArgList& MArgList::addFlag(const MString& name) {
    words_.push_back(Word{MString("-") + host::api::withoutDash(name.asChar()), true});
    return *this;
}
