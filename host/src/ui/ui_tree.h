#pragma once
// The host's user interface as records: windows holding layouts, layouts
// holding controls, windows holding menus, menus holding items. A control is
// addressed by its short name or by its full path ("newWindow|tabs|format|tf1").
// Records are plain data; the UI commands give them their behaviour.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace host::ui {

enum class Kind {
    Window,
    TabLayout,
    ColumnLayout,
    CheckBox,
    TextFieldGrp,
    Text,
    RadioCollection,
    RadioButton,
    Button,
    Menu,
    MenuItem,
};

// The command that makes a record of this kind ("checkBox", "window", ...).
const char* kindName(Kind kind);
bool isLayout(Kind kind);

// Script text attached to a control; it runs in the language it was written in.
struct Script {
    std::string text;
    bool python = false;
};

struct Control {
    Kind kind = Kind::Window;
    std::string name;
    Control* parent = nullptr;
    std::vector<std::unique_ptr<Control>> children;
    std::map<std::string, Value> properties;  // by the long flag name
    std::map<std::string, Script> scripts;    // "command", "changeCommand", ...
    Control* collection = nullptr;            // a radio button's collection
    Control* selected = nullptr;              // a radio collection's selected button
    bool shown = false;                       // a window that showWindow has opened

    std::string path() const;
    Control* window();
    const Control* window() const;
};

// Every top-level window, the main window first.
const std::vector<std::unique_ptr<Control>>& windows();

// The main window of the host, always present; the command language's
// $gMainWindow names it.
extern const char* const kMainWindowName;
Control* mainWindow();

// By full path, partial path or short name; the first match in window order.
Control* find(std::string_view nameOrPath);
// As find(), but only a record of the given kind.
Control* find(std::string_view nameOrPath, Kind kind);

// Whether a name can be given to a record: not empty, no path separator.
bool isValidName(std::string_view name);

// A name "<kind><n>" not used by any record yet.
std::string uniqueName(Kind kind);

// Adds a record under parent (nullptr for a window). The name must be valid
// and not taken among its siblings (or among windows); nullptr otherwise.
Control* add(Kind kind, const std::string& name, Control* parent);

// Removes a record with everything under it; every reference to a removed
// record (current parents, radio selections) is dropped.
void remove(Control* control);

// Where the next layout or control goes, and where the next menu item goes.
Control* currentParent();
void setCurrentParent(Control* control);
Control* currentMenu();
void setCurrentMenu(Control* menu);
Control* currentCollection();
void setCurrentCollection(Control* collection);

// Back to the main window alone.
void clear();

}  // namespace host::ui
