#pragma once
// The one command mechanism of the host. The command language, Python's
// maya.cmds and plug-in commands all end in an Invocation handed to a
// registered CommandFn; undoable work is reported back as UndoSteps.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <maya/MStatus.h>

#include "core/value.h"

namespace host {

struct Flag {
    std::string name;         // as written, without the leading '-' (short or long)
    std::vector<Value> args;  // empty for a bare flag; Python's flag=value gives one arg
};

struct Invocation {
    std::string command;
    std::vector<Value> args;  // positional arguments in order
    std::vector<Flag> flags;  // in the order given
    bool fromPython = false;

    // The last occurrence of the flag under either of its names, or nullptr.
    const Flag* flag(std::string_view shortName, std::string_view longName) const;
    bool has(std::string_view shortName, std::string_view longName) const {
        return flag(shortName, longName) != nullptr;
    }
};

// One reversible change. undo takes it back, redo applies it again.
struct UndoStep {
    std::function<void()> undo;
    std::function<void()> redo;
};

// What a flag takes, so the command language can tell a flag's arguments from
// the command's own, and so bad input is refused before the command runs.
enum class ArgType { Bool, Int, Double, String, Any };

// How a message names what a flag takes: "a boolean", "an integer", ...
const char* typeName(ArgType type);

struct FlagSyntax {
    std::string shortName;      // without '-'
    std::string longName;       // without '-'
    std::vector<ArgType> args;  // empty: a bare (on/off) flag
};

struct CommandContext {
    Value result;                // the command's result (None when it has none)
    std::vector<UndoStep> undo;  // filled by commands that change the scene
    bool echo = false;           // the caller asked for the command to be echoed
};

using CommandFn = std::function<MStatus(const Invocation&, CommandContext&)>;

struct CommandSpec {
    std::string name;
    CommandFn run;
    bool undoable = false;  // whether its UndoSteps go on the undo queue
    std::string owner;      // "host" or the path of the plug-in that registered it
    // When not empty, invoke() refuses unknown flags and badly typed flag
    // arguments ("select: invalid flag -x") before the command runs, and the
    // command language gives each flag exactly its arguments. In query mode
    // (-q/-query given first) flags take no arguments. Without a syntax, a flag
    // takes the one value that follows it, if any.
    std::vector<FlagSyntax> flags;
};

// The reusable check behind CommandSpec::flags, for commands that check by
// hand: posts "<command>: invalid flag -<name>" or "<command>: flag -<name>
// expects <type>" and returns kInvalidParameter; success changes nothing.
MStatus checkFlags(const Invocation& call, const std::vector<FlagSyntax>& flags);
const FlagSyntax* findFlagSyntax(const std::vector<FlagSyntax>& flags, std::string_view name);
bool isQuery(const Invocation& call);

// Conversions of an argument as a command reads it: numbers from words,
// words from numbers; false when the value cannot be read as that type.
bool toBool(const Value& value, bool& out);
bool toInt(const Value& value, long long& out);
bool toDouble(const Value& value, double& out);
bool toText(const Value& value, std::string& out);
// A value as the host shows it: lists space-separated, numbers in short form.
std::string displayText(const Value& value);

class CommandRegistry {
public:
    static CommandRegistry& instance();
    bool add(CommandSpec entry);           // false when the name is taken
    bool remove(const std::string& name);  // false when unknown
    const CommandSpec* find(const std::string& name) const;
    // The entry kept alive for the caller: a command may deregister itself
    // (unloadPlugin) or register others while it runs.
    std::shared_ptr<const CommandSpec> hold(const std::string& name) const;
    std::vector<std::string> names() const;
    void clear();  // session end: every command goes
private:
    // Registration order for names(); the map for lookups, which every
    // command line makes.
    std::vector<std::shared_ptr<const CommandSpec>> specs_;
    std::unordered_map<std::string, std::shared_ptr<const CommandSpec>> byName_;
};

struct ExecOptions {
    bool echo = false;
    bool recordUndo = false;                   // put undoable work on the host's undo queue
    std::vector<UndoStep>* collect = nullptr;  // or hand it to the caller (modifiers)
};

// Runs text of the command language (one or more statements).
MStatus executeCommandLanguage(std::string_view text, Value* result, const ExecOptions& options);

// Runs one already-parsed invocation through the registry.
MStatus invoke(const Invocation& call, Value* result, const ExecOptions& options);

// Nesting depth of running commands: only top-level work records undo.
int commandDepth();

// How many commands have run out of memory so far: a tool tells a run that
// was too large from one that failed by this count, not by the words posted.
size_t outOfMemoryCount();

}  // namespace host
