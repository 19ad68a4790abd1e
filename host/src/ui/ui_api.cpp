#include "ui/ui_api.h"

#include "core/python_bridge.h"
#include "ui/ui_commands.h"
#include "ui/ui_display.h"
#include "ui/ui_properties.h"

namespace host::ui {

namespace {

// A control's scripts, copied: a script may delete the very control that runs it.
std::vector<Script> scriptsOf(const Control& control, std::initializer_list<const char*> which) {
    std::vector<Script> scripts;
    for (const char* name : which) {
        auto found = control.scripts.find(name);
        if (found != control.scripts.end() && !found->second.text.empty())
            scripts.push_back(found->second);
    }
    return scripts;
}

// Work that the scripts' commands can undo reaches the undo queue through
// the command that pressed (or, pressed from C++ at top level, directly).
MStatus runScripts(const std::vector<Script>& scripts) {
    for (const Script& script : scripts) {
        MStatus status;
        if (script.python) {
            status = runPython(script.text);
        } else {
            ExecOptions options;
            options.recordUndo = true;
            status = executeCommandLanguage(script.text, nullptr, options);
        }
        if (!status)
            return status;
    }
    return MStatus(MStatus::kSuccess);
}

bool isOn(const Control& control, const char* property, bool fallback) {
    auto found = control.properties.find(property);
    bool on = fallback;
    if (found != control.properties.end())
        toBool(found->second, on);
    return on;
}

MStatus toggleCheckBox(Control& box) {
    const bool on = !isOn(box, "value", false);
    box.properties["value"] = Value(on);
    return runScripts(scriptsOf(box, {"changeCommand", on ? "onCommand" : "offCommand"}));
}

MStatus selectRadioButton(Control& button) {
    if (button.collection)
        button.collection->selected = &button;
    button.properties["select"] = Value(true);
    return runScripts(scriptsOf(button, {"changeCommand", "onCommand"}));
}

MStatus pressKind(const std::string& nameOrPath, Kind kind, const char* command) {
    Control* control = find(nameOrPath, kind);
    if (!control)
        return fail(command, notFound(nameOrPath));
    return runScripts(scriptsOf(*control, {"command"}));
}

MStatus uiPressCommand(const Invocation& call, CommandContext&) {
    if (!call.flags.empty())
        return fail(call.command, "invalid flag -" + call.flags.front().name);
    std::vector<std::string> names;
    if (!readNames(call, names))
        return MStatus(MStatus::kFailure);
    if (names.size() != 1)
        return fail(call.command, "needs the name of one control");
    return press(names.front());
}

}  // namespace

MStatus pressButton(const std::string& nameOrPath) {
    return pressKind(nameOrPath, Kind::Button, "button");
}

MStatus triggerMenuItem(const std::string& nameOrPath) {
    return pressKind(nameOrPath, Kind::MenuItem, "menuItem");
}

MStatus press(const std::string& nameOrPath) {
    Control* control = find(nameOrPath);
    if (!control)
        return fail("uiPress", notFound(nameOrPath));
    switch (control->kind) {
    case Kind::Button:
    case Kind::MenuItem:
        return runScripts(scriptsOf(*control, {"command"}));
    case Kind::CheckBox:
        return toggleCheckBox(*control);
    case Kind::RadioButton:
        return selectRadioButton(*control);
    default:
        return fail("uiPress", "'" + nameOrPath + "' is a " + kindName(control->kind) +
                                   ", which cannot be pressed");
    }
}

const Control* findControl(const std::string& nameOrPath) {
    return find(nameOrPath);
}

std::vector<std::string> windowNames() {
    std::vector<std::string> names;
    for (const auto& window : windows())
        names.push_back(window->name);
    return names;
}

std::string windowText(const std::string& nameOrPath) {
    const Control* window = find(nameOrPath, Kind::Window);
    return window ? describeWindow(*window) : std::string();
}

void registerPressCommand() {
    CommandSpec entry;
    entry.name = "uiPress";
    entry.run = uiPressCommand;
    entry.undoable = true;
    entry.owner = "host";
    registerCommand(std::move(entry));
}

}  // namespace host::ui
