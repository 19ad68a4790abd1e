#include "job_events.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

nlohmann::ordered_json suggestionsJson(const std::vector<Suggestion>& suggestions) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Suggestion& s : suggestions) {
        nlohmann::ordered_json value = s.value;
        if (s.value == std::floor(s.value) && std::abs(s.value) < 1e15)
            value = static_cast<long long>(s.value);
        list.push_back({{"option", s.option}, {"value", value}, {"reason", s.reason}});
    }
    return list;
}

namespace {

// A word of lower-case letters and dashes, as option names and reasons are.
bool plainWord(const nlohmann::json& word) {
    if (!word.is_string())
        return false;
    const std::string& text = word.get_ref<const std::string&>();
    return !text.empty() && text.size() <= 32 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || c == '-';
    });
}

// The records come from a run that read a hostile model: a list of a few
// suggestions of plain words and finite numbers, or no record.
bool parseSuggestions(const nlohmann::json& list, std::vector<Suggestion>& out) {
    if (!list.is_array() || list.size() > 8)
        return false;
    for (const nlohmann::json& item : list) {
        if (!item.is_object() || !item.contains("option") || !item.contains("value") ||
            !item.contains("reason") || !plainWord(item["option"]) || !plainWord(item["reason"]) ||
            !item["value"].is_number() || !std::isfinite(item["value"].get<double>()))
            return false;
        out.push_back({item["option"].get<std::string>(), item["value"].get<double>(),
                       item["reason"].get<std::string>()});
    }
    return true;
}

}  // namespace

std::string jobEventJson(const JobEvent& event) {
    nlohmann::json json{{"stage", event.stage}};
    if (event.steps > 0) {
        json["step"] = event.step;
        json["steps"] = event.steps;
    }
    if (event.position > 0)
        json["position"] = event.position;
    if (!event.error.empty())
        json["error"] = event.error;
    if (!event.detail.empty())
        json["detail"] = event.detail;
    if (!event.suggestions.empty())
        json["suggestions"] = suggestionsJson(event.suggestions);
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// What the host's progress window says in one line.
constexpr size_t kDetailMost = 200;  // bytes

bool parseJobEvent(const std::string& line, JobEvent& event) {
    nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_object() || !json.contains("stage") || !json["stage"].is_string())
        return false;
    // value() throws on a field of the wrong type: such a line is no record.
    try {
        event = JobEvent{};
        event.stage = json["stage"].get<std::string>();
        event.step = json.value("step", 0);
        event.steps = json.value("steps", 0);
        event.position = json.value("position", 0);
        event.error = json.value("error", std::string());
        event.detail = json.value("detail", std::string());
        // a line of progress, not a page of it
        if (event.detail.size() > kDetailMost)
            return false;
        if (json.contains("suggestions") &&
            !parseSuggestions(json["suggestions"], event.suggestions))
            return false;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    return true;
}
