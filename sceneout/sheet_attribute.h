#pragma once
// Adds to a modifier the commands that give a sheet object its record (its
// net, place and edges, or for a tab the edge it sits on) as a dynamic
// attribute, written exactly: the values travel as shortest round-trip text.
#include <maya/MDagModifier.h>
#include <maya/MString.h>

#include "common/sheet_record.h"

void addRecordCommands(MDagModifier& modifier, const MString& object,
                       const sheet_record::Triangle& record);
void addRecordCommands(MDagModifier& modifier, const MString& object,
                       const sheet_record::Tab& record);
