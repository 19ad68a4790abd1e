#pragma once
// Reads a command's MArgList against its MSyntax: which flags were given and
// with what. Unknown flags and malformed arguments fail the parse.
#include <maya/MArgList.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>
#include <maya/MTypes.h>

#include <vector>

class MArgParser {
public:
    MArgParser() = default;
    MArgParser(const MSyntax& syntax, const MArgList& argList, MStatus* ReturnStatus = NULL);
    virtual ~MArgParser() = default;

    // Flags may be named short or long, with or without '-'.
    bool isFlagSet(const char* flag, MStatus* ReturnStatus = NULL) const;
    bool isEdit(MStatus* ReturnStatus = NULL) const;
    bool isQuery(MStatus* ReturnStatus = NULL) const;
    unsigned int numberOfFlagsUsed() const { return static_cast<unsigned int>(uses_.size()); }
    unsigned int numberOfFlagUses(const char* flag) const;

    MStatus getFlagArgument(const char* flag, unsigned int index, bool& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, int& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, unsigned int& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, double& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, MString& result) const;

    MStatus getCommandArgument(unsigned int index, bool& result) const;
    MStatus getCommandArgument(unsigned int index, int& result) const;
    MStatus getCommandArgument(unsigned int index, double& result) const;
    MStatus getCommandArgument(unsigned int index, MString& result) const;
    MStatus getObjects(MStringArray& result) const;

private:
    struct FlagUse {
        std::size_t flag =
            0;  // index into syntax_.flags(); an index stays valid when the parser is copied
        std::vector<MString> args;
    };
    MStatus parse(const MArgList& argList);
    MStatus takeFlag(const MArgList& argList, unsigned int& index);
    const FlagUse* lastUse(const char* flag) const;
    const MSyntax::FlagInfo& info(const FlagUse& use) const { return syntax_.flags()[use.flag]; }
    MStatus flagWord(const char* flag, unsigned int index, MSyntax::MArgType& type,
                     MString& word) const;

    MSyntax syntax_;
    std::vector<FlagUse> uses_;
    std::vector<MString> objects_;
    bool parsed_ = false;
};
