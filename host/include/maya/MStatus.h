#pragma once
// The outcome of an API call: a code, readable text, and the host's way of
// reporting a failure to the user.
#include <maya/MTypes.h>

#include <ostream>

class MString;

class MStatus {
public:
    enum MStatusCode {
        kSuccess = 0,
        kFailure,
        kInsufficientMemory,
        kInvalidParameter,
        kLicenseFailure,
        kUnknownParameter,
        kNotImplemented,
        kNotFound,
        kEndOfFile
    };

    MStatus() = default;
    MStatus(MStatusCode code) : code_(code) {}
    MStatus(const MStatus& other) = default;
    MStatus& operator=(const MStatus& other) = default;

    bool operator==(const MStatus& other) const { return code_ == other.code_; }
    bool operator==(MStatusCode code) const { return code_ == code; }
    bool operator!=(const MStatus& other) const { return code_ != other.code_; }
    bool operator!=(MStatusCode code) const { return code_ != code; }
    operator bool() const { return code_ == kSuccess; }

    bool error() const { return code_ != kSuccess; }
    void clear() { code_ = kSuccess; }
    MStatusCode statusCode() const { return code_; }
    MString errorString() const;

    // Reports "<text>: <error string>" as an error: on standard error and in the host's log.
    void perror(const char* text) const;
    void perror(const MString& text) const;

    friend std::ostream& operator<<(std::ostream& os, const MStatus& status);

private:
    MStatusCode code_ = kSuccess;
};

typedef MStatus MS;

#define CHECK_MSTATUS(_status)         \
    do {                               \
        MStatus _checked = (_status);  \
        if (_checked.error())          \
            _checked.perror(__FILE__); \
    } while (0)

#define CHECK_MSTATUS_AND_RETURN_IT(_status) \
    do {                                     \
        MStatus _checked = (_status);        \
        if (_checked.error()) {              \
            _checked.perror(__FILE__);       \
            return _checked;                 \
        }                                    \
    } while (0)

#define CHECK_MSTATUS_AND_RETURN(_status, _retVal) \
    do {                                           \
        MStatus _checked = (_status);              \
        if (_checked.error()) {                    \
            _checked.perror(__FILE__);             \
            return (_retVal);                      \
        }                                          \
    } while (0)
