#include <maya/MArgParser.h>

#include "core/api/arg_text.h"
#include "core/messages.h"
#include "plugins/plugin_command.h"

namespace {

void reject(const std::string& text) {
    const std::string* command = host::runningPluginCommand();
    host::postMessage(host::MessageKind::Error, command ? *command + ": " + text : text);
}

}  // namespace

MArgParser::MArgParser(const MSyntax& syntax, const MArgList& argList, MStatus* ReturnStatus)
    : syntax_(syntax) {
    MStatus status = parse(argList);
    parsed_ = status;
    if (!parsed_) {
        // A failed parse answers nothing: no flag counts as set.
        uses_.clear();
        objects_.clear();
    }
    if (ReturnStatus)
        *ReturnStatus = status;
}

MStatus MArgParser::parse(const MArgList& argList) {
    const unsigned int count = argList.length();
    for (unsigned int i = 0; i < count;) {
        const MString& word = argList.word(i);
        if (argList.isFlagWord(i) || host::api::looksLikeFlag(word)) {
            MStatus status = takeFlag(argList, i);
            if (!status)
                return status;
        } else {
            objects_.push_back(word);
            ++i;
        }
    }
    for (std::size_t k = 0; k < syntax_.commandArgs().size() && k < objects_.size(); ++k) {
        if (host::api::fitsArgType(objects_[k], syntax_.commandArgs()[k]))
            continue;
        reject("Argument " + std::to_string(k + 1) + " must be " +
               host::api::argTypeName(syntax_.commandArgs()[k]) + ", got \"" + objects_[k].str() +
               "\".");
        return MStatus::kInvalidParameter;
    }
    return MStatus::kSuccess;
}

MStatus MArgParser::takeFlag(const MArgList& argList, unsigned int& index) {
    const MString name = host::api::withoutDash(argList.word(index).asChar());
    const MSyntax::FlagInfo* entry = syntax_.findFlag(name);
    if (!entry) {
        reject("Invalid flag -" + name.str() + ".");
        return MStatus::kInvalidParameter;
    }
    ++index;
    FlagUse use;
    use.flag = static_cast<std::size_t>(entry - syntax_.flags().data());
    // In query mode flags name what to ask for and carry no values.
    const bool query = syntax_.queryEnabled() && isQuery() && entry->longName != "query";
    // (isQuery() sees the flags read so far: -q comes first, as in the host.)
    for (std::size_t k = 0; !query && k < entry->args.size(); ++k, ++index) {
        if (index >= argList.length() || argList.isFlagWord(index)) {
            reject("Flag -" + name.str() + " needs " + std::to_string(entry->args.size()) +
                   " argument(s).");
            return MStatus::kInvalidParameter;
        }
        const MString& word = argList.word(index);
        if (!host::api::fitsArgType(word, entry->args[k])) {
            reject("Flag -" + name.str() + " must be passed " +
                   host::api::argTypeName(entry->args[k]) + ", got \"" + word.str() + "\".");
            return MStatus::kInvalidParameter;
        }
        use.args.push_back(word);
    }
    uses_.push_back(std::move(use));
    return MStatus::kSuccess;
}

const MArgParser::FlagUse* MArgParser::lastUse(const char* flag) const {
    const MString name = host::api::withoutDash(flag);
    for (auto it = uses_.rbegin(); it != uses_.rend(); ++it)
        if (info(*it).shortName == name || info(*it).longName == name)
            return &*it;
    return nullptr;
}

bool MArgParser::isFlagSet(const char* flag, MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = parsed_ ? MStatus::kSuccess : MStatus::kFailure;
    return lastUse(flag) != nullptr;
}

bool MArgParser::isEdit(MStatus* ReturnStatus) const {
    return isFlagSet("edit", ReturnStatus) || isFlagSet("e", nullptr);
}

bool MArgParser::isQuery(MStatus* ReturnStatus) const {
    return isFlagSet("query", ReturnStatus) || isFlagSet("q", nullptr);
}

unsigned int MArgParser::numberOfFlagUses(const char* flag) const {
    const MString name = host::api::withoutDash(flag);
    unsigned int n = 0;
    for (const FlagUse& use : uses_)
        if (info(use).shortName == name || info(use).longName == name)
            ++n;
    return n;
}

MStatus MArgParser::flagWord(const char* flag, unsigned int index, MSyntax::MArgType& type,
                             MString& word) const {
    const FlagUse* use = lastUse(flag);
    if (!use)
        return MStatus::kNotFound;
    if (index >= use->args.size())
        return MStatus::kInvalidParameter;
    type = info(*use).args[index];
    word = use->args[index];
    return MStatus::kSuccess;
}

MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, bool& result) const {
    MSyntax::MArgType type;
    MString word;
    MStatus status = flagWord(flag, index, type, word);
    if (status && !host::api::readBool(word, result))
        status = MStatus::kInvalidParameter;
    return status;
}

MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, int& result) const {
    MSyntax::MArgType type;
    MString word;
    MStatus status = flagWord(flag, index, type, word);
    if (status && !host::api::readInt(word, result))
        status = MStatus::kInvalidParameter;
    return status;
}

MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index,
                                    unsigned int& result) const {
    MSyntax::MArgType type;
    MString word;
    MStatus status = flagWord(flag, index, type, word);
    if (status && !host::api::readUnsigned(word, result))
        status = MStatus::kInvalidParameter;
    return status;
}

MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, double& result) const {
    MSyntax::MArgType type;
    MString word;
    MStatus status = flagWord(flag, index, type, word);
    if (status && !host::api::readDouble(word, result))
        status = MStatus::kInvalidParameter;
    return status;
}

MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, MString& result) const {
    MSyntax::MArgType type;
    MStatus status = flagWord(flag, index, type, result);
    return status;
}

MStatus MArgParser::getCommandArgument(unsigned int index, bool& result) const {
    if (index >= objects_.size())
        return MStatus::kInvalidParameter;
    return host::api::readBool(objects_[index], result) ? MStatus::kSuccess
                                                        : MStatus::kInvalidParameter;
}

MStatus MArgParser::getCommandArgument(unsigned int index, int& result) const {
    if (index >= objects_.size())
        return MStatus::kInvalidParameter;
    return host::api::readInt(objects_[index], result) ? MStatus::kSuccess
                                                       : MStatus::kInvalidParameter;
}

MStatus MArgParser::getCommandArgument(unsigned int index, double& result) const {
    if (index >= objects_.size())
        return MStatus::kInvalidParameter;
    return host::api::readDouble(objects_[index], result) ? MStatus::kSuccess
                                                          : MStatus::kInvalidParameter;
}

MStatus MArgParser::getCommandArgument(unsigned int index, MString& result) const {
    if (index >= objects_.size())
        return MStatus::kInvalidParameter;
    result = objects_[index];
    return MStatus::kSuccess;
}

MStatus MArgParser::getObjects(MStringArray& result) const {
    result.clear();
    for (const MString& object : objects_)
        result.append(object);
    return MStatus::kSuccess;
}
