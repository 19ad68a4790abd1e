#pragma once
// The commands that make, query and edit UI records: window, tabLayout,
// columnLayout, checkBox, textFieldGrp, text, radioCollection, radioButton,
// button, menu and menuItem. Each creates by default, reads one property with
// query, changes properties with edit, and answers exists.

namespace host::ui {

void registerControlCommands();

}  // namespace host::ui
