#pragma once
// The flags that UI commands accept for each kind of record, and how their
// arguments become stored values. Both script languages arrive here: the
// command language as separate words ("-columnAttach both 1"), Python as one
// value per flag (columnAttach=('both',1), value=True).
#include <string>
#include <string_view>
#include <vector>

#include "core/command.h"
#include "core/value.h"
#include "ui/ui_tree.h"

namespace host::ui {

struct Property {
    const char* shortName;
    const char* longName;
    std::vector<ArgType> args;  // what the flag takes when creating or editing
    bool queryOnly = false;     // derived from the records, cannot be set
    bool script = false;        // text to run, kept with the language it came from
};

// The properties of a kind, beyond the mode flags query, edit, exists and parent.
const std::vector<Property>& propertiesOf(Kind kind);
const Property* findProperty(Kind kind, std::string_view flagName);

// Every flag of the command that makes records of this kind, for the command
// language to tell a flag's arguments from the command's own.
std::vector<FlagSyntax> flagSyntax(Kind kind);

// Turns a flag's arguments into the value stored for the property: one value,
// or a list when the flag takes several. Gives false and an error text when
// they do not fit (wrong count or type).
bool convertArguments(const Property& property, const std::vector<Value>& args, Value& stored,
                      std::string& error);

// Whether a switch flag is on: a bare flag ("-query"), or query=True.
bool isSwitchOn(const std::vector<Value>& args);

}  // namespace host::ui
