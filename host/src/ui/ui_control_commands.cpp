#include "ui/ui_control_commands.h"

#include <utility>

#include "ui/ui_commands.h"
#include "ui/ui_properties.h"
#include "ui/ui_tree.h"

namespace host::ui {

namespace {

struct Setting {
    const Property* property;
    const Flag* flag;
    Value value;  // converted; unused when querying
};

struct Request {
    bool query = false;
    bool edit = false;
    bool exists = false;
    const Flag* parent = nullptr;
    std::string target;  // the name given, if any
    std::vector<Setting> settings;
};

bool isMode(const Flag& flag, const char* shortName, const char* longName) {
    return flag.name == shortName || flag.name == longName;
}

MStatus parseRequest(Kind kind, const Invocation& call, Request& request) {
    const std::string& command = call.command;
    for (const Flag& flag : call.flags) {
        if (isMode(flag, "q", "query"))
            request.query = isSwitchOn(flag.args);
        else if (isMode(flag, "e", "edit"))
            request.edit = isSwitchOn(flag.args);
        else if (isMode(flag, "ex", "exists"))
            request.exists = isSwitchOn(flag.args);
        else if (kind != Kind::Window && isMode(flag, "p", "parent"))
            request.parent = &flag;
        else if (const Property* property = findProperty(kind, flag.name))
            request.settings.push_back({property, &flag, Value()});
        else
            return fail(command, "invalid flag -" + flag.name);
    }
    std::vector<std::string> names;
    if (!readNames(call, names))
        return MStatus(MStatus::kFailure);
    if (names.size() > 1)
        return fail(command, "takes one name, got " + std::to_string(names.size()));
    if (!names.empty())
        request.target = names.front();
    if (request.query && request.edit)
        return fail(command, "cannot query and edit at once");
    return MStatus(MStatus::kSuccess);
}

// Converts every setting before anything changes, so a bad flag leaves the
// record as it was.
MStatus convertSettings(const std::string& command, Request& request) {
    for (Setting& setting : request.settings) {
        if (setting.property->queryOnly)
            return fail(command, "flag -" + std::string(setting.property->longName) +
                                     " can only be queried");
        std::string error;
        if (!convertArguments(*setting.property, setting.flag->args, setting.value, error))
            return fail(command, error);
    }
    return MStatus(MStatus::kSuccess);
}

Value defaultOf(ArgType type, const std::string& name) {
    static const char* const onByDefault[] = {"enable",   "visible",      "editable",
                                              "sizeable", "imageVisible", "menuBar"};
    switch (type) {
    case ArgType::Bool: {
        bool on = false;
        for (const char* flag : onByDefault)
            on = on || name == flag;
        return Value(on);
    }
    case ArgType::Int:
        return Value(0);
    case ArgType::Double:
        return Value(0.0);
    case ArgType::String:
    case ArgType::Any:
        break;
    }
    return Value("");
}

Value defaultOf(const Property& property) {
    if (property.args.size() == 1)
        return defaultOf(property.args.front(), property.longName);
    Value::List values;
    for (ArgType type : property.args)
        values.push_back(defaultOf(type, property.longName));
    return Value(std::move(values));
}

Value::List childNames(const Control& control) {
    Value::List names;
    for (const auto& child : control.children)
        names.push_back(Value(child->name));
    return names;
}

Value::List collectionItems(const Control& collection) {
    Value::List items;
    const Control* window = collection.window();
    std::vector<const Control*> pending = {window};
    while (!pending.empty()) {
        const Control* c = pending.back();
        pending.pop_back();
        if (c->collection == &collection)
            items.push_back(Value(c->path()));
        for (auto it = c->children.rbegin(); it != c->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return items;
}

std::string selectedTab(const Control& tabs) {
    auto stored = tabs.properties.find("selectTab");
    if (stored != tabs.properties.end())
        for (const auto& child : tabs.children)
            if (child->name == std::get<std::string>(stored->second.data))
                return child->name;
    return tabs.children.empty() ? std::string() : tabs.children.front()->name;
}

// Properties read from the records around the control rather than stored on it.
bool queryDerived(const Control& control, const std::string& name, Value& out) {
    if (name == "numberOfChildren" || name == "numberOfItems")
        out = Value(static_cast<long long>(control.children.size()));
    else if (name == "childArray" || name == "tabLabel" || name == "itemArray")
        out = Value(childNames(control));
    else if (control.kind == Kind::RadioCollection && name == "select")
        out = Value(control.selected ? control.selected->name : std::string("NONE"));
    else if (name == "collectionItemArray")
        out = Value(collectionItems(control));
    else if (name == "numberOfCollectionItems")
        out = Value(static_cast<long long>(collectionItems(control).size()));
    else if (control.kind == Kind::RadioButton && name == "select" && control.collection)
        out = Value(control.collection->selected == &control);
    else if (control.kind == Kind::TabLayout && name == "selectTab")
        out = Value(selectedTab(control));
    else
        return false;
    return true;
}

Value queryProperty(const Control& control, const Property& property) {
    const std::string name = property.longName;
    Value value;
    if (queryDerived(control, name, value))
        return value;
    if (property.script) {
        auto script = control.scripts.find(name);
        if (script != control.scripts.end())
            value = Value(script->second.text);
        else
            value = Value("");
        return value;
    }
    auto stored = control.properties.find(name);
    return stored == control.properties.end() ? defaultOf(property) : stored->second;
}

Control* findCollectionItem(Control& collection, const std::string& nameOrPath) {
    Control* button = find(nameOrPath, Kind::RadioButton);
    return button && button->collection == &collection ? button : nullptr;
}

bool isTab(const Control& tabs, const std::string& name) {
    for (const auto& child : tabs.children)
        if (child->name == name)
            return true;
    return false;
}

// Settings that name another record must name one that is there; checked for
// all settings before any is applied, so a bad one changes nothing.
MStatus checkReferences(Control& control, const std::vector<Setting>& settings) {
    for (const Setting& setting : settings) {
        const std::string name = setting.property->longName;
        std::string target;
        if (control.kind == Kind::RadioCollection && name == "select") {
            target = std::get<std::string>(setting.value.data);
            if (!findCollectionItem(control, target))
                return fail(kindName(control.kind), notFound(target));
        } else if (control.kind == Kind::TabLayout && name == "selectTab") {
            target = std::get<std::string>(setting.value.data);
            if (!isTab(control, target))
                return fail(kindName(control.kind), notFound(target));
        }
    }
    return MStatus(MStatus::kSuccess);
}

// Properties whose effect reaches beyond the record's own value.
void applyLinked(Control& control, const std::string& name, const Value& value) {
    if (control.kind == Kind::RadioCollection && name == "select") {
        control.selected = findCollectionItem(control, std::get<std::string>(value.data));
    } else if (control.kind == Kind::RadioButton && name == "select" && control.collection) {
        if (std::get<bool>(value.data))
            control.collection->selected = &control;
        else if (control.collection->selected == &control)
            control.collection->selected = nullptr;
    } else if (control.kind == Kind::Window && name == "widthHeight") {
        const Value::List& size = std::get<Value::List>(value.data);
        control.properties["width"] = size[0];
        control.properties["height"] = size[1];
    } else if (control.kind == Kind::Window && (name == "width" || name == "height")) {
        Value::List size = std::get<Value::List>(
            queryProperty(control, *findProperty(Kind::Window, "widthHeight")).data);
        size[name == "width" ? 0 : 1] = value;
        control.properties["widthHeight"] = Value(size);
    }
}

MStatus applySettings(Control& control, const std::vector<Setting>& settings, bool fromPython) {
    MStatus status = checkReferences(control, settings);
    if (!status)
        return status;
    for (const Setting& setting : settings) {
        const std::string name = setting.property->longName;
        if (setting.property->script) {
            control.scripts[name] = Script{std::get<std::string>(setting.value.data), fromPython};
            continue;
        }
        applyLinked(control, name, setting.value);
        control.properties[name] = setting.value;
    }
    return MStatus(MStatus::kSuccess);
}

MStatus runQuery(Kind kind, const Request& request, CommandContext& context) {
    const char* command = kindName(kind);
    if (request.target.empty())
        return fail(command, "query needs the name of a " + std::string(command));
    const Control* control = find(request.target, kind);
    if (!control)
        return fail(command, notFound(request.target));
    if (request.settings.size() + (request.parent ? 1 : 0) != 1)
        return fail(command, "query needs exactly one flag to read");
    if (request.parent)
        context.result = Value(control->parent ? control->parent->path() : std::string());
    else
        context.result = queryProperty(*control, *request.settings.front().property);
    return MStatus(MStatus::kSuccess);
}

MStatus runEdit(Kind kind, Request& request, bool fromPython, CommandContext& context) {
    const char* command = kindName(kind);
    if (request.target.empty())
        return fail(command, "edit needs the name of a " + std::string(command));
    Control* control = find(request.target, kind);
    if (!control)
        return fail(command, notFound(request.target));
    if (request.parent)
        return fail(command, "flag -parent cannot be edited");
    for (const Setting& setting : request.settings)
        if (std::string(setting.property->longName) == "collection")
            return fail(command, "flag -collection can only be given on creation");
    MStatus status = convertSettings(command, request);
    if (!status)
        return status;
    status = applySettings(*control, request.settings, fromPython);
    if (status)
        context.result = Value(control->path());
    return status;
}

// Where a new record of this kind goes when no parent is named.
Control* defaultParent(Kind kind) {
    switch (kind) {
    case Kind::Window:
        return nullptr;
    case Kind::Menu:
        return currentParent() ? currentParent()->window() : nullptr;
    case Kind::MenuItem:
        return currentMenu();
    default:
        return currentParent();
    }
}

bool canHold(const Control& parent, Kind kind) {
    switch (kind) {
    case Kind::Window:
        return false;
    case Kind::Menu:
        return parent.kind == Kind::Window;
    case Kind::MenuItem:
        return parent.kind == Kind::Menu;
    case Kind::TabLayout:
    case Kind::ColumnLayout:
        return parent.kind == Kind::Window || isLayout(parent.kind);
    default:
        return isLayout(parent.kind);
    }
}

MStatus findParent(Kind kind, const Request& request, Control*& parent) {
    const char* command = kindName(kind);
    parent = defaultParent(kind);
    if (request.parent) {
        std::string name;
        if (request.parent->args.size() != 1 || !toText(request.parent->args.front(), name))
            return fail(command, "flag -parent needs a name");
        parent = find(name);
        if (!parent)
            return fail(command, notFound(name));
    }
    if (kind == Kind::Window)
        return MStatus(MStatus::kSuccess);
    if (!parent) {
        if (kind == Kind::MenuItem)
            return fail(command, "No menu found to put the item under.");
        if (kind == Kind::Menu)
            return fail(command, "No window found to put the menu under.");
        return fail(command, "Controls must have a layout.  No layout found to put control under.");
    }
    if (!canHold(*parent, kind))
        return fail(command, "'" + parent->name + "' cannot hold a " + command);
    return MStatus(MStatus::kSuccess);
}

void setCreationDefaults(Control& control) {
    switch (control.kind) {
    case Kind::Window:
        control.properties["title"] = Value(control.name);
        break;
    case Kind::CheckBox:
    case Kind::Text:
    case Kind::RadioButton:
    case Kind::Button:
    case Kind::Menu:
    case Kind::MenuItem:
        control.properties["label"] = Value(control.name);
        break;
    default:
        break;
    }
}

// A new record becomes the place where the next ones go, as in the host.
void becomeCurrent(Control& control) {
    switch (control.kind) {
    case Kind::Window:
    case Kind::TabLayout:
    case Kind::ColumnLayout:
        setCurrentParent(&control);
        break;
    case Kind::Menu:
        setCurrentMenu(&control);
        break;
    case Kind::RadioCollection:
        setCurrentCollection(&control);
        break;
    default:
        break;
    }
}

MStatus joinCollection(Control& button, const Request& request) {
    button.collection = currentCollection();
    for (const Setting& setting : request.settings) {
        if (std::string(setting.property->longName) != "collection")
            continue;
        const std::string& name = std::get<std::string>(setting.value.data);
        button.collection = find(name, Kind::RadioCollection);
        if (!button.collection)
            return fail("radioButton", notFound(name));
    }
    return MStatus(MStatus::kSuccess);
}

MStatus runCreate(Kind kind, Request& request, bool fromPython, CommandContext& context) {
    const char* command = kindName(kind);
    Control* parent = nullptr;
    MStatus status = findParent(kind, request, parent);
    if (status)
        status = convertSettings(command, request);
    if (!status)
        return status;
    std::string name = request.target.empty() ? uniqueName(kind) : request.target;
    if (!isValidName(name))
        return fail(command, "'" + name + "' is not a valid name");
    Control* control = add(kind, name, parent);
    if (!control)
        return fail(command, "Object's name '" + name + "' is not unique.");
    setCreationDefaults(*control);
    if (kind == Kind::RadioButton)
        status = joinCollection(*control, request);
    if (status)
        status = applySettings(*control, request.settings, fromPython);
    if (!status) {
        remove(control);
        return status;
    }
    becomeCurrent(*control);
    context.result = Value(control->path());
    return MStatus(MStatus::kSuccess);
}

MStatus runControlCommand(Kind kind, const Invocation& call, CommandContext& context) {
    Request request;
    MStatus status = parseRequest(kind, call, request);
    if (!status)
        return status;
    if (request.exists) {
        context.result = Value(!request.target.empty() && find(request.target, kind) != nullptr);
        return MStatus(MStatus::kSuccess);
    }
    if (request.query)
        return runQuery(kind, request, context);
    if (request.edit)
        return runEdit(kind, request, call.fromPython, context);
    return runCreate(kind, request, call.fromPython, context);
}

}  // namespace

void registerControlCommands() {
    const Kind kinds[] = {
        Kind::Window,       Kind::TabLayout, Kind::ColumnLayout,    Kind::CheckBox,
        Kind::TextFieldGrp, Kind::Text,      Kind::RadioCollection, Kind::RadioButton,
        Kind::Button,       Kind::Menu,      Kind::MenuItem};
    for (Kind kind : kinds) {
        CommandSpec entry;
        entry.name = kindName(kind);
        entry.run = [kind](const Invocation& call, CommandContext& context) {
            return runControlCommand(kind, call, context);
        };
        entry.owner = "host";
        entry.flags = flagSyntax(kind);
        registerCommand(std::move(entry));
    }
}

}  // namespace host::ui
