#pragma once
// The usual way a command reads its arguments: an MArgParser over its syntax.
#include <maya/MArgList.h>
#include <maya/MArgParser.h>
#include <maya/MStatus.h>
#include <maya/MSyntax.h>
#include <maya/MTypes.h>

class MArgDatabase : public MArgParser {
public:
    MArgDatabase() = default;
    MArgDatabase(const MSyntax& syntax, const MArgList& argList, MStatus* ReturnStatus = NULL)
        : MArgParser(syntax, argList, ReturnStatus) {}
    ~MArgDatabase() override = default;
};
