#pragma once
// The stages of one "kivano unfold" run and the records that pass between
// them: the options checked (run_checks.cpp), the model imported and
// unfolded in the host (host_stages.cpp), the sheet read, laid out and
// written (sheet_stages.cpp), the report (run_report.cpp), progress
// (run_progress.cpp). unfold_command.cpp runs them in order.
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "assembly_map.h"
#include "faces_json.h"
#include "job_events.h"
#include "layout.h"
#include "net_picture.h"
#include "page_edits.h"
#include "project_file.h"
#include "scene_reader.h"
#include "sheet_model.h"
#include "unfold_options.h"

namespace run {

using Clock = std::chrono::steady_clock;

// Wall time and this process's processor time: on a shared machine the
// second is what the run itself cost.
struct Instant {
    Clock::time_point wall;
    double cpu;
};

inline Instant now() {
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return {Clock::now(), double(cpu.tv_sec) + double(cpu.tv_nsec) * 1e-9};
}

struct Seconds {
    std::string stage;
    double wall, cpu;
};

inline Seconds between(const std::string& stage, const Instant& start, const Instant& end) {
    return {stage, std::chrono::duration<double>(end.wall - start.wall).count(),
            end.cpu - start.cpu};
}

enum class OutputKind { Obj, Pdf, Svg };

struct Output {
    std::string path;
    OutputKind kind;
};

struct PageSize {
    double width = 0.0;
    double height = 0.0;
};
using sheet::PageFrame;

// Everything a run learns, for the report.
// Lengths of the cut edges that print a glue number, on paper, one per number.
struct EdgeLengths {
    double shortest = 0.0, median = 0.0, longest = 0.0;
    size_t count = 0;
};

// A model simplified before unfolding (--faces): triangles before and after,
// and how far its surface moved, on paper.
struct Simplified {
    int before = 0, after = 0;
    double deviation = 0.0, bound = 0.0;  // mm
};

struct RunReport {
    int inputTriangles = 0;
    std::optional<Simplified> simplified;
    double extent = 0.0;  // the model's largest extent on paper, mm
    int nets = 0;
    int glueNumbers = 0;
    int cutEdges = 0;  // between two faces, each once
    int leaders = 0;   // glue numbers joined to their edge by a line
    bool map = false;
    sheet::MapSummary mapped;
    std::vector<double> coverage;  // per page, the share of the printable area pieces take
    double pagesLowerBound = 0.0;  // the pieces' area over one page's printable area
    EdgeLengths numberedEdges;
    nlohmann::ordered_json labels;  // every printed number
    sheet::SceneCounts objects;
    int pages = 0;
    std::vector<std::string> written;
    std::vector<std::string> unlisted;  // written beside `written`, not in the report
    std::vector<std::string> warnings;
    std::vector<Suggestion> suggestions;  // options the warnings propose
    std::vector<Seconds> seconds;
};

// A failed stage: the one line the user sees.
struct Failure {
    std::string message;
    int exit = kUnfoldFailed;
    std::vector<Suggestion> suggestions{};  // options the message proposes
};

// ---- progress (run_progress.cpp) ------------------------------------------

// Where progress goes: standard output unless quiet, and one record per
// stage to the descriptor a program gave (-1: none).
void setProgress(bool quiet, int fd);
void tell(const JobEvent& event);
// How the stage told last goes, to the progress descriptor and as a line
// of its own.
void tellHow(const std::string& detail);
// Any other one-line record for the program that runs the command.
void tellLine(const std::string& json);
void say(const std::string& line);
void warn(RunReport& report, const std::string& text);
// The plug-in announces its steps; the report times them.
void resetStepMarks();
void markStep(int progress);
void addPluginSteps(RunReport& report);

// ---- options (run_checks.cpp) ----------------------------------------------

std::optional<Failure> badOption(const std::string& message);
bool limitsPage(const UnfoldOptions& o);
// Join orders the fewest-pieces unfolding tries beyond its fixed directions:
// as given, else for a model simplified with --faces kTriesWhenSimplified
// up to 1,500 triangles, fewer by the square of how many more it keeps.
constexpr int kTriesWhenSimplified = 2000;
int joinOrderTries(const UnfoldOptions& o, const RunReport& report);
std::optional<Failure> checkOptions(const UnfoldOptions& o, PageFrame& page,
                                    std::vector<Output>& outputs);
std::optional<Failure> checkWritable(const std::vector<Output>& outputs);
std::optional<Failure> checkInput(const std::string& input);

// ---- the host (host_stages.cpp) --------------------------------------------

constexpr double kMillimetresPerUnit = 10.0;  // the scene works in centimetres

// Runs `stages` in a host session of their own; a successful run's session
// is kept for endHostSession.
std::optional<Failure> inHostSession(const std::function<std::optional<Failure>()>& stages);
// True when the session of a successful run still stands: the process may
// end without taking it apart.
bool hostSessionKept();
void endHostSession();
std::optional<Failure> runCommand(const std::string& text, const std::string& what);
// A string literal of either script language: `quote` and backslashes escaped.
std::string quotedString(const std::string& text, char quote);
std::optional<Failure> loadPlugin();
std::optional<Failure> importInput(const std::string& input, std::vector<std::string>& names,
                                   RunReport& report);
// Winds every part of the model one way, warning of what it turned.
std::optional<Failure> orientParts(const std::vector<std::string>& names, RunReport& report);
std::optional<Failure> chooseScale(const UnfoldOptions& o, const std::vector<std::string>& names,
                                   double& scale, RunReport& report);
// Fewer triangles where --faces asks for them (host_simplify.cpp), before
// the model is scaled: `scale` turns scene units into paper's.
std::optional<Failure> simplifyModel(const UnfoldOptions& o, const std::vector<std::string>& names,
                                     double scale, RunReport& report);
std::optional<Failure> scaleAndSelect(const std::vector<std::string>& names, double scale);
InputPolygons inputPolygons(const std::vector<std::string>& transforms);
std::optional<Failure> runWindow(const UnfoldOptions& o, const PageFrame& page,
                                 const RunReport& report);
std::optional<Failure> writeObj(const std::string& path, std::vector<std::string>& written);

// ---- the sheet (sheet_stages.cpp) ------------------------------------------

// The run edits the sheet (a project, edits, or one to save).
bool editsSheet(const UnfoldOptions& o);
double flatAngle(const UnfoldOptions& o);
sheet::LayoutOptions layoutOptions(const UnfoldOptions& o, const PageFrame& page);
std::optional<Failure> readSheet(const UnfoldOptions& o, sheet::Sheet& sheet, RunReport& report);
std::optional<Failure> packPages(sheet::Sheet& sheet, const UnfoldOptions& o, const PageFrame& page,
                                 sheet::Layout& layout, RunReport& report);
std::optional<Failure> finishPages(sheet::Sheet& sheet, const UnfoldOptions& o,
                                   const PageFrame& page, sheet::Layout& layout, RunReport& report);
std::optional<Failure> writeOutput(const Output& out, const sheet::Sheet& sheet,
                                   const sheet::Layout& layout, sheet::Pictures& pictures,
                                   RunReport& report);
std::optional<Failure> writeFaces(const UnfoldOptions& o, const sheet::Sheet& sheet,
                                  const sheet::Layout& layout, const InputPolygons& input,
                                  RunReport& report);
void warnTextures(const sheet::Pictures& pictures, RunReport& report);

// The nets and numbers of an edited sheet, for the report.
void countEdited(const sheet::Sheet& sheet, RunReport& report);

// ---- edits (edit_stages.cpp) -------------------------------------------------

// The sheet being edited, with the names a project gives its edges.
struct Editing {
    std::unique_ptr<sheet::Sheet> sheet;
    std::unique_ptr<sheet::PageEditor> editor;
    FaceCorners corners;
    std::map<std::array<int, 2>, int> edges;
};

// The project's options, where the command line gave none.
std::optional<Failure> takeProjectOptions(UnfoldOptions& o);
// `frames`: the nets as unfolded, classified; `layout`: their pages.
std::optional<Failure> startEditing(const UnfoldOptions& o, const PageFrame& page,
                                    sheet::Sheet&& frames, const sheet::Layout& layout,
                                    const InputPolygons& input, Editing& editing);
std::optional<Failure> applyProject(const UnfoldOptions& o, Editing& editing, RunReport& report);
std::optional<Failure> applyEdits(const UnfoldOptions& o, const PageFrame& page, Editing& editing);
std::optional<Failure> writeProject(const UnfoldOptions& o, const Editing& editing,
                                    RunReport& report);
// For a program that keeps the run: tells it "ready", then takes one edit
// per line of standard input until it closes, writes the outputs again after
// each and answers on the progress descriptor. `layout`: the pages as the
// run printed them, which the edits then replace.
void editSession(const UnfoldOptions& o, const PageFrame& page, const std::vector<Output>& outputs,
                 Editing& editing, sheet::Pictures& pictures, const InputPolygons& input,
                 const RunReport& report, sheet::Layout& layout);

// ---- the report (run_report.cpp) -------------------------------------------

nlohmann::ordered_json labelsJson(const sheet::Layout& layout);
std::optional<Failure> writeReport(const UnfoldOptions& o, const RunReport& report);

}  // namespace run
