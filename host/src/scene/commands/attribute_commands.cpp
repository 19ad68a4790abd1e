#include "scene/commands/attribute_commands.h"

#include "scene/commands/command_support.h"

namespace host::scene {

namespace {

// "node.attr" into its node and attribute; posts the error when either is missing.
bool splitPlug(const Invocation& call, const std::string& plug, Node*& node, std::string& attr) {
    size_t dot = plug.find('.');
    if (dot == std::string::npos || dot + 1 >= plug.size())
        return commandError(call, "expects NODE.ATTRIBUTE, got '" + plug + "'"), false;
    node = findNode(plug.substr(0, dot));
    if (!node || node->kind == NodeKind::World)
        return commandError(call, "No object matches name: " + plug.substr(0, dot)), false;
    attr = plug.substr(dot + 1);
    if (!hasAttr(*node, attr))
        return commandError(call, "No attribute '" + attr + "' on '" + node->name + "'"), false;
    return true;
}

bool numbers(const std::vector<Value>& values, size_t from, std::vector<double>& out) {
    for (size_t i = from; i < values.size(); ++i) {
        if (values[i].isList()) {
            if (!numbers(std::get<Value::List>(values[i].data), 0, out))
                return false;
            continue;
        }
        double d;
        if (!toDouble(values[i], d))
            return false;
        out.push_back(d);
    }
    return true;
}

MStatus runAddAttr(const Invocation& call, CommandContext& ctx) {
    std::string name, dataType, attrType;
    if (!flagText(call, "ln", "longName", name))
        return commandError(call, "-longName is required");
    if (!isValidName(name))
        return commandError(call, "invalid attribute name '" + name + "'");
    bool hasData = flagText(call, "dt", "dataType", dataType);
    bool hasAttrType = flagText(call, "at", "attributeType", attrType);
    AttrValue value;
    if (hasData && dataType == "doubleArray")
        value.type = AttrValue::DoubleArray;
    else if (hasData && dataType == "string")
        value.type = AttrValue::String;
    else if (hasAttrType && (attrType == "double" || attrType == "float" || attrType == "long" ||
                             attrType == "short"))
        value.type = AttrValue::Double;
    else if (hasAttrType && attrType == "bool")
        value.type = AttrValue::Bool;
    else
        return commandError(
            call, "unsupported type; use -dt doubleArray|string or -at double|float|long|bool");
    flagNumber(call, "dv", "defaultValue", value.number);
    std::vector<Node*> nodes;
    if (!targetNodes(call, nodes))
        return MStatus::kInvalidParameter;
    if (nodes.empty())
        return commandError(call, "No object to add the attribute to");
    for (Node* node : nodes)
        if (hasAttr(*node, name))
            return commandError(call,
                                "Attribute '" + name + "' already exists on '" + node->name + "'");
    Journal journal(&ctx.undo);
    for (Node* node : nodes)
        setDynamicAttr(*node, name, value);
    return MStatus::kSuccess;
}

// The value setAttr was given, shaped for the attribute's current type.
bool parseValue(const Invocation& call, const AttrValue& current, bool fixedLength,
                AttrValue& value) {
    std::string type;
    flagText(call, "typ", "type", type);
    value.type = current.type;
    if (current.type == AttrValue::String) {
        if (type != "string")
            return commandError(call, "a text needs -type \"string\""), false;
        if (call.args.size() != 2 || !toText(call.args[1], value.text))
            return commandError(call, "expects one string value"), false;
        return true;
    }
    std::vector<double> v;
    if (!numbers(call.args, 1, v))
        return commandError(call, "values must be numbers"), false;
    if (current.type == AttrValue::DoubleArray) {
        // "-type doubleArray N v1..vN" (Python passes the list alone); a built-in
        // vector takes its three values bare.
        bool counted = !(call.args.size() == 2 && call.args[1].isList());
        if (!fixedLength && counted && type != "doubleArray")
            return commandError(call, "an array needs -type \"doubleArray\" and its length"), false;
        if (type == "doubleArray" && counted) {
            if (v.empty() || !(v[0] >= 0) || v[0] != double(size_t(v[0])) ||
                size_t(v[0]) != v.size() - 1)
                return commandError(call, "doubleArray expects its length, then that many values"),
                       false;
            v.erase(v.begin());
        } else if (fixedLength && v.size() != current.array.size()) {
            return commandError(call,
                                "expects " + std::to_string(current.array.size()) + " values"),
                   false;
        }
        value.array = v;
        return true;
    }
    if (v.size() != 1)
        return commandError(call, "expects one value"), false;
    value.number = v[0];
    return true;
}

MStatus runSetAttr(const Invocation& call, CommandContext& ctx) {
    std::string plug;
    if (call.args.empty() || !toText(call.args[0], plug))
        return commandError(call, "expects NODE.ATTRIBUTE VALUE");
    Node* node = nullptr;
    std::string attr;
    if (!splitPlug(call, plug, node, attr))
        return MStatus::kInvalidParameter;
    AttrValue value;
    bool fixedLength = !node->dynamicAttrs.count(attr);  // the built-in vectors have three values
    if (!parseValue(call, *getAttr(*node, attr, currentTime()), fixedLength, value))
        return MStatus::kInvalidParameter;
    Journal journal(&ctx.undo);
    if (!setAttr(*node, attr, value))
        return commandError(call, "cannot set '" + plug + "'");
    return MStatus::kSuccess;
}

const char* typeName(const AttrValue& v, bool vector) {
    switch (v.type) {
    case AttrValue::Double:
        return "double";
    case AttrValue::Bool:
        return "bool";
    case AttrValue::String:
        return "string";
    case AttrValue::DoubleArray:
        return vector ? "double3" : "doubleArray";
    }
    return "double";
}

MStatus runGetAttr(const Invocation& call, CommandContext& ctx) {
    std::string plug;
    if (call.args.size() != 1 || !toText(call.args[0], plug))
        return commandError(call, "expects one NODE.ATTRIBUTE");
    Node* node = nullptr;
    std::string attr;
    if (!splitPlug(call, plug, node, attr))
        return MStatus::kInvalidParameter;
    double time = currentTime();
    if (call.has("t", "time") && !flagNumber(call, "t", "time", time))
        return commandError(call, "-time expects a number");
    AttrValue v = *getAttr(*node, attr, time);
    if (flagOn(call, "typ", "type")) {
        ctx.result = Value(typeName(v, !node->dynamicAttrs.count(attr)));
        return MStatus::kSuccess;
    }
    switch (v.type) {
    case AttrValue::Double:
        ctx.result = Value(v.number);
        break;
    case AttrValue::Bool:
        ctx.result = Value(v.number != 0.0);
        break;
    case AttrValue::String:
        ctx.result = Value(v.text);
        break;
    case AttrValue::DoubleArray: {
        Value::List list;
        for (double d : v.array)
            list.emplace_back(d);
        ctx.result = Value(std::move(list));
        break;
    }
    }
    return MStatus::kSuccess;
}

}  // namespace

void registerAttributeCommands() {
    using A = ArgType;
    addSceneCommand("addAttr",
                    {{"ln", "longName", {A::String}},
                     {"dt", "dataType", {A::String}},
                     {"at", "attributeType", {A::String}},
                     {"dv", "defaultValue", {A::Double}}},
                    runAddAttr, true);
    addSceneCommand("setAttr", {{"typ", "type", {A::String}}}, runSetAttr, true);
    addSceneCommand("getAttr", {{"t", "time", {A::Double}}, {"typ", "type", {}}}, runGetAttr,
                    false);
}

}  // namespace host::scene
