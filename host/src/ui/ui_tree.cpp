#include "ui/ui_tree.h"

#include <algorithm>
#include <cassert>
#include <functional>

namespace host::ui {

const char* const kMainWindowName = "MayaWindow";

namespace {

struct Tree {
    std::vector<std::unique_ptr<Control>> windows;
    Control* currentParent = nullptr;
    Control* currentMenu = nullptr;
    Control* currentCollection = nullptr;
};

Tree& tree() {
    static Tree instance;
    return instance;
}

void ensureMainWindow() {
    Tree& t = tree();
    if (!t.windows.empty())
        return;
    auto main = std::make_unique<Control>();
    main->kind = Kind::Window;
    main->name = kMainWindowName;
    main->properties["title"] = Value("kivano");
    main->shown = true;
    t.windows.push_back(std::move(main));
}

// Depth first, parents before children; stops when visit returns true.
bool walk(Control& control, const std::function<bool(Control&)>& visit) {
    if (visit(control))
        return true;
    for (auto& child : control.children)
        if (walk(*child, visit))
            return true;
    return false;
}

bool walkAll(const std::function<bool(Control&)>& visit) {
    ensureMainWindow();
    for (auto& window : tree().windows)
        if (walk(*window, visit))
            return true;
    return false;
}

bool endsWithPath(const std::string& path, std::string_view query) {
    if (path.size() < query.size())
        return false;
    if (path.compare(path.size() - query.size(), query.size(), query) != 0)
        return false;
    return path.size() == query.size() || path[path.size() - query.size() - 1] == '|';
}

bool contains(const Control& root, const Control* target) {
    if (!target)
        return false;
    for (const Control* c = target; c; c = c->parent)
        if (c == &root)
            return true;
    return false;
}

}  // namespace

const char* kindName(Kind kind) {
    switch (kind) {
    case Kind::Window:
        return "window";
    case Kind::TabLayout:
        return "tabLayout";
    case Kind::ColumnLayout:
        return "columnLayout";
    case Kind::CheckBox:
        return "checkBox";
    case Kind::TextFieldGrp:
        return "textFieldGrp";
    case Kind::Text:
        return "text";
    case Kind::RadioCollection:
        return "radioCollection";
    case Kind::RadioButton:
        return "radioButton";
    case Kind::Button:
        return "button";
    case Kind::Menu:
        return "menu";
    case Kind::MenuItem:
        return "menuItem";
    }
    return "control";
}

bool isLayout(Kind kind) {
    return kind == Kind::TabLayout || kind == Kind::ColumnLayout;
}

std::string Control::path() const {
    return parent ? parent->path() + "|" + name : name;
}

Control* Control::window() {
    Control* c = this;
    while (c->parent)
        c = c->parent;
    return c;
}

const Control* Control::window() const {
    const Control* c = this;
    while (c->parent)
        c = c->parent;
    return c;
}

const std::vector<std::unique_ptr<Control>>& windows() {
    ensureMainWindow();
    return tree().windows;
}

Control* mainWindow() {
    ensureMainWindow();
    return tree().windows.front().get();
}

Control* find(std::string_view nameOrPath) {
    if (nameOrPath.empty())
        return nullptr;
    Control* found = nullptr;
    walkAll([&](Control& c) {
        if (c.name == nameOrPath ||
            (nameOrPath.find('|') != std::string_view::npos && endsWithPath(c.path(), nameOrPath)))
            found = &c;
        return found != nullptr;
    });
    return found;
}

Control* find(std::string_view nameOrPath, Kind kind) {
    if (nameOrPath.empty())
        return nullptr;
    Control* found = nullptr;
    walkAll([&](Control& c) {
        if (c.kind == kind &&
            (c.name == nameOrPath || (nameOrPath.find('|') != std::string_view::npos &&
                                      endsWithPath(c.path(), nameOrPath))))
            found = &c;
        return found != nullptr;
    });
    return found;
}

bool isValidName(std::string_view name) {
    return !name.empty() && name.find('|') == std::string_view::npos;
}

std::string uniqueName(Kind kind) {
    for (unsigned n = 1;; ++n) {
        std::string candidate = kindName(kind) + std::to_string(n);
        if (!find(candidate))
            return candidate;
    }
}

Control* add(Kind kind, const std::string& name, Control* parent) {
    ensureMainWindow();
    if (!isValidName(name))
        return nullptr;
    auto& siblings = parent ? parent->children : tree().windows;
    for (auto& sibling : siblings)
        if (sibling->name == name)
            return nullptr;
    auto control = std::make_unique<Control>();
    control->kind = kind;
    control->name = name;
    control->parent = parent;
    siblings.push_back(std::move(control));
    return siblings.back().get();
}

void remove(Control* control) {
    assert(control);
    Tree& t = tree();
    if (contains(*control, t.currentParent))
        t.currentParent = nullptr;
    if (contains(*control, t.currentMenu))
        t.currentMenu = nullptr;
    if (contains(*control, t.currentCollection))
        t.currentCollection = nullptr;
    walkAll([&](Control& c) {
        if (contains(*control, c.selected))
            c.selected = nullptr;
        if (contains(*control, c.collection))
            c.collection = nullptr;
        return false;
    });
    auto& siblings = control->parent ? control->parent->children : t.windows;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [&](const auto& c) { return c.get() == control; }),
                   siblings.end());
    ensureMainWindow();
}

Control* currentParent() {
    return tree().currentParent;
}
void setCurrentParent(Control* control) {
    tree().currentParent = control;
}
Control* currentMenu() {
    return tree().currentMenu;
}
void setCurrentMenu(Control* menu) {
    tree().currentMenu = menu;
}
Control* currentCollection() {
    return tree().currentCollection;
}
void setCurrentCollection(Control* collection) {
    tree().currentCollection = collection;
}

void clear() {
    Tree& t = tree();
    t.currentParent = nullptr;
    t.currentMenu = nullptr;
    t.currentCollection = nullptr;
    t.windows.clear();
    ensureMainWindow();
}

}  // namespace host::ui
