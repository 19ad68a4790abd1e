#pragma once
// What a person does at a window, for a host without a display: press a
// button, pick a menu item, click a check box or radio button. The command
// attached to the control runs in the language it was written in (Python
// when the control was made from Python, the command language otherwise).
// Also read access to the window tree for tests and tools.
#include <string>
#include <vector>

#include <maya/MStatus.h>

#include "core/command.h"
#include "ui/ui_tree.h"

namespace host::ui {

// Runs the button's command. Failure (and an error naming it) when there is
// no such button or its command fails.
MStatus pressButton(const std::string& nameOrPath);

// Runs the menu item's command.
MStatus triggerMenuItem(const std::string& nameOrPath);

// Clicks any control: a button or menu item runs its command, a check box
// toggles, a radio button becomes the selected one of its collection; change
// commands run after the value changed.
MStatus press(const std::string& nameOrPath);

// The record with that short name or path, or nullptr.
const Control* findControl(const std::string& nameOrPath);

// The full paths of every top-level window, the main window first.
std::vector<std::string> windowNames();

// The window as showWindow draws it; "" when there is no such window.
std::string windowText(const std::string& nameOrPath);

// Registers "uiPress NAME", the shell's way to click a control.
void registerPressCommand();

}  // namespace host::ui
