#include "core/command.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "core/messages.h"
#include "core/undo_queue.h"

namespace host {

namespace {

constexpr int kMaxCommandDepth = 100;

// One running command: where the undo steps of commands it runs in turn go.
// Plug-in commands undo their own work, so their frames have no sink.
struct Frame {
    std::vector<UndoStep>* sink;
};

std::vector<Frame>& frames() {
    static std::vector<Frame> stack;
    return stack;
}

size_t& outOfMemoryCounter() {
    static size_t count = 0;
    return count;
}

struct FrameGuard {
    explicit FrameGuard(std::vector<UndoStep>* sink) { frames().push_back(Frame{sink}); }
    ~FrameGuard() { frames().pop_back(); }
};

bool matches(const Value& value, ArgType type) {
    bool b;
    long long i;
    double d;
    std::string s;
    switch (type) {
    case ArgType::Bool:
        return toBool(value, b);
    case ArgType::Int:
        return toInt(value, i);
    case ArgType::Double:
        return toDouble(value, d);
    case ArgType::String:
        return toText(value, s);
    case ArgType::Any:
        return true;
    }
    return false;
}

bool parseWhole(const std::string& text, long long& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end || errno == ERANGE)
        return false;
    out = v;
    return true;
}

bool parseWhole(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (*end || errno == ERANGE || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// Python passes flag=value: a bare flag given False is not set at all, one
// given True has no argument, and a several-argument flag comes as one tuple.
// In query mode every flag is bare.
Invocation normalizedFromPython(const Invocation& call, const std::vector<FlagSyntax>& syntax) {
    Invocation out = call;
    out.flags.clear();
    const bool query = isQuery(call);
    for (const Flag& flag : call.flags) {
        const FlagSyntax* fs = findFlagSyntax(syntax, flag.name);
        Flag f = flag;
        const bool bare = fs && (fs->args.empty() || (query && fs->shortName != "q"));
        if (fs && bare && f.args.size() == 1) {
            bool on = true;
            if (toBool(f.args[0], on) && !on)
                continue;
            f.args.clear();
        } else if (fs && fs->args.size() > 1 && f.args.size() == 1 && f.args[0].isList()) {
            f.args = std::get<Value::List>(f.args[0].data);
        }
        out.flags.push_back(std::move(f));
    }
    return out;
}

MStatus runSpec(const CommandSpec& entry, const Invocation& call, CommandContext& context) {
    const bool ownsUndo = entry.owner != "host";
    FrameGuard frame(ownsUndo ? nullptr : &context.undo);
    try {
        return entry.run(call, context);
    } catch (const std::bad_alloc& e) {
        ++outOfMemoryCounter();
        postMessage(MessageKind::Error, call.command + ": " + failureText(e));
    } catch (const std::exception& e) {
        postMessage(MessageKind::Error, call.command + ": " + failureText(e));
    } catch (...) {
        postMessage(MessageKind::Error, call.command + ": unexpected failure");
    }
    return MStatus::kFailure;
}

// Where the work of a finished command goes: the caller, the command that
// runs it, or (top level only) the undo queue.
void placeUndo(const CommandSpec& entry, const Invocation& call, CommandContext& context,
               const ExecOptions& options, bool topLevel) {
    if (context.undo.empty())
        return;
    if (options.collect) {
        for (UndoStep& step : context.undo)
            options.collect->push_back(std::move(step));
        return;
    }
    if (!topLevel) {
        std::vector<UndoStep>* sink = frames().empty() ? nullptr : frames().back().sink;
        if (sink)
            for (UndoStep& step : context.undo)
                sink->push_back(std::move(step));
        return;
    }
    if (options.recordUndo && entry.undoable && !UndoQueue::instance().replaying())
        UndoQueue::instance().push(UndoEntry{call.command, std::move(context.undo)});
}

}  // namespace

const char* typeName(ArgType type) {
    switch (type) {
    case ArgType::Bool:
        return "a boolean";
    case ArgType::Int:
        return "an integer";
    case ArgType::Double:
        return "a number";
    case ArgType::String:
        return "a string";
    case ArgType::Any:
        return "a value";
    }
    return "a value";
}

const Flag* Invocation::flag(std::string_view shortName, std::string_view longName) const {
    for (auto it = flags.rbegin(); it != flags.rend(); ++it)
        if (it->name == shortName || it->name == longName)
            return &*it;
    return nullptr;
}

CommandRegistry& CommandRegistry::instance() {
    static CommandRegistry registry;
    return registry;
}

bool CommandRegistry::add(CommandSpec entry) {
    if (entry.name.empty() || !entry.run || find(entry.name))
        return false;
    auto shared = std::make_shared<const CommandSpec>(std::move(entry));
    byName_.emplace(shared->name, shared);
    specs_.push_back(std::move(shared));
    return true;
}

bool CommandRegistry::remove(const std::string& name) {
    auto found = byName_.find(name);
    if (found == byName_.end())
        return false;
    specs_.erase(std::find(specs_.begin(), specs_.end(), found->second));
    byName_.erase(found);
    return true;
}

const CommandSpec* CommandRegistry::find(const std::string& name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second.get();
}

std::shared_ptr<const CommandSpec> CommandRegistry::hold(const std::string& name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
}

std::vector<std::string> CommandRegistry::names() const {
    std::vector<std::string> out;
    for (const auto& entry : specs_)
        out.push_back(entry->name);
    return out;
}

void CommandRegistry::clear() {
    specs_.clear();
    byName_.clear();
}

const FlagSyntax* findFlagSyntax(const std::vector<FlagSyntax>& flags, std::string_view name) {
    for (const FlagSyntax& fs : flags)
        if (fs.shortName == name || fs.longName == name)
            return &fs;
    return nullptr;
}

bool isQuery(const Invocation& call) {
    const Flag* q = call.flag("q", "query");
    if (!q)
        return false;
    bool on = true;
    return q->args.empty() || !toBool(q->args[0], on) || on;
}

MStatus checkFlags(const Invocation& call, const std::vector<FlagSyntax>& flags) {
    const bool query = isQuery(call);
    for (const Flag& flag : call.flags) {
        const FlagSyntax* fs = findFlagSyntax(flags, flag.name);
        if (!fs) {
            postMessage(MessageKind::Error, call.command + ": invalid flag -" + flag.name);
            return MStatus::kInvalidParameter;
        }
        if (query && flag.args.empty())
            continue;
        if (flag.args.size() != fs->args.size()) {
            postMessage(MessageKind::Error, call.command + ": flag -" + flag.name + " expects " +
                                                std::to_string(fs->args.size()) +
                                                " argument(s), got " +
                                                std::to_string(flag.args.size()));
            return MStatus::kInvalidParameter;
        }
        for (std::size_t i = 0; i < fs->args.size(); ++i) {
            if (matches(flag.args[i], fs->args[i]))
                continue;
            postMessage(MessageKind::Error, call.command + ": flag -" + flag.name + " expects " +
                                                typeName(fs->args[i]) + ", got \"" +
                                                displayText(flag.args[i]) + "\"");
            return MStatus::kInvalidParameter;
        }
    }
    return MStatus::kSuccess;
}

bool toBool(const Value& value, bool& out) {
    if (value.isBool()) {
        out = std::get<bool>(value.data);
        return true;
    }
    if (value.isInt()) {
        out = std::get<long long>(value.data) != 0;
        return true;
    }
    if (value.isDouble()) {
        out = std::get<double>(value.data) != 0.0;
        return true;
    }
    if (!value.isString())
        return false;
    const std::string& s = std::get<std::string>(value.data);
    if (s == "true" || s == "on" || s == "yes" || s == "1") {
        out = true;
        return true;
    }
    if (s == "false" || s == "off" || s == "no" || s == "0") {
        out = false;
        return true;
    }
    return false;
}

bool toInt(const Value& value, long long& out) {
    if (value.isInt()) {
        out = std::get<long long>(value.data);
        return true;
    }
    if (value.isBool()) {
        out = std::get<bool>(value.data) ? 1 : 0;
        return true;
    }
    if (value.isDouble()) {
        double d = std::get<double>(value.data);
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.0e18)
            return false;
        out = static_cast<long long>(d);
        return true;
    }
    return value.isString() && parseWhole(std::get<std::string>(value.data), out);
}

bool toDouble(const Value& value, double& out) {
    if (value.isDouble()) {
        out = std::get<double>(value.data);
        return true;
    }
    if (value.isInt()) {
        out = static_cast<double>(std::get<long long>(value.data));
        return true;
    }
    if (value.isBool()) {
        out = std::get<bool>(value.data) ? 1.0 : 0.0;
        return true;
    }
    return value.isString() && parseWhole(std::get<std::string>(value.data), out);
}

bool toText(const Value& value, std::string& out) {
    if (value.isList() || value.isNone())
        return false;
    out = displayText(value);
    return true;
}

std::string displayText(const Value& value) {
    if (value.isString())
        return std::get<std::string>(value.data);
    if (value.isInt())
        return std::to_string(std::get<long long>(value.data));
    if (value.isBool())
        return std::get<bool>(value.data) ? "1" : "0";
    if (value.isDouble()) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", std::get<double>(value.data));
        return buffer;
    }
    if (value.isList()) {
        std::string out;
        for (const Value& item : std::get<Value::List>(value.data)) {
            if (!out.empty())
                out += ' ';
            out += displayText(item);
        }
        return out;
    }
    return std::string();
}

