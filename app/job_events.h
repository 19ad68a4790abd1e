#pragma once
// What an unfolding run tells the program that started it, one record per
// line on a file descriptor of that program's choosing: the stage it begins,
// or the error it stops with. The same record goes on to a browser as a
// server-sent event, so writer, server and page all read one shape.
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

// An option the run proposes, for a page to offer in its own words: the
// command line's sentence names the same option and value.
struct Suggestion {
    std::string option;  // its name without dashes ("height")
    double value = 0.0;
    // "numbers": edges too short for them; "pages": too many; "triangles":
    // more than a person cuts out
    std::string reason;
};

struct JobEvent {
    // A stage of the run ("import", "layout", ...), or "queued", "done",
    // "failed" for the job around it.
    std::string stage;
    int step = 0;       // 1-based place of the stage among `steps`; 0 outside the run
    int steps = 0;      // stages the run goes through
    int position = 0;   // "queued": jobs ahead of this one, plus one
    std::string error;  // "failed": the one line the command-line tool prints
    std::vector<Suggestion> suggestions{};  // "failed": what might let the run succeed
    std::string detail{};  // within a long stage: how it goes, as the host's window says it
};

// [{"option", "value", "reason"}, ...]; a whole value as an integer.
nlohmann::ordered_json suggestionsJson(const std::vector<Suggestion>& suggestions);

// One line of JSON, without its newline.
std::string jobEventJson(const JobEvent& event);

// False for a line that is not such a record.
bool parseJobEvent(const std::string& line, JobEvent& event);
