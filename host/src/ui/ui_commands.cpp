#include "ui/ui_commands.h"

#include "core/messages.h"
#include "core/session.h"
#include "ui/ui_api.h"
#include "ui/ui_control_commands.h"
#include "ui/ui_tree.h"
#include "ui/ui_window_commands.h"

namespace host::ui {

MStatus fail(const std::string& command, const std::string& text) {
    postMessage(MessageKind::Error, command + ": " + text);
    return MStatus(MStatus::kFailure);
}

std::string notFound(const std::string& name) {
    return "Object '" + name + "' not found.";
}

void registerCommand(CommandSpec entry) {
    const std::string name = entry.name;
    if (!CommandRegistry::instance().add(std::move(entry)))
        postMessage(MessageKind::Error, name + ": a command of this name is already registered");
}

bool readNames(const Invocation& call, std::vector<std::string>& names) {
    names.clear();
    for (const Value& arg : call.args) {
        if (!arg.isString()) {
            fail(call.command, "names must be strings");
            return false;
        }
        names.push_back(std::get<std::string>(arg.data));
    }
    return true;
}

}  // namespace host::ui

namespace host {

void registerUiCommands() {
    ui::registerControlCommands();
    ui::registerWindowCommands();
    ui::registerPressCommand();
}

void resetUi() {
    ui::clear();
}

}  // namespace host
