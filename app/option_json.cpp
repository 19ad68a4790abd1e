#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "number_text.h"
#include "option_table.h"

// The option table as the server and the page see it: described for the
// page's form, and the page's values checked and turned into arguments.

namespace {

nlohmann::json valueJson(const OptionEntry& entry, const UnfoldOptions& options) {
    return std::visit(
        [&](auto member) -> nlohmann::json {
            const auto& value = options.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::optional<double>>)
                return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
            else
                return value;
        },
        entry.field);
}

// The value UnfoldOptions starts with, as JSON; null where there is none.
nlohmann::json defaultJson(const OptionEntry& entry) {
    static const UnfoldOptions defaults;
    return valueJson(entry, defaults);
}

const char* typeName(OptionType type) {
    switch (type) {
    case OptionType::Flag:
        return "flag";
    case OptionType::Number:
        return "number";
    case OptionType::Count:
        return "count";
    case OptionType::Choice:
        return "choice";
    case OptionType::Page:
        return "page";
    }
    return "";
}

nlohmann::json entryJson(const OptionEntry& entry) {
    nlohmann::json json{{"name", entry.name},
                        {"type", typeName(entry.type)},
                        {"label", entry.label},
                        {"help", fullHelp(entry)},
                        {"default", defaultJson(entry)}};
    if (!entry.unit.empty())
        json["unit"] = entry.unit;
    if (entry.range) {
        json["min"] = entry.range->low;
        json["max"] = std::isfinite(entry.range->high) ? nlohmann::json(entry.range->high)
                                                       : nlohmann::json(nullptr);
        json["minExclusive"] = entry.range->aboveLow;
        json["maxExclusive"] = entry.range->belowHigh;
    }
    for (const OptionChoice& choice : entry.choices)
        json["choices"].push_back({{"value", choice.value}, {"label", choice.label}});
    if (entry.type == OptionType::Page)
        for (const NamedPaper& paper : namedPapers())
            json["presets"].push_back({{"value", paper.name},
                                       {"label", paper.name},
                                       {"size", {paper.width, paper.height}}});
    if (!entry.excludes.empty())
        json["excludes"] = entry.excludes;
    if (!entry.placeholder.empty())
        json["placeholder"] = entry.placeholder;
    return json;
}

// The value as the command line writes it.
std::string argumentText(const nlohmann::json& value) {
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number_integer())
        return std::to_string(value.get<long long>());
    return number(value.get<double>());
}

}  // namespace

nlohmann::json optionsJson(const std::vector<OptionEntry>& table) {
    nlohmann::json groups = nlohmann::json::array();
    for (const OptionEntry& entry : table) {
        if (groups.empty() || groups.back()["name"] != entry.group)
            groups.push_back({{"name", entry.group}, {"options", nlohmann::json::array()}});
        groups.back()["options"].push_back(entryJson(entry));
    }
    return {{"groups", groups}};
}

bool argumentsFromJson(const std::vector<OptionEntry>& table, const nlohmann::json& options,
                       std::vector<std::string>& args, std::string& error) {
    if (!options.is_object())
        return error = "the options are no JSON object", false;
    for (const auto& [name, value] : options.items()) {
        auto entry = std::find_if(table.begin(), table.end(),
                                  [&](const OptionEntry& s) { return s.name == name; });
        if (entry == table.end()) {
            std::vector<std::string> names;
            for (const OptionEntry& s : table)
                names.push_back(s.name);
            std::string near = nearestName(names, name);
            error = "unknown option '" + name + "'" +
                    (near.empty() ? "" : " (did you mean '" + near + "'?)");
            return false;
        }
        if (value.is_null())
            continue;
        std::string given = "option " + name + ": ";
        switch (entry->type) {
        case OptionType::Flag:
            if (!value.is_boolean())
                return error = given + "give true or false", false;
            if (value.get<bool>())
                args.push_back("--" + name);
            continue;
        case OptionType::Number:
        case OptionType::Count:
            if (!value.is_number())
                return error = given + "give a number", false;
            error = refusal(*entry, value.get<double>());
            break;
        case OptionType::Choice:
        case OptionType::Page:
            if (!value.is_string())
                return error = given + "give a text", false;
            error = refusal(*entry, value.get<std::string>());
            break;
        }
        if (!error.empty())
            return false;
        args.push_back("--" + name + "=" + argumentText(value));
    }
    return true;
}

nlohmann::json optionValuesJson(const std::vector<OptionEntry>& table,
                                const UnfoldOptions& options) {
    nlohmann::json values = nlohmann::json::object();
    for (const OptionEntry& entry : table)
        values[entry.name] = valueJson(entry, options);
    return values;
}
