// Attributes by name: the built-in ones of transforms and meshes, and those
// made by addAttr, with keyed values evaluated in time.
#include "scene/scene_attributes.h"

#include <algorithm>
#include <stdexcept>

namespace host::scene {

namespace {

struct BuiltIn {
    const char* longName;
    const char* shortName;
    int component;  // -1: all three
    std::array<double, 3> TransformValues::*vector;
};

const BuiltIn kTransformAttrs[] = {
    {"translate", "t", -1, &TransformValues::translate},
    {"translateX", "tx", 0, &TransformValues::translate},
    {"translateY", "ty", 1, &TransformValues::translate},
    {"translateZ", "tz", 2, &TransformValues::translate},
    {"rotate", "r", -1, &TransformValues::rotate},
    {"rotateX", "rx", 0, &TransformValues::rotate},
    {"rotateY", "ry", 1, &TransformValues::rotate},
    {"rotateZ", "rz", 2, &TransformValues::rotate},
    {"scale", "s", -1, &TransformValues::scale},
    {"scaleX", "sx", 0, &TransformValues::scale},
    {"scaleY", "sy", 1, &TransformValues::scale},
    {"scaleZ", "sz", 2, &TransformValues::scale},
};

const BuiltIn* transformAttr(const Node& node, std::string_view attr) {
    if (node.kind != NodeKind::Transform)
        return nullptr;
    for (const BuiltIn& b : kTransformAttrs)
        if (attr == b.longName || attr == b.shortName)
            return &b;
    return nullptr;
}

bool isVisibility(const Node& node, std::string_view attr) {
    return (node.kind == NodeKind::Transform || node.kind == NodeKind::Mesh) &&
           (attr == "visibility" || attr == "v");
}

bool isIntermediateAttr(const Node& node, std::string_view attr) {
    return node.kind == NodeKind::Mesh && (attr == "intermediateObject" || attr == "io");
}

// Stepped evaluation: the value of the last key at or before time, else the first key's.
double keyedValue(const std::vector<Key>& keys, double time) {
    double value = keys.front().value;
    for (const Key& k : keys) {
        if (k.time > time)
            break;
        value = k.value;
    }
    return value;
}

AttrValue number(double v) {
    AttrValue a;
    a.number = v;
    return a;
}

template <typename Entries>
auto lowerBound(Entries& entries, std::string_view name) {
    return std::lower_bound(entries.begin(), entries.end(), name,
                            [](const AttrTable::Entry& e, std::string_view n) {
                                return std::string_view(e.first) < n;
                            });
}

}  // namespace

// ---- the table of added attributes ----

AttrTable::iterator AttrTable::find(std::string_view name) {
    auto it = lowerBound(entries_, name);
    return it != entries_.end() && it->first == name ? it : entries_.end();
}

AttrTable::const_iterator AttrTable::find(std::string_view name) const {
    auto it = lowerBound(entries_, name);
    return it != entries_.end() && it->first == name ? it : entries_.end();
}

const AttrValue& AttrTable::at(std::string_view name) const {
    auto it = find(name);
    if (it == end())
        throw std::out_of_range("no attribute " + std::string(name));
    return it->second;
}

AttrValue& AttrTable::operator[](std::string_view name) {
    auto it = lowerBound(entries_, name);
    if (it == entries_.end() || it->first != name)
        it = entries_.insert(it, Entry(std::string(name), AttrValue()));
    return it->second;
}

void AttrTable::erase(std::string_view name) {
    auto it = find(name);
    if (it != entries_.end())
        entries_.erase(it);
}

// ---- attributes by name ----

std::string longAttrName(const Node& node, std::string_view attr) {
    if (const BuiltIn* b = transformAttr(node, attr))
        return b->longName;
    if (isVisibility(node, attr))
        return "visibility";
    if (isIntermediateAttr(node, attr))
        return "intermediateObject";
    return std::string(attr);
}

bool hasAttr(const Node& node, std::string_view attr) {
    return transformAttr(node, attr) || isVisibility(node, attr) ||
           isIntermediateAttr(node, attr) || node.dynamicAttrs.count(attr);
}

std::optional<AttrValue> getAttr(const Node& node, std::string_view attr, double time,
                                 bool evaluateKeys) {
    if (!hasAttr(node, attr))
        return std::nullopt;
    auto keyed = node.keys().find(longAttrName(node, attr));
    if (evaluateKeys && keyed != node.keys().end() && !keyed->second.empty()) {
        AttrValue v = number(keyedValue(keyed->second, time));
        if (isVisibility(node, attr)) {
            v.type = AttrValue::Bool;
            v.number = v.number != 0.0 ? 1.0 : 0.0;
        }
        return v;
    }
    if (const BuiltIn* b = transformAttr(node, attr)) {
        const std::array<double, 3>& vec = node.extras().transform.*(b->vector);
        if (b->component >= 0)
            return number(vec[size_t(b->component)]);
        AttrValue v;
        v.type = AttrValue::DoubleArray;
        v.array.assign(vec.begin(), vec.end());
        return v;
    }
    if (isVisibility(node, attr) || isIntermediateAttr(node, attr)) {
        AttrValue v = number(isVisibility(node, attr) ? node.visibility : node.intermediate);
        v.type = AttrValue::Bool;
        return v;
    }
    return node.dynamicAttrs.at(attr);
}

bool setAttr(Node& node, std::string_view attr, const AttrValue& value) {
    bool scalar = value.type == AttrValue::Double || value.type == AttrValue::Bool;
    if (const BuiltIn* b = transformAttr(node, attr)) {
        TransformValues values = node.extras().transform;
        std::array<double, 3>& vec = values.*(b->vector);
        if (b->component >= 0 && scalar)
            vec[size_t(b->component)] = value.number;
        else if (b->component < 0 && value.type == AttrValue::DoubleArray &&
                 value.array.size() == 3)
            std::copy(value.array.begin(), value.array.end(), vec.begin());
        else
            return false;
        setTransform(node, values.translate, values.rotate, values.scale);
        return true;
    }
    if (isVisibility(node, attr) || isIntermediateAttr(node, attr)) {
        if (!scalar)
            return false;
        if (isVisibility(node, attr))
            setVisibility(node, value.number != 0.0);
        else
            setIntermediate(node, value.number != 0.0);
        return true;
    }
    auto it = node.dynamicAttrs.find(attr);
    if (it == node.dynamicAttrs.end())
        return false;
    AttrValue stored = value;
    bool numbers =
        (it->second.type == AttrValue::Double || it->second.type == AttrValue::Bool) && scalar;
    if (numbers)
        stored.type = it->second.type;
    if (stored.type == AttrValue::Bool)
        stored.number = stored.number != 0.0 ? 1.0 : 0.0;
    if (stored.type != it->second.type)
        return false;
    setDynamicAttr(node, std::string(attr), stored);
    return true;
}

}  // namespace host::scene