int commandDepth() {
    return static_cast<int>(frames().size());
}

size_t outOfMemoryCount() {
    return outOfMemoryCounter();
}

MStatus invoke(const Invocation& call, Value* result, const ExecOptions& options) {
    const std::shared_ptr<const CommandSpec> held = CommandRegistry::instance().hold(call.command);
    if (!held) {
        postMessage(MessageKind::Error, "Cannot find procedure \"" + call.command + "\".");
        return MStatus::kNotFound;
    }
    const CommandSpec& entry = *held;
    // Only Python's flag=value form needs rewriting; every other call is used as given.
    Invocation fromPython;
    const Invocation* normal = &call;
    if (call.fromPython && !entry.flags.empty()) {
        fromPython = normalizedFromPython(call, entry.flags);
        normal = &fromPython;
    }
    if (!entry.flags.empty()) {
        MStatus checked = checkFlags(*normal, entry.flags);
        if (!checked)
            return checked;
    }
    // Scripts that run themselves (a menu item's command calling its menu, say)
    // would otherwise end in a stack overflow.
    if (commandDepth() >= kMaxCommandDepth) {
        postMessage(MessageKind::Error, call.command + ": commands nested too deeply (more than " +
                                            std::to_string(kMaxCommandDepth) + ")");
        return MStatus::kFailure;
    }
    const bool topLevel = commandDepth() == 0;
    CommandContext context;
    context.echo = options.echo;
    MStatus status = runSpec(entry, *normal, context);
    if (result)
        *result = std::move(context.result);
    // Work of a failed command is still handed on: what it did change must stay undoable.
    placeUndo(entry, *normal, context, options, topLevel);
    return status;
}

}  // namespace host
