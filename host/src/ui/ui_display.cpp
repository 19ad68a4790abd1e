#include "ui/ui_display.h"

#include "ui/ui_properties.h"

namespace host::ui {

namespace {

std::string text(const Control& control, const char* property) {
    auto found = control.properties.find(property);
    std::string out;
    if (found != control.properties.end())
        toText(found->second, out);
    return out;
}

bool flag(const Control& control, const char* property, bool fallback) {
    auto found = control.properties.find(property);
    bool out = fallback;
    if (found != control.properties.end())
        toBool(found->second, out);
    return out;
}

bool isSelected(const Control& button) {
    if (button.collection)
        return button.collection->selected == &button;
    return flag(button, "select", false);
}

void describe(const Control& control, int depth, std::string& out);

void describeChildren(const Control& control, int depth, std::string& out) {
    for (const auto& child : control.children)
        describe(*child, depth, out);
}

void line(int depth, const std::string& content, std::string& out) {
    out += std::string(2 * static_cast<size_t>(depth), ' ') + content + "\n";
}

void describeTabs(const Control& tabs, int depth, std::string& out) {
    std::string bar;
    std::string selected = tabs.children.empty() ? "" : tabs.children.front()->name;
    for (const auto& tab : tabs.children)
        if (tab->name == text(tabs, "selectTab"))
            selected = tab->name;
    for (const auto& tab : tabs.children)
        bar +=
            (bar.empty() ? "" : " ") + (tab->name == selected ? "[" + tab->name + "]" : tab->name);
    line(depth, "Tabs: " + bar, out);
    for (const auto& tab : tabs.children) {
        line(depth, "-- " + tab->name + " --", out);
        describeChildren(*tab, depth + 1, out);
    }
}

void describeMenu(const Control& menu, int depth, std::string& out) {
    std::string items;
    for (const auto& item : menu.children)
        items += (items.empty() ? "" : " | ") + text(*item, "label");
    line(depth, "Menu " + text(menu, "label") + ": " + items, out);
}

void describe(const Control& control, int depth, std::string& out) {
    if (!flag(control, "visible", true))
        return;
    const std::string label = text(control, "label");
    switch (control.kind) {
    case Kind::Window:
        describeChildren(control, depth, out);
        break;
    case Kind::Menu:
        describeMenu(control, depth, out);
        break;
    case Kind::TabLayout:
        describeTabs(control, depth, out);
        break;
    case Kind::ColumnLayout:
        describeChildren(control, depth, out);
        break;
    case Kind::CheckBox:
        line(depth, std::string(flag(control, "value", false) ? "[x] " : "[ ] ") + label, out);
        break;
    case Kind::TextFieldGrp:
        line(depth, label + ": [" + text(control, "text") + "]", out);
        break;
    case Kind::Text:
        line(depth, label, out);
        break;
    case Kind::RadioButton:
        line(depth, std::string(isSelected(control) ? "(o) " : "( ) ") + label, out);
        break;
    case Kind::Button:
        line(depth, "[" + label + "]", out);
        break;
    case Kind::RadioCollection:
    case Kind::MenuItem:
        break;
    }
}

}  // namespace

std::string describeWindow(const Control& window) {
    std::string out = "Window: " + text(window, "title") + " (" + window.name;
    auto width = window.properties.find("width");
    auto height = window.properties.find("height");
    if (width != window.properties.end() && height != window.properties.end()) {
        std::string w, h;
        toText(width->second, w);
        toText(height->second, h);
        out += ", " + w + " x " + h;
    }
    out += ")\n";
    describe(window, 1, out);
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

}  // namespace host::ui
