#include "ui/ui_properties.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace host::ui {

namespace {

using A = ArgType;

std::vector<Property> withCommon(std::vector<Property> own) {
    static const std::vector<Property> common = {
        {"w", "width", {A::Int}},
        {"h", "height", {A::Int}},
        {"en", "enable", {A::Bool}},
        {"vis", "visible", {A::Bool}},
        {"ann", "annotation", {A::String}},
    };
    own.insert(own.end(), common.begin(), common.end());
    return own;
}

std::vector<Property> layoutProperties(std::vector<Property> own) {
    own.push_back({"nch", "numberOfChildren", {}, true});
    own.push_back({"ca", "childArray", {}, true});
    return withCommon(std::move(own));
}

const std::vector<Property>& windowProperties() {
    static const std::vector<Property> p = {
        {"t", "title", {A::String}},
        {"wh", "widthHeight", {A::Int, A::Int}},
        {"w", "width", {A::Int}},
        {"h", "height", {A::Int}},
        {"s", "sizeable", {A::Bool}},
        {"mb", "menuBar", {A::Bool}},
        {"vis", "visible", {A::Bool}},
        {"ia", "iconName", {A::String}},
    };
    return p;
}

const std::vector<Property>& tabLayoutProperties() {
    static const std::vector<Property> p = layoutProperties({
        {"i", "image", {A::String}},
        {"iv", "imageVisible", {A::Bool}},
        {"st", "selectTab", {A::String}},
        {"tl", "tabLabel", {}, true},
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
        {"cc", "changeCommand", {A::Script}},
        {"onc", "onCommand", {A::Script}},
        {"ofc", "offCommand", {A::Script}},
    });
    return p;
}

const std::vector<Property>& textFieldGrpProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"tx", "text", {A::String}},
        {"ed", "editable", {A::Bool}},
        {"cc", "changeCommand", {A::Script}},
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
        {"nci", "numberOfCollectionItems", {}, true},
        {"cia", "collectionItemArray", {}, true},
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
        {"cc", "changeCommand", {A::Script}},
        {"onc", "onCommand", {A::Script}},
        {"ofc", "offCommand", {A::Script}},
    });
    return p;
}

const std::vector<Property>& buttonProperties() {
    static const std::vector<Property> p = withCommon({
        {"l", "label", {A::String}},
        {"c", "command", {A::Script}},
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
        {"ni", "numberOfItems", {}, true},
        {"ia", "itemArray", {}, true},
    };
    return p;
}

const std::vector<Property>& menuItemProperties() {
    static const std::vector<Property> p = {
        {"l", "label", {A::String}},
        {"c", "command", {A::Script}},
        {"d", "divider", {A::Bool}},
        {"en", "enable", {A::Bool}},
        {"ann", "annotation", {A::String}},
    };
    return p;
}

bool readInt(const Value& value, long long& out) {
    if (value.isInt()) {
        out = std::get<long long>(value.data);
        return true;
    }
    if (value.isDouble()) {
        double d = std::get<double>(value.data);
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15) {
            out = static_cast<long long>(d);
            return true;
        }
        return false;
    }
    if (value.isString()) {
        const std::string& s = std::get<std::string>(value.data);
        char* end = nullptr;
        out = std::strtoll(s.c_str(), &end, 10);
        return !s.empty() && end && *end == '\0';
    }
    return false;
}

bool readFloat(const Value& value, double& out) {
    if (value.isInt()) {
        out = static_cast<double>(std::get<long long>(value.data));
        return true;
    }
    if (value.isDouble()) {
        out = std::get<double>(value.data);
        return true;
    }
    if (value.isString()) {
        const std::string& s = std::get<std::string>(value.data);
        char* end = nullptr;
        out = std::strtod(s.c_str(), &end);
        return !s.empty() && end && *end == '\0';
    }
    return false;
}

const char* typeName(ArgType type) {
    switch (type) {
    case ArgType::Bool: return "a boolean";
    case ArgType::Int: return "an integer";
    case ArgType::Float: return "a number";
    case ArgType::String: return "a string";
    case ArgType::Script: return "a command string";
    }
    return "a value";
}

bool convertOne(ArgType type, const Value& in, Value& out) {
    switch (type) {
    case ArgType::Bool: {
        bool b = false;
        if (!readBool(in, b))
            return false;
        out = Value(b);
        return true;
    }
    case ArgType::Int: {
        long long i = 0;
        if (!readInt(in, i))
            return false;
        out = Value(i);
        return true;
    }
    case ArgType::Float: {
        double d = 0;
        if (!readFloat(in, d))
            return false;
        out = Value(d);
        return true;
    }
    case ArgType::String:
    case ArgType::Script: {
        std::string s;
        if (!readText(in, s))
            return false;
        out = Value(s);
        return true;
    }
    }
    return false;
}

}  // namespace

const std::vector<Property>& propertiesOf(Kind kind) {
    switch (kind) {
    case Kind::Window: return windowProperties();
    case Kind::TabLayout: return tabLayoutProperties();
    case Kind::ColumnLayout: return columnLayoutProperties();
    case Kind::CheckBox: return checkBoxProperties();
    case Kind::TextFieldGrp: return textFieldGrpProperties();
    case Kind::Text: return textProperties();
    case Kind::RadioCollection: return radioCollectionProperties();
    case Kind::RadioButton: return radioButtonProperties();
    case Kind::Button: return buttonProperties();
    case Kind::Menu: return menuProperties();
    case Kind::MenuItem: return menuItemProperties();
    }
    static const std::vector<Property> none;
    return none;
}

const Property* findProperty(Kind kind, std::string_view flagName) {
    for (const Property& p : propertiesOf(kind))
        if (flagName == p.shortName || flagName == p.longName)
            return &p;
    return nullptr;
}

bool readBool(const Value& value, bool& out) {
    if (value.isBool()) {
        out = std::get<bool>(value.data);
        return true;
    }
    if (value.isInt()) {
        out = std::get<long long>(value.data) != 0;
        return true;
    }
    if (value.isDouble()) {
        out = std::get<double>(value.data) != 0.0;
        return true;
    }
    if (!value.isString())
        return false;
    const std::string& s = std::get<std::string>(value.data);
    for (const char* word : {"true", "True", "on", "yes", "1"})
        if (s == word)
            return out = true, true;
    for (const char* word : {"false", "False", "off", "no", "0"})
        if (s == word)
            return out = false, true;
    return false;
}

bool readText(const Value& value, std::string& out) {
    if (value.isString()) {
        out = std::get<std::string>(value.data);
        return true;
    }
    if (value.isInt()) {
        out = std::to_string(std::get<long long>(value.data));
        return true;
    }
    if (value.isDouble()) {
        // The shortest text that reads back as the same number, as script languages print it.
        char buffer[32] = "";
        for (int precision = 1; precision <= 17; ++precision) {
            std::snprintf(buffer, sizeof buffer, "%.*g", precision, std::get<double>(value.data));
            if (std::strtod(buffer, nullptr) == std::get<double>(value.data))
                break;
        }
        out = buffer;
        return true;
    }
    return false;
}

bool isSwitchOn(const std::vector<Value>& args) {
    if (args.empty())
        return true;
    bool on = false;
    return readBool(args.front(), on) && on;
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
            error = "flag -" + std::string(property.longName) + " needs " +
                    typeName(property.args[i]);
            return false;
        }
    }
    stored = converted.size() == 1 ? converted.front() : Value(std::move(converted));
    return true;
}

}  // namespace host::ui
