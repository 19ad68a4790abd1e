#include "scene/commands/time_commands.h"

#include "scene/commands/command_support.h"

namespace host::scene {

namespace {

// Time changes are view state, not scene edits: they take no undo steps.
MStatus runCurrentTime(const Invocation& call, CommandContext& ctx) {
    if (isQuery(call)) {
        ctx.result = Value(currentTime());
        return MStatus::kSuccess;
    }
    double time = 0.0;
    if (call.args.size() != 1 || !toDouble(call.args[0], time))
        return commandError(call, "expects one time");
    setCurrentTime(time);
    ctx.result = Value(time);
    return MStatus::kSuccess;
}

MStatus runPlaybackOptions(const Invocation& call, CommandContext& ctx) {
    if (!call.args.empty())
        return commandError(call, "takes no arguments");
    if (isQuery(call)) {
        if (call.has("min", "minTime") || call.has("ast", "animationStartTime"))
            ctx.result = Value(minTime());
        else if (call.has("max", "maxTime") || call.has("aet", "animationEndTime"))
            ctx.result = Value(maxTime());
        else
            return commandError(call, "query needs -minTime or -maxTime");
        return MStatus::kSuccess;
    }
    double low = minTime(), high = maxTime();
    bool given = flagNumber(call, "min", "minTime", low) |
                 flagNumber(call, "ast", "animationStartTime", low);
    given = (flagNumber(call, "max", "maxTime", high) |
             flagNumber(call, "aet", "animationEndTime", high)) ||
            given;
    if (!given)
        return commandError(call, "expects -minTime or -maxTime");
    if (low > high)
        return commandError(call, "the minimum time is after the maximum time");
    setPlaybackRange(low, high);
    return MStatus::kSuccess;
}

const char* const kKeyableTransformAttrs[] = {"translateX", "translateY", "translateZ", "rotateX",
                                              "rotateY",    "rotateZ",    "scaleX",     "scaleY",
                                              "scaleZ",     "visibility"};

MStatus runSetKeyframe(const Invocation& call, CommandContext& ctx) {
    std::vector<Node*> nodes;
    if (!targetNodes(call, nodes))
        return MStatus::kInvalidParameter;
    if (nodes.empty())
        return commandError(call, "No objects specified");
    double time = currentTime();
    if (call.has("t", "time") && !flagNumber(call, "t", "time", time))
        return commandError(call, "-time expects a number");
    std::string attr;
    bool oneAttr = flagText(call, "at", "attribute", attr);
    double value = 0.0;
    bool hasValue = flagNumber(call, "v", "value", value);
    for (Node* node : nodes) {
        if (oneAttr && !hasAttr(*node, attr))
            return commandError(call, "No attribute '" + attr + "' on '" + node->name + "'");
        if (oneAttr && getAttr(*node, attr, time)->type == AttrValue::String)
            return commandError(call, "'" + attr + "' cannot be keyed");
    }
    Journal journal(&ctx.undo);
    int keys = 0;
    for (Node* node : nodes) {
        std::vector<std::string> attrs;
        if (oneAttr)
            attrs.push_back(attr);
        else if (node->kind == NodeKind::Transform)
            attrs.assign(std::begin(kKeyableTransformAttrs), std::end(kKeyableTransformAttrs));
        for (const std::string& a : attrs) {
            // Without -value the key takes the value last set, as the user sees it now.
            AttrValue current = *getAttr(*node, a, time, false);
            if (current.type == AttrValue::DoubleArray)
                continue;  // vectors are keyed per component
            std::string name = longAttrName(*node, a);
            std::vector<Key> list =
                node->keys().count(name) ? node->keys().at(name) : std::vector<Key>();
            std::erase_if(list, [time](const Key& k) { return k.time == time; });
            list.push_back(Key{time, hasValue ? value : current.number});
            setKeys(*node, name, std::move(list));
            ++keys;
        }
    }
    ctx.result = Value(keys);
    return MStatus::kSuccess;
}

}  // namespace

void registerTimeCommands() {
    using A = ArgType;
    addSceneCommand("currentTime",
                    {{"q", "query", {}}, {"e", "edit", {}}, {"u", "update", {A::Bool}}},
                    runCurrentTime, false);
    addSceneCommand("playbackOptions",
                    {{"q", "query", {}},
                     {"e", "edit", {}},
                     {"min", "minTime", {A::Double}},
                     {"max", "maxTime", {A::Double}},
                     {"ast", "animationStartTime", {A::Double}},
                     {"aet", "animationEndTime", {A::Double}}},
                    runPlaybackOptions, false);
    addSceneCommand(
        "setKeyframe",
        {{"at", "attribute", {A::String}}, {"v", "value", {A::Double}}, {"t", "time", {A::Double}}},
        runSetKeyframe, true);
}

}  // namespace host::scene
