#pragma once
// The commands that move between and act on whole records: setParent,
// showWindow and deleteUI.

namespace host::ui {

void registerWindowCommands();

}  // namespace host::ui
