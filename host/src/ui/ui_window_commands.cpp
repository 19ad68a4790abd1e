#include "ui/ui_window_commands.h"

#include "core/messages.h"
#include "ui/ui_commands.h"
#include "ui/ui_display.h"
#include "ui/ui_properties.h"
#include "ui/ui_tree.h"

namespace host::ui {

namespace {

using Switches = std::vector<std::pair<const char*, const char*>>;

const Switches kSetParentFlags = {
    {"m", "menu"}, {"q", "query"}, {"top", "topLevel"}, {"u", "upLevel"}};
const Switches kDeleteUiFlags = {
    {"wnd", "window"}, {"m", "menu"}, {"mi", "menuItem"}, {"lay", "layout"}, {"ctl", "control"}};

MStatus rejectUnknownFlags(const Invocation& call, const Switches& known) {
    for (const Flag& flag : call.flags) {
        bool isKnown = false;
        for (const auto& [shortName, longName] : known)
            isKnown = isKnown || flag.name == shortName || flag.name == longName;
        if (!isKnown)
            return fail(call.command, "invalid flag -" + flag.name);
    }
    return MStatus(MStatus::kSuccess);
}

bool flagOn(const Invocation& call, const char* shortName, const char* longName) {
    const Flag* flag = call.flag(shortName, longName);
    return flag && isSwitchOn(flag->args);
}

MStatus setMenuParent(const Invocation& call, const std::string& target, CommandContext& context) {
    if (target == "..") {
        Control* menu = currentMenu();
        setCurrentMenu(menu && menu->parent && menu->parent->kind == Kind::Menu ? menu->parent
                                                                                : nullptr);
    } else {
        Control* menu = find(target, Kind::Menu);
        if (!menu)
            return fail(call.command, notFound(target));
        setCurrentMenu(menu);
    }
    context.result = Value(currentMenu() ? currentMenu()->path() : std::string("NONE"));
    return MStatus(MStatus::kSuccess);
}

// The layout or window that the next layout or control goes into.
MStatus setLayoutParent(const Invocation& call, const std::string& target,
                        CommandContext& context) {
    if (target == "..") {
        Control* current = currentParent();
        setCurrentParent(current && current->parent ? current->parent : current);
    } else {
        Control* parent = find(target);
        if (!parent)
            return fail(call.command, notFound(target));
        if (parent->kind != Kind::Window && !isLayout(parent->kind))
            return fail(call.command, "'" + target + "' is not a window or layout");
        setCurrentParent(parent);
    }
    context.result = Value(currentParent() ? currentParent()->path() : std::string("NONE"));
    return MStatus(MStatus::kSuccess);
}

MStatus setParentCommand(const Invocation& call, CommandContext& context) {
    MStatus status = rejectUnknownFlags(call, kSetParentFlags);
    std::vector<std::string> names;
    if (!status || !readNames(call, names))
        return MStatus(MStatus::kFailure);
    const bool menu = flagOn(call, "m", "menu");
    if (flagOn(call, "q", "query")) {
        Control* current = menu ? currentMenu() : currentParent();
        context.result = Value(current ? current->path() : std::string("NONE"));
        return MStatus(MStatus::kSuccess);
    }
    if (flagOn(call, "top", "topLevel")) {
        setCurrentParent(nullptr);
        context.result = Value("NONE");
        return MStatus(MStatus::kSuccess);
    }
    if (flagOn(call, "u", "upLevel"))
        names.push_back("..");
    if (names.size() != 1)
        return fail(call.command, "needs one layout, menu or '..'");
    return menu ? setMenuParent(call, names.front(), context)
                : setLayoutParent(call, names.front(), context);
}

MStatus showWindowCommand(const Invocation& call, CommandContext&) {
    MStatus status = rejectUnknownFlags(call, Switches());
    std::vector<std::string> names;
    if (!status || !readNames(call, names))
        return MStatus(MStatus::kFailure);
    if (names.size() > 1)
        return fail(call.command, "takes one window");
    Control* window = nullptr;
    if (names.empty()) {
        window = currentParent() ? currentParent()->window() : nullptr;
        if (!window)
            return fail(call.command, "no window to show");
    } else {
        window = find(names.front(), Kind::Window);
        if (!window)
            return fail(call.command, notFound(names.front()));
    }
    window->shown = true;
    postMessage(MessageKind::Info, describeWindow(*window));
    return MStatus(MStatus::kSuccess);
}

bool matchesDeleteKind(const Invocation& call, const Control& control) {
    if (flagOn(call, "wnd", "window"))
        return control.kind == Kind::Window;
    if (flagOn(call, "m", "menu"))
        return control.kind == Kind::Menu;
    if (flagOn(call, "mi", "menuItem"))
        return control.kind == Kind::MenuItem;
    if (flagOn(call, "lay", "layout"))
        return isLayout(control.kind);
    if (flagOn(call, "ctl", "control"))
        return control.kind != Kind::Window && control.kind != Kind::Menu &&
               control.kind != Kind::MenuItem;
    return true;
}

// A name may be shared by records of several kinds; take the kind asked for.
Control* findToDelete(const Invocation& call, const std::string& name) {
    for (Kind kind : {Kind::Window, Kind::Menu, Kind::MenuItem, Kind::TabLayout, Kind::ColumnLayout,
                      Kind::CheckBox, Kind::TextFieldGrp, Kind::Text, Kind::RadioCollection,
                      Kind::RadioButton, Kind::Button}) {
        Control* candidate = find(name, kind);
        if (candidate && matchesDeleteKind(call, *candidate))
            return candidate;
    }
    return nullptr;
}

// Every name is checked before anything goes, so a bad name deletes nothing.
MStatus deleteUiCommand(const Invocation& call, CommandContext&) {
    MStatus status = rejectUnknownFlags(call, kDeleteUiFlags);
    std::vector<std::string> names;
    if (!status || !readNames(call, names))
        return MStatus(MStatus::kFailure);
    if (names.empty())
        return fail(call.command, "needs the name of what to delete");
    std::vector<std::pair<std::string, Kind>> doomed;
    for (const std::string& name : names) {
        Control* control = findToDelete(call, name);
        if (!control)
            return fail(call.command, notFound(name));
        if (control == mainWindow())
            return fail(call.command, "the main window cannot be deleted");
        doomed.emplace_back(control->path(), control->kind);
    }
    // Looked up again: an earlier name may have taken a later one with it.
    for (const auto& [path, kind] : doomed)
        if (Control* control = find(path, kind))
            remove(control);
    return MStatus(MStatus::kSuccess);
}

// Every flag of these commands is a bare switch.
void add(const char* name, CommandFn run, const Switches& switches) {
    CommandSpec entry;
    entry.name = name;
    entry.run = std::move(run);
    entry.owner = "host";
    for (const auto& [shortName, longName] : switches)
        entry.flags.push_back({shortName, longName, {}});
    registerCommand(std::move(entry));
}

}  // namespace

void registerWindowCommands() {
    add("setParent", setParentCommand, kSetParentFlags);
    add("showWindow", showWindowCommand, Switches());
    add("deleteUI", deleteUiCommand, kDeleteUiFlags);
}

}  // namespace host::ui
