#include "job_events.h"

#include <nlohmann/json.hpp>

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
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

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
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    return true;
}
