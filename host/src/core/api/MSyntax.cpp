#include <maya/MSyntax.h>

#include "core/api/arg_text.h"

MStatus MSyntax::addFlag(const char* shortName, const char* longName, MArgType argType1,
                         MArgType argType2, MArgType argType3, MArgType argType4, MArgType argType5,
                         MArgType argType6) {
    FlagInfo info;
    info.shortName = host::api::withoutDash(shortName);
    info.longName = host::api::withoutDash(longName);
    if (info.shortName.length() == 0 && info.longName.length() == 0)
        return MStatus::kInvalidParameter;
    if (findFlag(info.shortName) || findFlag(info.longName))
        return MStatus::kFailure;
    for (MArgType type : {argType1, argType2, argType3, argType4, argType5, argType6}) {
        if (type == kNoArg)
            break;
        if (type <= kInvalidArgType || type >= kLastArgType)
            return MStatus::kInvalidParameter;
        info.args.push_back(type);
    }
    flags_.push_back(info);
    return MStatus::kSuccess;
}

MStatus MSyntax::makeFlagMultiUse(const char* flagName) {
    for (FlagInfo& info : flags_) {
        const MString name = host::api::withoutDash(flagName);
        if (info.shortName == name || info.longName == name) {
            info.multiUse = true;
            return MStatus::kSuccess;
        }
    }
    return MStatus::kNotFound;
}

MStatus MSyntax::addArg(MArgType arg) {
    if (arg <= kNoArg || arg >= kLastArgType)
        return MStatus::kInvalidParameter;
    args_.push_back(arg);
    return MStatus::kSuccess;
}

MStatus MSyntax::setObjectType(MObjectFormat objectFormat, unsigned int, unsigned int) {
    if (objectFormat <= kInvalidObjectFormat || objectFormat >= kLastObjectFormat)
        return MStatus::kInvalidParameter;
    return MStatus::kSuccess;
}

void MSyntax::enableQuery(bool supportsQuery) {
    query_ = supportsQuery;
    if (supportsQuery && !findFlag("query"))
        addFlag("q", "query");
}

void MSyntax::enableEdit(bool supportsEdit) {
    edit_ = supportsEdit;
    if (supportsEdit && !findFlag("edit"))
        addFlag("e", "edit");
}

const MSyntax::FlagInfo* MSyntax::findFlag(const MString& name) const {
    if (name.length() == 0)
        return nullptr;
    for (const FlagInfo& info : flags_)
        if (info.shortName == name || info.longName == name)
            return &info;
    return nullptr;
}
