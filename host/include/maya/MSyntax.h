#pragma once
// The flags and arguments a command accepts.
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

#include <climits>
#include <vector>

class MSyntax {
public:
    enum MArgType {
        kInvalidArgType,
        kNoArg,
        kBoolean,
        kLong,
        kDouble,
        kString,
        kUnsigned,
        kDistance,
        kAngle,
        kTime,
        kSelectionItem,
        kLastArgType
    };

    enum MObjectFormat {
        kInvalidObjectFormat,
        kNone,
        kStringObjects,
        kSelectionList,
        kLastObjectFormat
    };

    MSyntax() = default;
    MSyntax(const MSyntax& other) = default;
    MSyntax& operator=(const MSyntax& other) = default;
    ~MSyntax() = default;

    // Names may be given with or without the leading '-'. A name used twice fails.
    MStatus addFlag(const char* shortName, const char* longName, MArgType argType1 = kNoArg,
                    MArgType argType2 = kNoArg, MArgType argType3 = kNoArg,
                    MArgType argType4 = kNoArg, MArgType argType5 = kNoArg,
                    MArgType argType6 = kNoArg);
    MStatus makeFlagMultiUse(const char* flagName);
    MStatus addArg(MArgType arg);
    MStatus setObjectType(MObjectFormat objectFormat, unsigned int minimumObjects = 0,
                          unsigned int maximumObjects = UINT_MAX);
    void useSelectionAsDefault(bool useSelection) { useSelection_ = useSelection; }
    // Adds the -q/-query (-e/-edit) flag the mode is asked for with.
    void enableQuery(bool supportsQuery = true);
    void enableEdit(bool supportsEdit = true);

    // Host side.
    struct FlagInfo {
        MString shortName;  // without '-'
        MString longName;   // without '-'
        std::vector<MArgType> args;
        bool multiUse = false;
    };
    const std::vector<FlagInfo>& flags() const { return flags_; }
    const FlagInfo* findFlag(const MString& name) const;
    const std::vector<MArgType>& commandArgs() const { return args_; }
    bool queryEnabled() const { return query_; }
    bool editEnabled() const { return edit_; }

private:
    std::vector<FlagInfo> flags_;
    std::vector<MArgType> args_;
    bool query_ = false;
    bool edit_ = false;
    bool useSelection_ = false;
};
