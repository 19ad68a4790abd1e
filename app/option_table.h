#pragma once
// The options of "kivano unfold", once: name, kind, default, allowed range or
// choices, unit, group, label and one line of help, and which part of the run
// uses each. The command line, its --help, the server's checks and the page's
// form (through GET /api/options) are all made from this table.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "unfold_options.h"

// The command-line name of the option that fills `field` ("--height"), so
// that a message naming an option takes its name from the table.
template <typename T>
std::string flagOf(T UnfoldOptions::*field);

// A model larger on paper than this (10 m) is no sheet anyone cuts out, and
// laying out its nets would take gigabytes: a net's footprint is kept in
// cells of a quarter square millimetre.
constexpr double kPaperExtentMax = 1e4;  // mm

enum class OptionType {
    Flag,    // present or not
    Number,  // any real within its range
    Count,   // a whole number within its range
    Choice,  // one of its choices
    Page,    // a named paper size or WIDTHxHEIGHT in mm
};

// The run reads the model into the host scene and runs the plug-in there
// (Scene), then lays out and writes the printable sheet (Sheet).
enum class OptionStage { Scene, Sheet };

// Values from `low` to `high`, either end left out where it says so.
struct OptionRange {
    double low, high;
    bool aboveLow = false, belowHigh = false;
};

struct OptionChoice {
    std::string value, label;
};

// Where the command keeps an option's value. A default is what
// UnfoldOptions holds before parsing; an unset optional has none.
using OptionField = std::variant<bool UnfoldOptions::*, double UnfoldOptions::*,
                                 std::optional<double> UnfoldOptions::*, int UnfoldOptions::*,
                                 std::string UnfoldOptions::*>;

struct OptionEntry {
    std::string name;  // as on the command line, without "--"
    OptionType type;
    OptionStage stage;
    std::string group;  // as the page groups its form
    std::string label;  // the page's words for it
    std::string help;   // one line, ranges added where they are printed
    std::string unit;   // "mm", "°", or empty
    std::optional<OptionRange> range;
    std::vector<OptionChoice> choices;
    std::string excludes;     // an option that cannot be given with it
    std::string placeholder;  // what an unset value means, for a form
    OptionField field;
};

// The table, in the order --help and the page show it.
const std::vector<OptionEntry>& unfoldOptionTable();

// The paper sizes known by name, portrait.
struct NamedPaper {
    const char* name;
    double width, height;  // mm
};
const std::vector<NamedPaper>& namedPapers();

// A paper size by its name ("A4", "A4L" for landscape, "Letter") or
// "WIDTHxHEIGHT" in mm; false when it is neither.
struct PaperSize {
    double width = 0.0, height = 0.0;  // mm
};
bool parsePaperSize(const std::string& text, PaperSize& size);

// Whether `value` lies in the range; NaN lies in none.
bool holds(const OptionRange& range, double value);

// "between 20 and 10,000 mm", "above 0 and at most 100 mm", ...
std::string describeRange(const OptionRange& range, const std::string& unit);

// The help line as --help prints it: with its range or choices.
std::string fullHelp(const OptionEntry& entry);

// The one sentence that refuses a value, or empty when the table allows it:
// "--scale 0: must be above 0 and at most 1,000,000". The command line and
// the server say the same.
std::string refusal(const OptionEntry& entry, double value);
std::string refusal(const OptionEntry& entry, const std::string& value);

// Every value `options` holds, checked against the table.
std::string firstRefusal(const std::vector<OptionEntry>& table, const UnfoldOptions& options);

// GET /api/options: {"groups": [{"name", "options": [...]}]}.
nlohmann::json optionsJson(const std::vector<OptionEntry>& table);

// A JSON object of option names and values, as a page sends them, checked
// against the table and turned into the command's "--name=value"
// arguments; false with the sentence that refuses it.
bool argumentsFromJson(const std::vector<OptionEntry>& table, const nlohmann::json& options,
                       std::vector<std::string>& args, std::string& error);

// Every option's value in `options`, by name, as a page sends them (null
// where an optional one is unset).
nlohmann::json optionValuesJson(const std::vector<OptionEntry>& table,
                                const UnfoldOptions& options);

template <typename T>
std::string flagOf(T UnfoldOptions::*field) {
    for (const OptionEntry& entry : unfoldOptionTable())
        if (const auto* member = std::get_if<T UnfoldOptions::*>(&entry.field);
            member && *member == field)
            return "--" + entry.name;
    return {};
}

// An option as a suggestion names it: its flag without the dashes.
template <typename T>
std::string optionName(T UnfoldOptions::*field) {
    std::string flag = flagOf(field);
    return flag.starts_with("--") ? flag.substr(2) : flag;
}

// "--hieght" -> "height": the table's name nearest a mistyped one, or empty
// when none is near.
std::string nearestName(const std::vector<std::string>& names, const std::string& typed);
