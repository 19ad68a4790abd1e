#include "plugins/plugin_command.h"

#include <memory>
#include <vector>

#include <maya/MArgList.h>
#include <maya/MPxCommand.h>
#include <maya/MSyntax.h>

#include "core/messages.h"
#include "plugins/plugin_loader.h"

namespace host {

namespace {

std::vector<Value*>& resultSlots() {
    static std::vector<Value*> slots;
    return slots;
}

struct ResultSlot {
    explicit ResultSlot(Value* slot) { resultSlots().push_back(slot); }
    ~ResultSlot() { resultSlots().pop_back(); }
};

// Counts the calls into a plug-in's code so it is not unloaded under them.
struct RunningGuard {
    LoadedPlugin* plugin;
    explicit RunningGuard(const std::string& owner) : plugin(findPlugin(owner)) {
        if (plugin)
            ++plugin->runningCommands;
    }
    ~RunningGuard() {
        if (plugin)
            --plugin->runningCommands;
    }
};

ArgType toArgType(MSyntax::MArgType type) {
    switch (type) {
    case MSyntax::kBoolean:
        return ArgType::Bool;
    case MSyntax::kLong:
    case MSyntax::kUnsigned:
        return ArgType::Int;
    case MSyntax::kDouble:
    case MSyntax::kDistance:
    case MSyntax::kAngle:
    case MSyntax::kTime:
        return ArgType::Double;
    case MSyntax::kString:
        return ArgType::String;
    default:
        return ArgType::Any;
    }
}

std::vector<FlagSyntax> flagSyntaxOf(MCreateSyntaxFunction createSyntax) {
    std::vector<FlagSyntax> out;
    if (!createSyntax)
        return out;
    const MSyntax syntax = createSyntax();
    for (const MSyntax::FlagInfo& info : syntax.flags()) {
        FlagSyntax fs{info.shortName.str(), info.longName.str(), {}};
        for (MSyntax::MArgType type : info.args)
            fs.args.push_back(toArgType(type));
        out.push_back(std::move(fs));
    }
    return out;
}

void addValue(MArgList& list, const Value& value) {
    if (value.isList()) {
        for (const Value& item : std::get<Value::List>(value.data))
            addValue(list, item);
    } else if (value.isBool()) {
        list.addArg(std::get<bool>(value.data));
    } else {
        list.addArg(MString(displayText(value)));
    }
}

// Flags first, each followed by its values, then the positional arguments.
MArgList argListOf(const Invocation& call, bool hasSyntax) {
    MArgList list;
    for (const Flag& flag : call.flags) {
        // Python's name=True / name=False for a flag without a declared syntax.
        if (call.fromPython && !hasSyntax && flag.args.size() == 1 && flag.args[0].isBool()) {
            if (std::get<bool>(flag.args[0].data))
                list.addFlag(MString(flag.name));
            continue;
        }
        list.addFlag(MString(flag.name));
        for (const Value& arg : flag.args)
            addValue(list, arg);
    }
    for (const Value& arg : call.args)
        addValue(list, arg);
    return list;
}

using CommandPtr = std::shared_ptr<MPxCommand>;

CommandPtr create(MCreatorFunction creator, const std::string& owner) {
    MPxCommand* object = static_cast<MPxCommand*>(creator());
    if (!object)
        return nullptr;
    if (LoadedPlugin* plugin = findPlugin(owner))
        ++plugin->liveCommands;
    return CommandPtr(object, [owner](MPxCommand* p) {
        RunningGuard running(owner);
        delete p;
        if (LoadedPlugin* plugin = findPlugin(owner))
            --plugin->liveCommands;
    });
}

UndoStep undoStepOf(const CommandPtr& command, const std::string& owner) {
    auto replay = [command, owner](bool undo) {
        RunningGuard running(owner);
        MStatus status = undo ? command->undoIt() : command->redoIt();
        if (!status)
            postMessage(MessageKind::Error, std::string(undo ? "undo" : "redo") +
                                                " failed: " + status.errorString().asChar());
    };
    return UndoStep{[replay] { replay(true); }, [replay] { replay(false); }};
}

std::vector<std::string>& runningNames() {
    static std::vector<std::string> names;
    return names;
}

struct NameGuard {
    explicit NameGuard(const std::string& name) { runningNames().push_back(name); }
    ~NameGuard() { runningNames().pop_back(); }
};

MStatus runPluginCommand(const Invocation& call, CommandContext& context, MCreatorFunction creator,
                         bool hasSyntax, const std::string& owner) {
    RunningGuard running(owner);
    NameGuard name(call.command);
    CommandPtr command = create(creator, owner);
    if (!command) {
        postMessage(MessageKind::Error,
                    call.command + ": the plug-in's creator returned no command object");
        return MStatus::kFailure;
    }
    MStatus status;
    {
        ResultSlot slot(&context.result);
        status = command->doIt(argListOf(call, hasSyntax));
    }
    if (status && command->isUndoable())
        context.undo.push_back(undoStepOf(command, owner));
    return status;
}

}  // namespace

const std::string* runningPluginCommand() {
    return runningNames().empty() ? nullptr : &runningNames().back();
}

Value* currentCommandResult() {
    return resultSlots().empty() ? nullptr : resultSlots().back();
}

CommandSpec pluginCommandSpec(const std::string& name, MCreatorFunction creator,
                              MCreateSyntaxFunction createSyntax, const std::string& owner) {
    CommandSpec entry;
    entry.name = name;
    entry.owner = owner;
    entry.undoable = true;  // each object decides through isUndoable()
    entry.flags = flagSyntaxOf(createSyntax);
    const bool hasSyntax = !entry.flags.empty();
    entry.run = [creator, hasSyntax, owner](const Invocation& call, CommandContext& context) {
        return runPluginCommand(call, context, creator, hasSyntax, owner);
    };
    return entry;
}

}  // namespace host
