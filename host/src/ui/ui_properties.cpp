#include "ui/ui_properties.h"

namespace host::ui {

namespace {

using A = ArgType;
constexpr bool kQueryOnly = true;

std::vector<Property> withCommon(std::vector<Property> own) {
    static const std::vector<Property> common = {
        {"w", "width", {A::Int}},           {"h", "height", {A::Int}},
        {"en", "enable", {A::Bool}},        {"vis", "visible", {A::Bool}},
        {"ann", "annotation", {A::String}},
    };
    own.insert(own.end(), common.begin(), common.end());
    return own;
}

std::vector<Property> layoutProperties(std::vector<Property> own) {
    own.push_back({"nch", "numberOfChildren", {}, kQueryOnly});
    own.push_back({"ca", "childArray", {}, kQueryOnly});
    return withCommon(std::move(own));
}

const std::vector<Property>& windowProperties() {
    static const std::vector<Property> p = {
        {"t", "title", {A::String}},   {"wh", "widthHeight", {A::Int, A::Int}},
        {"w", "width", {A::Int}},      {"h", "height", {A::Int}},
        {"s", "sizeable", {A::Bool}},  {"mb", "menuBar", {A::Bool}},
        {"vis", "visible", {A::Bool}}, {"ia", "iconName", {A::String}},
    };
    return p;
}

const std::vector<Property>& tabLayoutProperties() {
    static const std::vector<Property> p = layoutProperties({
        {"i", "image", {A::String}},
        {"iv", "imageVisible", {A::Bool}},
        {"st", "selectTab", {A::String}},
        {"tl", "tabLabel", {}, kQueryOnly},
    });
    return p;
}

const std::vector<Property>& columnLayoutProperties() {
    static const std::vector<Property> p = layoutProperties({
        {"cat", "columnAttach", {A::String, A::Int}},
        {"rs", "rowSpacing", {A::Int}},
        {"cw", "columnWidth", {A::Int}},
        {"adj", "adjustableColumn", {A::Bool}},
        {"cal", "columnAlign", {A::String}},
    });
    return p;
}

const std::vector<Property>& checkBoxProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"al", "align", {A::String}},
        {"v", "value", {A::Bool}},
        {"ed", "editable", {A::Bool}},
        {"cc", "changeCommand", {A::String}, false, true},
        {"onc", "onCommand", {A::String}, false, true},
        {"ofc", "offCommand", {A::String}, false, true},
    });
    return p;
}

const std::vector<Property>& textFieldGrpProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"tx", "text", {A::String}},
        {"ed", "editable", {A::Bool}},
        {"cc", "changeCommand", {A::String}, false, true},
    });
    return p;
}

const std::vector<Property>& textProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"al", "align", {A::String}},
        {"fn", "font", {A::String}},
    });
    return p;
}

const std::vector<Property>& radioCollectionProperties() {
    static const std::vector<Property> p = {
        {"sl", "select", {A::String}},
        {"nci", "numberOfCollectionItems", {}, kQueryOnly},
        {"cia", "collectionItemArray", {}, kQueryOnly},
    };
    return p;
}

const std::vector<Property>& radioButtonProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"al", "align", {A::String}},
        {"sl", "select", {A::Bool}},
        {"cl", "collection", {A::String}},
        {"ed", "editable", {A::Bool}},
        {"cc", "changeCommand", {A::String}, false, true},
        {"onc", "onCommand", {A::String}, false, true},
        {"ofc", "offCommand", {A::String}, false, true},
    });
    return p;
}

const std::vector<Property>& buttonProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"c", "command", {A::String}, false, true},
        {"al", "align", {A::String}},
    });
    return p;
}

const std::vector<Property>& menuProperties() {
    static const std::vector<Property> p = {
        {"l", "label", {A::String}},
        {"to", "tearOff", {A::Bool}},
        {"en", "enable", {A::Bool}},
        {"vis", "visible", {A::Bool}},
        {"ni", "numberOfItems", {}, kQueryOnly},
        {"ia", "itemArray", {}, kQueryOnly},
    };
    return p;
}

const std::vector<Property>& menuItemProperties() {
    static const std::vector<Property> p = {
        {"l", "label", {A::String}},        {"c", "command", {A::String}, false, true},
        {"d", "divider", {A::Bool}},        {"en", "enable", {A::Bool}},
        {"ann", "annotation", {A::String}},
    };
    return p;
}

bool convertOne(ArgType type, const Value& in, Value& out) {
    bool b = false;
    long long i = 0;
    double d = 0.0;
    std::string s;
    switch (type) {
    case ArgType::Bool:
        return toBool(in, b) && (out = Value(b), true);
    case ArgType::Int:
        return toInt(in, i) && (out = Value(i), true);
    case ArgType::Double:
        return toDouble(in, d) && (out = Value(d), true);
    // A boolean is no name or label, though the command language could print one.
    case ArgType::String:
        return !in.isBool() && toText(in, s) && (out = Value(s), true);
    case ArgType::Any:
        out = in;
        return true;
    }
    return false;
}

}  // namespace

const std::vector<Property>& propertiesOf(Kind kind) {
    switch (kind) {
    case Kind::Window:
        return windowProperties();
    case Kind::TabLayout:
        return tabLayoutProperties();
    case Kind::ColumnLayout:
        return columnLayoutProperties();
    case Kind::CheckBox:
        return checkBoxProperties();
    case Kind::TextFieldGrp:
        return textFieldGrpProperties();
    case Kind::Text:
        return textProperties();
    case Kind::RadioCollection:
        return radioCollectionProperties();
    case Kind::RadioButton:
        return radioButtonProperties();
    case Kind::Button:
        return buttonProperties();
    case Kind::Menu:
        return menuProperties();
    case Kind::MenuItem:
        return menuItemProperties();
    }
    static const std::vector<Property> none;
    return none;
}

std::vector<FlagSyntax> flagSyntax(Kind kind) {
    std::vector<FlagSyntax> flags = {
        {"q", "query", {}},
        {"e", "edit", {}},
        {"ex", "exists", {}},
    };
    if (kind != Kind::Window)
        flags.push_back({"p", "parent", {ArgType::String}});
    for (const Property& property : propertiesOf(kind))
        flags.push_back({property.shortName, property.longName, property.args});
    return flags;
}

const Property* findProperty(Kind kind, std::string_view flagName) {
    for (const Property& p : propertiesOf(kind))
        if (flagName == p.shortName || flagName == p.longName)
            return &p;
    return nullptr;
}

bool isSwitchOn(const std::vector<Value>& args) {
    if (args.empty())
        return true;
    bool on = false;
    return toBool(args.front(), on) && on;
}

bool convertArguments(const Property& property, const std::vector<Value>& args, Value& stored,
                      std::string& error) {
    const std::vector<Value>* given = &args;
    // Python passes several values of one flag as one tuple.
    if (args.size() == 1 && args.front().isList() && property.args.size() > 1)
        given = &std::get<Value::List>(args.front().data);
    if (given->size() != property.args.size()) {
        error = "flag -" + std::string(property.longName) + " needs " +
                std::to_string(property.args.size()) +
                (property.args.size() == 1 ? " value" : " values");
        return false;
    }
    Value::List converted(given->size());
    for (size_t i = 0; i < given->size(); ++i) {
        if (!convertOne(property.args[i], (*given)[i], converted[i])) {
            error =
                "flag -" + std::string(property.longName) + " needs " + typeName(property.args[i]);
            return false;
        }
    }
    stored = converted.size() == 1 ? converted.front() : Value(std::move(converted));
    return true;
}

}  // namespace host::ui
