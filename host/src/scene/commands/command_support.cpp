#include "scene/commands/command_support.h"

#include "core/messages.h"
#include "scene/selection.h"

namespace host::scene {

MStatus commandError(const Invocation& call, const std::string& message) {
    postMessage(MessageKind::Error, call.command + ": " + message);
    return MStatus::kInvalidParameter;
}

bool flagText(const Invocation& call, const char* shortName, const char* longName,
              std::string& out) {
    const Flag* flag = call.flag(shortName, longName);
    return flag && !flag->args.empty() && toText(flag->args[0], out);
}

bool flagNumber(const Invocation& call, const char* shortName, const char* longName, double& out) {
    const Flag* flag = call.flag(shortName, longName);
    return flag && !flag->args.empty() && toDouble(flag->args[0], out);
}

bool flagOn(const Invocation& call, const char* shortName, const char* longName) {
    const Flag* flag = call.flag(shortName, longName);
    if (!flag)
        return false;
    bool on = true;
    return flag->args.empty() || !toBool(flag->args[0], on) || on;
}

static bool appendTexts(const Value& value, std::vector<std::string>& out) {
    if (value.isList()) {
        for (const Value& item : std::get<Value::List>(value.data))
            if (!appendTexts(item, out))
                return false;
        return true;
    }
    std::string text;
    if (!toText(value, text))
        return false;
    out.push_back(text);
    return true;
}

bool positionalTexts(const Invocation& call, std::vector<std::string>& out) {
    for (const Value& arg : call.args)
        if (!appendTexts(arg, out))
            return false;
    return true;
}

bool targetNodes(const Invocation& call, std::vector<Node*>& out) {
    std::vector<std::string> names;
    if (!positionalTexts(call, names)) {
        commandError(call, "arguments must be object names");
        return false;
    }
    std::vector<SelectionItem> items;
    if (names.empty())
        items = selection();
    for (const std::string& name : names) {
        std::string error;
        if (!resolveSelection(name, items, error)) {
            commandError(call, error);
            return false;
        }
    }
    for (const SelectionItem& item : items) {
        Node* node = item.node.get();
        if (node->alive && std::find(out.begin(), out.end(), node) == out.end())
            out.push_back(node);
    }
    return true;
}

Value stringList(const std::vector<std::string>& texts) {
    Value::List list;
    for (const std::string& t : texts)
        list.emplace_back(t);
    return Value(std::move(list));
}

void addSceneCommand(const std::string& name, std::vector<FlagSyntax> flags, CommandFn run,
                     bool undoable) {
    CommandSpec entry;
    entry.name = name;
    entry.run = std::move(run);
    entry.undoable = undoable;
    entry.owner = "host";
    entry.flags = std::move(flags);
    CommandRegistry::instance().add(std::move(entry));
}

}  // namespace host::scene
