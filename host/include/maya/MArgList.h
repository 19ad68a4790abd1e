#pragma once
// The words a command was called with: flags ("-l") and values, in order.
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MTypes.h>

#include <vector>

class MArgList {
public:
    MArgList() = default;
    MArgList(const MArgList& other) = default;
    MArgList& operator=(const MArgList& other) = default;
    ~MArgList() = default;

    unsigned int length(MStatus* ReturnStatus = NULL) const;

    // A value that cannot be read as the asked type sets kInvalidParameter.
    bool asBool(unsigned int index, MStatus* ReturnStatus = NULL) const;
    int asInt(unsigned int index, MStatus* ReturnStatus = NULL) const;
    double asDouble(unsigned int index, MStatus* ReturnStatus = NULL) const;
    MString asString(unsigned int index, MStatus* ReturnStatus = NULL) const;

    // Reads one value at index and moves index past it.
    MStatus get(unsigned int& index, bool& ret) const;
    MStatus get(unsigned int& index, int& ret) const;
    MStatus get(unsigned int& index, double& ret) const;
    MStatus get(unsigned int& index, MString& ret) const;

    // Index of the flag under either name (with or without '-'), or length() when absent.
    unsigned int flagIndex(const char* shortFlag, const char* longFlag = NULL) const;

    MArgList& addArg(bool arg);
    MArgList& addArg(int arg);
    MArgList& addArg(double arg);
    MArgList& addArg(const MString& arg);

    // Host side: the words as text, and whether a word was a written flag.
    const MString& word(unsigned int index) const { return words_[index].text; }
    bool isFlagWord(unsigned int index) const { return words_[index].isFlag; }
    MArgList& addFlag(const MString& name);

private:
    struct Word {
        MString text;
        bool isFlag = false;
    };
    std::vector<Word> words_;
};
