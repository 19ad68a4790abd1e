#include <maya/MStatus.h>
#include <maya/MString.h>

#include "core/messages.h"

MString MStatus::errorString() const {
    switch (code_) {
    case kSuccess:
        return "(kSuccess): No error";
    case kFailure:
        return "(kFailure): Unexpected Internal Failure";
    case kInsufficientMemory:
        return "(kInsufficientMemory): Insufficient Memory";
    case kInvalidParameter:
        return "(kInvalidParameter): Invalid Parameter";
    case kLicenseFailure:
        return "(kLicenseFailure): License Failure";
    case kUnknownParameter:
        return "(kUnknownParameter): Unknown Parameter";
    case kNotImplemented:
        return "(kNotImplemented): Not Implemented";
    case kNotFound:
        return "(kNotFound): Object not found";
    case kEndOfFile:
        return "(kEndOfFile): End of File";
    }
    return "(unknown status)";
}

void MStatus::perror(const char* text) const {
    std::string line = text ? text : "";
    line += ": ";
    line += errorString().asChar();
    host::postMessage(host::MessageKind::Error, line);
}

void MStatus::perror(const MString& text) const {
    perror(text.asChar());
}

std::ostream& operator<<(std::ostream& os, const MStatus& status) {
    return os << status.errorString();
}
