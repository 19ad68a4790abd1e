#pragma once

#include <maya/MArgDatabase.h>
#include <maya/MStatus.h>

// The plug-in's commands take flags only: a stray word is refused, naming the
// command, rather than silently ignored.
MStatus refuseStrayArguments(const MArgDatabase& argData, const char* command);
