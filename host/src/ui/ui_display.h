#pragma once
// A window as a person at it would see it, drawn as text for a host without a
// display: the title, the menus, each tab with its label and each control with
// its label and value.
#include <string>

#include "ui/ui_tree.h"

namespace host::ui {

std::string describeWindow(const Control& window);

}  // namespace host::ui
