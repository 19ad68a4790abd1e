#include "ui/ui_api.h"

#include "core/python_bridge.h"
#include "python/cmds_module.h"
#include "ui/ui_commands.h"
#include "ui/ui_display.h"
#include "ui/ui_properties.h"

namespace host::ui {

namespace {

MStatus runScript(const Control& control, const char* which, std::vector<UndoStep>* undo) {
    auto found = control.scripts.find(which);
    if (found == control.scripts.end() || found->second.text.empty())
        return MStatus(MStatus::kSuccess);
    const Script& script = found->second;
    if (script.python) {
        python::UndoSinkScope scope(undo);
        return runPython(script.text);
    }
    ExecOptions options;
    if (undo)
        options.collect = undo;
    else
        options.recordUndo = commandDepth() == 0;
    return executeCommandLanguage(script.text, nullptr, options);
}

bool isOn(const Control& control, const char* property, bool fallback) {
    auto found = control.properties.find(property);
    bool on = fallback;
    if (found != control.properties.end())
        readBool(found->second, on);
    return on;
}

MStatus toggleCheckBox(Control& box, std::vector<UndoStep>* undo) {
    const bool on = !isOn(box, "value", false);
    box.properties["value"] = Value(on);
    MStatus status = runScript(box, "changeCommand", undo);
    if (status)
        status = runScript(box, on ? "onCommand" : "offCommand", undo);
    return status;
}

MStatus selectRadioButton(Control& button, std::vector<UndoStep>* undo) {
    if (button.collection)
        button.collection->selected = &button;
    button.properties["select"] = Value(true);
    MStatus status = runScript(button, "changeCommand", undo);
    if (status)
        status = runScript(button, "onCommand", undo);
    return status;
}

MStatus pressKind(const std::string& nameOrPath, Kind kind, const char* command) {
    Control* control = find(nameOrPath, kind);
    if (!control)
        return fail(command, notFound(nameOrPath));
    return runScript(*control, "command", nullptr);
}

MStatus uiPressCommand(const Invocation& call, CommandContext& context) {
    if (!call.flags.empty())
        return fail(call.command, "invalid flag -" + call.flags.front().name);
    std::vector<std::string> names;
    if (!readNames(call, names))
        return MStatus(MStatus::kFailure);
    if (names.size() != 1)
        return fail(call.command, "needs the name of one control");
    return press(names.front(), &context.undo);
}

}  // namespace

MStatus pressButton(const std::string& nameOrPath) {
    return pressKind(nameOrPath, Kind::Button, "button");
}

MStatus triggerMenuItem(const std::string& nameOrPath) {
    return pressKind(nameOrPath, Kind::MenuItem, "menuItem");
}

MStatus press(const std::string& nameOrPath, std::vector<UndoStep>* undo) {
    Control* control = find(nameOrPath);
    if (!control)
        return fail("uiPress", notFound(nameOrPath));
    switch (control->kind) {
    case Kind::Button:
    case Kind::MenuItem: return runScript(*control, "command", undo);
    case Kind::CheckBox: return toggleCheckBox(*control, undo);
    case Kind::RadioButton: return selectRadioButton(*control, undo);
    default: return fail("uiPress", "'" + nameOrPath + "' is a " + kindName(control->kind) +
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
    CommandSpec spec;
    spec.name = "uiPress";
    spec.run = uiPressCommand;
    spec.undoable = true;
    spec.owner = "host";
    CommandRegistry::instance().add(std::move(spec));
}

}  // namespace host::ui
