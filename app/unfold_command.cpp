#include "unfold_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include <unistd.h>

#include "assembly_map.h"
#include "classify_edges.h"
#include "common/atomic_file.h"
#include "common/read_gate.h"
#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "faces_json.h"
#include "io/model_io.h"
#include "job_events.h"
#include "layout.h"
#include "number_text.h"
#include "option_cli.h"
#include "option_table.h"
#include "outline.h"
#include "plugin/option_controls.h"
#include "scene/scene.h"
#include "scene_reader.h"
#include "sheet_writer.h"
#include "tiling.h"
#include "ui/ui_api.h"

namespace {

namespace fs = std::filesystem;

constexpr double kMillimetresPerUnit = 10.0;  // the scene works in centimetres
// Clearance a glue number wants beyond its ink along its edge, mm.
constexpr double kNumberRoom = 1.0;
// The share of numbered edges a suggested --height lets hold their number.
constexpr double kHoldingShare = 0.95;
using Clock = std::chrono::steady_clock;

// Wall time and this process's processor time: on a shared machine the
// second is what the run itself cost.
struct Instant {
    Clock::time_point wall;
    double cpu;
};

Instant now() {
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return {Clock::now(), double(cpu.tv_sec) + double(cpu.tv_nsec) * 1e-9};
}

struct Seconds {
    std::string stage;
    double wall, cpu;
};

Seconds between(const std::string& stage, const Instant& start, const Instant& end) {
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

// Everything a run learns, for the report.
// Lengths of the cut edges that print a glue number, on paper, one per number.
struct EdgeLengths {
    double shortest = 0.0, median = 0.0, longest = 0.0;
    size_t count = 0;
};

struct RunReport {
    int inputTriangles = 0;
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
    std::string labels;  // every printed number, as JSON objects
    sheet::SceneCounts objects;
    int pages = 0;
    std::vector<std::string> written;
    std::vector<std::string> warnings;
    std::vector<Seconds> seconds;
};

// A failed stage: the one line the user sees.
struct Failure {
    std::string message;
    int exit = kUnfoldFailed;
};

bool gQuiet = false;
int gProgressFd = -1;

// A reader that went away loses the record; the run goes on.
void tell(const JobEvent& event) {
    if (gProgressFd < 0)
        return;
    std::string line = jobEventJson(event) + "\n";
    for (size_t done = 0; done < line.size();) {
        ssize_t n = write(gProgressFd, line.data() + done, line.size() - done);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

void say(const std::string& line) {
    if (!gQuiet)
        std::printf("%s\n", line.c_str());
}

void warn(RunReport& report, const std::string& text) {
    report.warnings.push_back(text);
    std::fprintf(stderr, "kivano: warning: %s\n", text.c_str());
}

// The plug-in's steps as it announces them: the time between two
// announcements is the time of a step, which the report gives beside the
// stages the tool times itself.
const char* const kStepMessages[] = {"kivano: calculate(2/3)..", "kivano: calculate(3/3)..",
                                     "kivano: creating scene..", "kivano: finished"};
const char* const kStepNames[] = {"extraction", "algokante", "output"};
constexpr size_t kStepMarks = std::size(kStepMessages);
static_assert(std::size(kStepNames) + 1 == kStepMarks);

std::array<std::optional<Instant>, kStepMarks> gStepMarks;

void markStep(const std::string& text) {
    for (size_t i = 0; i < kStepMarks; ++i)
        if (text == kStepMessages[i])
            gStepMarks[i] = now();
}

// Steps the plug-in did not reach (an empty selection, a failed run) are
// left out rather than given as zero.
void addPluginSteps(RunReport& report) {
    for (size_t i = 0; i + 1 < kStepMarks; ++i)
        if (gStepMarks[i] && gStepMarks[i + 1] && gStepMarks[i + 1]->wall >= gStepMarks[i]->wall)
            report.seconds.push_back(between(kStepNames[i], *gStepMarks[i], *gStepMarks[i + 1]));
}

// The plug-in's progress, as it comes; the host prints errors itself, and
// what else it tells (the option window drawn as text) is no progress.
void onHostMessage(const host::Message& message) {
    if (message.kind == host::MessageKind::Info && message.text.rfind("kivano: ", 0) == 0) {
        markStep(message.text);
        say(message.text);
    } else if (message.kind == host::MessageKind::Warning)
        std::fprintf(stderr, "Warning: %s\n", message.text.c_str());
}

std::string fixed1(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

double round2(double value) {
    return std::round(value * 100.0) / 100.0;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// ---- options ----------------------------------------------------------------

std::string boundText(double value) {
    return value >= 1000.0 && value == std::floor(value) ? thousands(size_t(value)) : number(value);
}

// What a net may grow to with --limit-page: the page inside its margins,
// less the band its number takes, so a limited net really fits its page.
PageSize netLimit(const UnfoldOptions& o, const PageSize& page) {
    double band = sheet::kNetNumberSize + 1.6;
    return {page.width - 2 * o.margin,
            page.height - o.margin - std::max(o.margin, sheet::kFooterHeight) - band};
}

bool outputKind(const std::string& path, OutputKind& kind) {
    std::string ext = lower(fs::path(path).extension().string());
    static const std::map<std::string, OutputKind> kinds{
        {".obj", OutputKind::Obj}, {".pdf", OutputKind::Pdf}, {".svg", OutputKind::Svg}};
    auto found = kinds.find(ext);
    if (found == kinds.end())
        return false;
    kind = found->second;
    return true;
}

std::optional<Failure> badOption(const std::string& message) {
    return Failure{message, kUnfoldBadOption};
}

std::optional<Failure> checkPage(const UnfoldOptions& o, PageSize& page) {
    PaperSize paper;
    if (!parsePaperSize(o.page, paper))
        return std::nullopt;  // the table's check says why
    page = {paper.width, paper.height};
    // Half the shorter side would leave a page of margins.
    OptionRange margin{0.0, std::min(page.width, page.height) / 2, false, true};
    if (!(o.margin >= margin.low && o.margin < margin.high))
        return badOption("--margin " + number(o.margin) + ": must be " +
                         describeRange(margin, "mm") + " on a " + o.page + " page");
    PageSize limit = netLimit(o, page);
    if (limit.width <= 0.0 || limit.height <= 0.0)
        return badOption("--margin " + number(o.margin) + " leaves no room on a " + o.page +
                         " page");
    return std::nullopt;
}

std::optional<Failure> checkOptions(const UnfoldOptions& o, PageSize& page,
                                    std::vector<Output>& outputs) {
    if (std::string refused = firstRefusal(unfoldOptionTable(), o); !refused.empty())
        return badOption(refused);
    if (auto failure = checkPage(o, page))
        return failure;
    for (const std::string& path : o.outputs) {
        Output out{path, OutputKind::Obj};
        if (!outputKind(path, out.kind))
            return badOption("output " + path + ": unknown kind, use .obj, .pdf or .svg");
        outputs.push_back(out);
    }
    return std::nullopt;
}

// Fails early, before the long part of the run, on a place that cannot be
// written; leaves nothing behind.
std::optional<Failure> checkWritable(const std::vector<Output>& outputs) {
    for (const Output& out : outputs) {
        kivano::AtomicFile probe;
        std::string error;
        if (!probe.open(out.path, error))
            return Failure{error};
    }
    return std::nullopt;
}

std::optional<Failure> checkInput(const std::string& input) {
    if (!kivano::mayRead(input))
        return Failure{"cannot read " + input +
                       ": it lies outside the folder given to --read-within"};
    std::ifstream file(input, std::ios::binary);
    std::error_code code;
    if (!file || fs::is_directory(input, code))
        return Failure{"cannot read " + input + ": no such file or not readable"};
    return std::nullopt;
}

// ---- host stages ------------------------------------------------------------

std::optional<Failure> runCommand(const std::string& text, const std::string& what) {
    host::ExecOptions exec;
    host::Value result;
    if (!host::executeCommandLanguage(text, &result, exec))
        return Failure{what + " failed (" + text + ")"};
    return std::nullopt;
}

std::optional<Failure> runPython(const std::string& code) {
    if (!host::runPython(code))
        return Failure{"the option window refused: " + code};
    return std::nullopt;
}

std::string commandString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

#ifndef KIVANO_PLUGIN_PATH
#define KIVANO_PLUGIN_PATH "libkivano_plugin.so"  // found on the library path
#endif

std::string pluginPath() {
    if (const char* env = std::getenv("KIVANO_PLUGIN"); env && *env)
        return env;
    return KIVANO_PLUGIN_PATH;
}

std::optional<Failure> loadPlugin() {
    std::string path = pluginPath();
    if (runCommand("loadPlugin " + commandString(path) + ";", "loading the plug-in"))
        return Failure{"cannot load the plug-in " + path +
                       " (set KIVANO_PLUGIN to the library's path)"};
    return std::nullopt;
}

// fn(shape) for the mesh shape of each imported transform that has one.
template <typename Fn>
void forEachMeshShape(const std::vector<std::string>& transforms, Fn fn) {
    for (const std::string& name : transforms) {
        host::scene::Node* node = host::scene::findNode(name);
        host::scene::Node* shape = node ? host::scene::meshOf(*node) : nullptr;
        if (shape && shape->mesh)
            fn(*shape);
    }
}

int trianglesOf(const std::vector<std::string>& transforms) {
    int triangles = 0;
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        for (int count : *shape.mesh->counts)
            triangles += std::max(0, count - 2);
    });
    return triangles;
}

// The largest side of the box around the imported model, in scene units.
double largestExtent(const std::vector<std::string>& transforms) {
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        host::scene::Matrix4 world = host::scene::worldMatrix(shape);
        for (const host::scene::Point3& p : *shape.mesh->points) {
            host::scene::Point3 q = host::scene::transformPoint(world, p);
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], q[axis]);
                high[axis] = std::max(high[axis], q[axis]);
            }
        }
    });
    double extent = 0.0;
    for (int axis = 0; axis < 3; ++axis)
        extent = std::max(extent, high[axis] - low[axis]);
    return extent;  // infinite where the coordinates are too far apart to subtract
}

// The scale the model is unfolded at: --height turns the model's largest
// extent into that many millimetres on paper, else --scale as given.
std::optional<Failure> chooseScale(const UnfoldOptions& o, const std::vector<std::string>& names,
                                   double& scale, RunReport& report) {
    double extent = largestExtent(names) * kMillimetresPerUnit;
    if (!std::isfinite(extent))
        return Failure{"cannot unfold " + o.input +
                       ": its coordinates lie too far apart to measure"};
    scale = o.scale;
    if (o.height) {
        if (!(extent > 0.0))
            return badOption("--height: " + o.input + " has no extent to scale");
        scale = *o.height / extent;
    }
    report.extent = extent * scale;
    if (!(report.extent <= kPaperExtentMax))
        return Failure{"cannot unfold " + o.input + ": it would be " + number(report.extent) +
                       " mm across on paper, more than " + boundText(kPaperExtentMax) +
                       " mm; make it smaller with --scale or --height"};
    return std::nullopt;
}

std::optional<Failure> importInput(const std::string& input, std::vector<std::string>& names,
                                   RunReport& report) {
    std::string error;
    size_t logged = host::messageLog().size();
    bool imported = host::io::importModelFile(input, names, error);
    // What the import left out (a texture, a material library) belongs in
    // the report too, not only on the terminal.
    const std::vector<host::Message>& log = host::messageLog();
    for (size_t i = logged; i < log.size(); ++i)
        if (log[i].kind == host::MessageKind::Warning)
            report.warnings.push_back(log[i].text);
    if (!imported)
        return Failure{error};
    report.inputTriangles = trianglesOf(names);
    if (names.empty() || report.inputTriangles == 0)
        return Failure{"cannot unfold " + input + ": it holds no polygons"};
    return std::nullopt;
}

std::optional<Failure> scaleAndSelect(const std::vector<std::string>& names, double scale) {
    std::string select = "select -r";
    for (const std::string& name : names) {
        if (scale != 1.0) {
            std::string f = number(scale);
            if (auto failure = runCommand(
                    "setAttr " + name + ".scale " + f + " " + f + " " + f + ";", "scaling " + name))
                return failure;
        }
        select += " " + name;
    }
    return runCommand(select + ";", "selecting the model");
}

// Pieces larger than the paper cannot be printed, so the fewest-pieces
// unfolding always keeps them within the page.
bool limitsPage(const UnfoldOptions& o) {
    return o.limitPage || o.pieces == "fewest";
}

// The window's controls set as a person would set them.
std::vector<std::string> controlEdits(const UnfoldOptions& o, const PageSize& page) {
    PageSize limit = limitsPage(o) ? netLimit(o, page) : page;
    if (o.pieces == "fewest") {
        // Packing keeps half a gap around every net, also at the page's
        // edge: a net as large as the page would get a page of its own.
        limit.width -= sheet::LayoutOptions().netGap;
        limit.height -= sheet::LayoutOptions().netGap;
    }
    auto text = [](const char* control, double value) {
        return std::string("cmds.textFieldGrp(") + control + ",edit=True,text='" + number(value) +
               "')";
    };
    auto check = [](const char* control, bool value) {
        return std::string("cmds.checkBox(") + control +
               ",edit=True,value=" + (value ? "True" : "False") + ")";
    };
    const char* radio = o.arrangement == "side-by-side" ? KIVANO_CONTROL_SIDE_BY_SIDE
                        : o.arrangement == "animation"  ? KIVANO_CONTROL_ANIMATION
                                                        : KIVANO_CONTROL_LAYERED;
    return {check(KIVANO_CONTROL_DELETE_ORIGINAL, !o.keepOriginal),
            check(KIVANO_CONTROL_LIMIT_PAGE, limitsPage(o)),
            text(KIVANO_CONTROL_PAGE_WIDTH, limit.width),
            text(KIVANO_CONTROL_PAGE_HEIGHT, limit.height),
            std::string("cmds.radioButton(") + radio + ",edit=True,select=True)",
            check(KIVANO_CONTROL_GENERATE_LUGS, !o.noLugs),
            text(KIVANO_CONTROL_LUG_WIDTH, o.lugWidth)};
}

// The first Start button of the option window.
std::string startButton() {
    const host::ui::Control* window = host::ui::findControl("newWindow");
    std::vector<const host::ui::Control*> open{window};
    while (!open.empty()) {
        const host::ui::Control* c = open.back();
        open.pop_back();
        if (!c)
            continue;
        if (c->kind == host::ui::Kind::Button)
            return c->path();
        for (auto it = c->children.rbegin(); it != c->children.rend(); ++it)
            open.push_back(it->get());
    }
    return {};
}

size_t errorCount() {
    size_t n = 0;
    for (const host::Message& m : host::messageLog())
        n += m.kind == host::MessageKind::Error;
    return n;
}

std::string lastError() {
    const auto& log = host::messageLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->kind == host::MessageKind::Error)
            return it->text;
    return {};
}

std::optional<Failure> runWindow(const UnfoldOptions& o, const PageSize& page) {
    std::string language = o.language == "de" ? "0" : "1";
    if (auto failure = runCommand("kivanomenu -l " + language + ";", "opening the option window"))
        return failure;
    for (const std::string& edit : controlEdits(o, page))
        if (auto failure = runPython(edit))
            return failure;
    std::string start = startButton();
    if (start.empty())
        return Failure{"the option window has no Start button"};
    size_t errorsBefore = errorCount();
    // The window's lines start the specified unfolding; the other one is the
    // command's own flag, given as a script would give it.
    bool ran = o.pieces == "fewest" ? !runPython("cmds.kivano(pieces='fewest')")
                                    : host::ui::pressButton(start);
    if (!ran || errorCount() != errorsBefore) {
        if (lastError().find(host::kNotEnoughMemory) != std::string::npos)
            throw std::bad_alloc();  // said once, for the whole run
        return Failure{"the unfolding failed: " + lastError()};
    }
    return std::nullopt;
}

// ---- the sheet --------------------------------------------------------------

void measureNumberedEdges(const sheet::Sheet& sheet, RunReport& report) {
    // One length per number: the edge that prints it (both sides of a seam
    // print on equally long edges).
    std::vector<double> lengths(size_t(report.glueNumbers), 0.0);
    for (const sheet::Net& net : sheet.nets)
        for (const sheet::Face& face : net.faces)
            for (int k = 0; k < 3; ++k)
                if (face.labelled[k] && face.glue[k] > 0) {
                    sheet::Vec2 a = face.p[k], b = face.p[(k + 1) % 3];
                    double& length = lengths[size_t(face.glue[k] - 1)];
                    length = std::max(length, std::hypot(b.x - a.x, b.y - a.y));
                }
    if (lengths.empty())
        return;
    std::sort(lengths.begin(), lengths.end());
    report.numberedEdges = {lengths.front(), lengths[lengths.size() / 2], lengths.back(),
                            lengths.size()};
    // An edge holds its number when the number, at the smallest size still
    // legible, fits along it with a little room to spare.
    std::string widest(std::to_string(report.glueNumbers).size(), '8');
    double room =
        std::ceil(
            (sheet::measureText(widest, sheet::kGlueSizeMin, sheet::LabelFont::Regular).width +
             kNumberRoom) *
            10.0) /
        10.0;
    size_t tooShort =
        size_t(std::lower_bound(lengths.begin(), lengths.end(), room) - lengths.begin());
    // Warn only when more than the share the suggestion aims at lacks room,
    // so the suggested height is always larger than the one used.
    if (double(tooShort) <= (1.0 - kHoldingShare) * double(lengths.size()) || !(report.extent > 0))
        return;
    double holding = lengths[size_t(std::floor((1.0 - kHoldingShare) * double(lengths.size())))];
    double suggested = std::ceil(report.extent * room / holding / 10.0) * 10.0;
    warn(report, thousands(tooShort) + " of " + thousands(lengths.size()) +
                     " numbered cut edges are shorter than " + fixed1(room) +
                     " mm; numbers need room: try --height " + number(suggested));
}

// Folds flatter than this print no line: the option's degrees, or faces
// that lie in one plane.
double flatAngle(const UnfoldOptions& o) {
    return o.flatAngle ? *o.flatAngle * std::acos(-1.0) / 180.0 : kFlatFoldAngle;
}

std::optional<Failure> readSheet(const UnfoldOptions& o, sheet::Sheet& sheet, RunReport& report) {
    std::vector<std::string> warnings;
    std::string error;
    bool ok = sheet::readSheetFromScene(sheet, report.objects, warnings, error,
                                        o.map || !o.facesJson.empty());
    for (const std::string& w : warnings)
        warn(report, w);
    if (!ok)
        return Failure{"the unfolding left no sheet: " + error};
    report.glueNumbers = sheet::classifyEdges(sheet, flatAngle(o));
    // each cut edge between two faces carries a glue number on both sides
    for (const sheet::Net& net : sheet.nets)
        for (const sheet::Face& face : net.faces)
            for (int k = 0; k < 3; ++k)
                report.cutEdges += face.glue[k] > 0 ? 1 : 0;
    report.cutEdges /= 2;
    measureNumberedEdges(sheet, report);
    report.nets = int(sheet.nets.size());
    return std::nullopt;
}

void warnOversize(const sheet::Layout& layout, bool limited, RunReport& report) {
    for (const sheet::OversizeNet& net : layout.oversize)
        warn(
            report,
            "net " + std::to_string(net.number) + " (objects dft" + std::to_string(net.container) +
                "_*) needs " + number(std::ceil(net.width)) + " x " +
                number(std::ceil(net.height)) + " mm, more than the printable " +
                number(layout.printableWidth) + " x " + number(layout.printableHeight) + " mm: " +
                (net.sheets > 0 ? "it is printed tiled on " + std::to_string(net.sheets) + " sheets"
                                : std::string("it gets a page of its own")) +
                "; use " + (limited ? "--scale" : "--limit-page or --scale") + " to fit it");
}

std::string numberList(const std::vector<double>& values) {
    std::string out;
    for (double v : values)
        out += (out.empty() ? "" : ", ") + number(round2(v));
    return "[" + out + "]";
}

std::string jsonPoint(sheet::Vec2 p) {
    return "[" + number(round2(p.x)) + ", " + number(round2(p.y)) + "]";
}

// The points of the edge or seam side a glue number names, along its outline.
std::vector<sheet::Vec2> seamPoints(const sheet::Net& net, const sheet::Label& label) {
    const sheet::Face& named = net.faces[size_t(label.edgeFace)];
    int side = named.seamSide[label.edge];
    std::vector<sheet::Segment> edges;
    for (const sheet::Face& face : net.faces)
        for (int k = 0; k < 3; ++k)
            if (side >= 0 ? face.seamSide[k] == side : (&face == &named && k == label.edge))
                edges.push_back({face.p[k], face.p[(k + 1) % 3]});
    std::vector<sheet::Vec2> points;
    for (const std::vector<sheet::Vec2>& line : sheet::chainSegments(edges))
        points.insert(points.end(), line.begin(), line.end());
    return points;
}

// Every glue and net number as printed, in page millimetres (y downwards),
// each glue number with the edge it names, so that a checker needs nothing
// but the report and the drawing.
std::string labelsJson(const sheet::Layout& layout) {
    std::string out;
    for (size_t p = 0; p < layout.pages.size(); ++p) {
        // A tile reports the numbers whose centre its window holds: those
        // its neighbours share in the overlap once on each.
        const sheet::Box& clip = layout.pages[p].clip;
        auto shown = [&](sheet::Vec2 c) {
            return clip.empty() ||
                   (c.x >= clip.minX && c.x <= clip.maxX && c.y >= clip.minY && c.y <= clip.maxY);
        };
        for (const sheet::Label& label : layout.pages[p].mapLabels)
            if (label.kind == sheet::LabelKind::Net)
                out += std::string(out.empty() ? "" : ",\n") +
                       "    {\"page\": " + std::to_string(p + 1) + ", \"text\": \"" + label.text +
                       "\", \"kind\": \"net\", \"centre\": " + jsonPoint(label.centre) +
                       ", \"size\": " + number(round2(label.size)) + ", \"map\": true}";
        for (const sheet::PlacedNet& net : layout.pages[p].nets)
            for (const sheet::Label& label : net.labels) {
                bool glue = label.kind == sheet::LabelKind::Glue;
                if ((!glue && label.kind != sheet::LabelKind::Net) || !shown(label.centre))
                    continue;
                out += std::string(out.empty() ? "" : ",\n") +
                       "    {\"page\": " + std::to_string(p + 1) + ", \"text\": \"" + label.text +
                       "\", \"kind\": \"" + (glue ? "glue" : "net") +
                       "\", \"centre\": " + jsonPoint(label.centre) +
                       ", \"size\": " + number(round2(label.size));
                if (glue && label.edgeFace >= 0 &&
                    size_t(label.edgeFace) < net.geometry.faces.size()) {
                    std::string points;
                    for (sheet::Vec2 corner : seamPoints(net.geometry, label))
                        points += (points.empty() ? "" : ", ") + jsonPoint(corner);
                    out += ", \"edge\": [" + points + "]";
                }
                if (label.leader)
                    out += ", \"leader\": true, \"leader_line\": [" + jsonPoint(label.leaderFrom) +
                           ", " + jsonPoint(label.leaderTo) + "]";
                out += "}";
            }
    }
    return out;
}

// The area of a polygon, or of its part inside `clip` when that is set:
// one half-plane of the clip after another (Sutherland-Hodgman).
double areaWithin(const sheet::Vec2* corners, int count, const sheet::Box& clip) {
    std::vector<sheet::Vec2> polygon(corners, corners + count);
    if (!clip.empty()) {
        const double edges[4] = {clip.minX, clip.maxX, clip.minY, clip.maxY};
        for (int side = 0; side < 4 && !polygon.empty(); ++side) {
            auto along = [&](sheet::Vec2 p) { return side < 2 ? p.x : p.y; };
            auto inside = [&](sheet::Vec2 p) {
                return side % 2 == 0 ? along(p) >= edges[side] : along(p) <= edges[side];
            };
            std::vector<sheet::Vec2> kept;
            for (size_t i = 0; i < polygon.size(); ++i) {
                sheet::Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                if (inside(a))
                    kept.push_back(a);
                if (inside(a) != inside(b)) {
                    double t = (edges[side] - along(a)) / (along(b) - along(a));
                    kept.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
                }
            }
            polygon.swap(kept);
        }
    }
    return std::abs(sheet::signedArea(polygon));
}

// What of a page its pieces (faces and tabs) take, in square millimetres.
double piecesArea(const sheet::Page& page) {
    double area = 0.0;
    for (const sheet::PlacedNet& net : page.nets) {
        for (const sheet::Face& face : net.geometry.faces)
            area += areaWithin(face.p, 3, page.clip);
        for (const sheet::Lug& lug : net.geometry.lugs)
            area += areaWithin(lug.p, 4, page.clip);
    }
    return area;
}

// A model of metres at true scale tiles into tens of thousands of pages:
// nobody prints that, and writing it takes minutes. Pages grow with the
// square of the height, so the suggestion scales the height by the root.
// `pages` is the count, or with `atLeast` what the faces' area alone needs.
Failure tooManyPages(const UnfoldOptions& o, const RunReport& report, double pages, bool atLeast) {
    std::string message = std::string("the sheet would take ") + (atLeast ? "at least " : "") +
                          thousands(size_t(std::ceil(pages))) + " pages, more than --max-pages " +
                          thousands(size_t(o.maxPages)) + ": ";
    double height =
        std::floor(report.extent * std::sqrt(double(o.maxPages) / pages) * 0.9 / 10.0) * 10.0;
    if (height >= 10.0)
        message += "make the model smaller, e.g. --height " + number(height) + ", ";
    return Failure{message + "or raise --max-pages"};
}

// The nets move into the layout; the sheet keeps its materials for drawing.
std::optional<Failure> layOut(sheet::Sheet& sheet, const UnfoldOptions& o, const PageSize& page,
                              sheet::Layout& layout, RunReport& report) {
    sheet::LayoutOptions options;
    options.pageWidth = page.width;
    options.pageHeight = page.height;
    options.margin = o.margin;
    options.packing = o.packing == "boxes" ? sheet::Packing::Boxes : sheet::Packing::Shapes;
    // The faces alone may already need far more pages than allowed: laying
    // out nets of metres costs minutes and gigabytes before the count is known.
    double facesArea = 0.0;
    for (const sheet::Net& net : sheet.nets)
        for (const sheet::Face& face : net.faces)
            facesArea += std::abs(sheet::signedArea(face.p));
    double printableArea = (page.width - 2 * o.margin) *
                           (page.height - o.margin - std::max(o.margin, sheet::kFooterHeight));
    if (o.maxPages > 0 && facesArea > double(o.maxPages) * printableArea)
        return tooManyPages(o, report, facesArea / printableArea, true);
    std::string error;
    if (!sheet::layoutSheet(std::move(sheet.nets), options, layout, error))
        return badOption("--page/--margin: " + error);
    // Each glue number with a leader counts once, however many tiles show it,
    // and so does each net's area.
    double printable = layout.printableWidth * layout.printableHeight, netsArea = 0.0;
    for (const sheet::Page& p : layout.pages) {
        netsArea += piecesArea(p);
        for (const sheet::PlacedNet& net : p.nets)
            for (const sheet::Label& label : net.labels)
                report.leaders += label.leader;
    }
    report.pagesLowerBound = netsArea / printable;
    if (o.oversize == "tile")
        sheet::tileOversizePages(layout, options);
    if (o.map) {
        report.map = true;
        report.mapped = sheet::addAssemblyMap(sheet.model, layout, options);
        if (o.facesJson.empty())
            std::vector<sheet::ModelTriangle>().swap(sheet.model);
    }
    report.pages = int(layout.pages.size());
    if (o.maxPages > 0 && report.pages > o.maxPages)
        return tooManyPages(o, report, report.pages, false);
    for (const sheet::Page& p : layout.pages)
        report.coverage.push_back(piecesArea(p) / printable);
    if (!o.json.empty())
        report.labels = labelsJson(layout);
    warnOversize(layout, limitsPage(o), report);
    return std::nullopt;
}

// The host's exporter writes the OBJ and its MTL library atomically itself.
std::optional<Failure> writeObj(const std::string& path, std::vector<std::string>& written) {
    std::string error;
    if (!host::io::exportObjFile(path, false, error))
        return Failure{error};
    fs::path mtl = fs::path(path).replace_extension(".mtl");
    std::error_code code;
    if (mtl != fs::path(path) && fs::exists(mtl, code))
        written.push_back(mtl.string());
    return std::nullopt;
}

std::optional<Failure> writeOutput(const Output& out, const sheet::Sheet& sheet,
                                   const sheet::Layout& layout, sheet::TextureCache& textures,
                                   RunReport& report) {
    std::string error;
    std::vector<std::string> written{out.path};
    bool ok = true;
    switch (out.kind) {
    case OutputKind::Obj:
        if (auto failure = writeObj(out.path, written))
            return failure;
        break;
    case OutputKind::Pdf:
        ok = sheet::writePdf(out.path, sheet, layout, textures, error);
        break;
    case OutputKind::Svg:
        ok = sheet::writeSvg(out.path, sheet, layout, textures, written, error);
        break;
    }
    if (!ok)
        return Failure{error};
    for (const std::string& path : written) {
        report.written.push_back(path);
        say("kivano: wrote " + path);
    }
    return std::nullopt;
}

// The imported polygons where the unfolding will find them, scaled: taken
// before the run, which may delete the original.
InputPolygons inputPolygons(const std::vector<std::string>& transforms) {
    InputPolygons input;
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        host::scene::Matrix4 world = host::scene::worldMatrix(shape);
        int first = int(input.points.size());
        for (const host::scene::Point3& p : *shape.mesh->points)
            input.points.push_back(host::scene::transformPoint(world, p));
        input.counts.insert(input.counts.end(), shape.mesh->counts->begin(),
                            shape.mesh->counts->end());
        for (int corner : *shape.mesh->connects)
            input.corners.push_back(first + corner);
    });
    return input;
}

std::optional<Failure> writeFaces(const UnfoldOptions& o, const sheet::Sheet& sheet,
                                  const sheet::Layout& layout, const InputPolygons& input,
                                  RunReport& report) {
    if (o.facesJson.empty())
        return std::nullopt;
    std::string error;
    if (!kivano::writeFileAtomically(o.facesJson, facesJson(sheet.model, layout, input), error))
        return Failure{error};
    report.written.push_back(o.facesJson);
    return std::nullopt;
}

// A path inside the current directory relative to it: a server runs each
// job in its folder, whose place on the machine is not the user's business.
std::string shownPath(const std::string& path) {
    std::error_code code;
    fs::path here = fs::current_path(code);
    fs::path relative = fs::path(path).lexically_relative(here);
    bool inside = !code && !relative.empty() && *relative.begin() != "..";
    return inside ? relative.string() : path;
}

void warnTextures(const sheet::TextureCache& textures, RunReport& report) {
    for (const auto& [path, reason] : textures.failures())
        warn(report, "texture " + shownPath(path) + " cannot be read (" + reason +
                         "): its faces are filled with the material's colour");
}

// ---- report -----------------------------------------------------------------

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char e[8];
            std::snprintf(e, sizeof e, "\\u%04x", c);
            out += e;
        } else
            out += char(c);
    }
    return out + "\"";
}

std::string jsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + jsonString(items[i]);
    return out + "]";
}

std::string reportJson(const UnfoldOptions& o, const RunReport& r) {
    std::string seconds, cpuSeconds;
    for (size_t i = 0; i < r.seconds.size(); ++i) {
        std::string name = std::string(i ? ", " : "") + jsonString(r.seconds[i].stage) + ": ";
        seconds += name + number(std::round(r.seconds[i].wall * 1e4) / 1e4);
        cpuSeconds += name + number(std::round(r.seconds[i].cpu * 1e4) / 1e4);
    }
    return "{\n"
           "  \"input\": " +
           jsonString(o.input) +
           ",\n"
           "  \"input_triangles\": " +
           std::to_string(r.inputTriangles) +
           ",\n"
           "  \"pieces\": " +
           jsonString(o.pieces) +
           ",\n"
           "  \"nets\": " +
           std::to_string(r.nets) +
           ",\n"
           "  \"cut_edges\": " +
           std::to_string(r.cutEdges) +
           ",\n"
           "  \"triangle_objects\": " +
           std::to_string(r.objects.triangleObjects) +
           ",\n"
           "  \"lug_objects\": " +
           std::to_string(r.objects.lugObjects) +
           ",\n"
           "  \"glue_numbers\": " +
           std::to_string(r.glueNumbers) +
           ",\n"
           "  \"glue_numbers_with_leaders\": " +
           std::to_string(r.leaders) +
           ",\n"
           "  \"cut_edges_mm\": {\"numbered\": " +
           std::to_string(r.numberedEdges.count) +
           ", \"shortest\": " + number(round2(r.numberedEdges.shortest)) +
           ", \"median\": " + number(round2(r.numberedEdges.median)) +
           ", \"longest\": " + number(round2(r.numberedEdges.longest)) +
           "},\n"
           "  \"model_extent_mm\": " +
           number(round2(r.extent)) +
           ",\n"
           "  \"pages\": " +
           std::to_string(r.pages) + ",\n" + "  \"page_coverage\": " + numberList(r.coverage) +
           ",\n" + "  \"pages_lower_bound\": " + number(round2(r.pagesLowerBound)) + ",\n" +
           (r.map
                ? "  \"map\": {\"page\": 1, \"nets_shown\": " + std::to_string(r.mapped.netsShown) +
                      ", \"nets_numbered\": " + std::to_string(r.mapped.netsNumbered) + "},\n"
                : std::string()) +
           "  \"labels\": [\n" + r.labels + (r.labels.empty() ? "" : "\n") +
           "  ],\n"
           "  \"outputs\": " +
           jsonList(r.written) +
           ",\n"
           "  \"warnings\": " +
           jsonList(r.warnings) +
           ",\n"
           "  \"seconds\": {" +
           seconds +
           "},\n"
           "  \"cpu_seconds\": {" +
           cpuSeconds +
           "}\n"
           "}\n";
}

// ---- the run ----------------------------------------------------------------

const char* const kStages[] = {"load", "import", "unfold", "read", "layout", "write"};

class Stages {
public:
    explicit Stages(RunReport& report) : report_(report) {}
    template <typename Fn>
    std::optional<Failure> run(const char* name, Fn fn) {
        int step = 1;
        while (step <= int(std::size(kStages)) && std::string(kStages[step - 1]) != name)
            ++step;
        tell({name, step, int(std::size(kStages)), 0, {}});
        Instant start = now();
        std::optional<Failure> failure = fn();
        report_.seconds.push_back(between(name, start, now()));
        return failure;
    }

private:
    RunReport& report_;
};

std::optional<Failure> unfoldStages(const UnfoldOptions& o, const PageSize& page,
                                    const std::vector<Output>& outputs, RunReport& report) {
    Stages stages(report);
    std::vector<std::string> names;
    sheet::Sheet sheet;
    sheet::Layout layout;
    sheet::TextureCache textures;
    InputPolygons input;
    std::optional<Failure> failure;
    gStepMarks = {};
    if ((failure = stages.run("load", [&] { return loadPlugin(); })) ||
        (failure = stages.run("import", [&] { return importInput(o.input, names, report); })) ||
        (failure = stages.run("unfold", [&] {
            double scale = 1.0;
            if (auto f = chooseScale(o, names, scale, report))
                return f;
            if (auto f = scaleAndSelect(names, scale))
                return f;
            if (!o.facesJson.empty())
                input = inputPolygons(names);
            if (auto f = runWindow(o, page))
                return f;
            // Nothing here will be undone; what undo would need is memory
            // the sheet can use.
            return runCommand("flushUndo;", "flushing the undo queue");
        })))
        return failure;
    addPluginSteps(report);
    if ((failure = stages.run("read", [&] { return readSheet(o, sheet, report); })) ||
        (failure = stages.run("layout", [&] { return layOut(sheet, o, page, layout, report); })))
        return failure;
    failure = stages.run("write", [&]() -> std::optional<Failure> {
        for (const Output& out : outputs)
            if (auto f = writeOutput(out, sheet, layout, textures, report))
                return f;
        return writeFaces(o, sheet, layout, input, report);
    });
    warnTextures(textures, report);
    return failure;
}

// Sanitizer builds take everything apart in order, so that a leak or a
// use after free in the teardown is found.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIVANO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KIVANO_ADDRESS_SANITIZER)
constexpr bool kEndWithoutTeardown = false;
#else
constexpr bool kEndWithoutTeardown = true;
#endif

// The session of a successful run, left standing when the process is about
// to end anyway (see endProcess).
std::unique_ptr<host::Session> gFinishedSession;

std::optional<Failure> unfoldInHost(const UnfoldOptions& o, const PageSize& page,
                                    const std::vector<Output>& outputs, RunReport& report) {
    auto session = std::make_unique<host::Session>();
    host::setQuiet(true);
    host::setMessageListener(onHostMessage);
    std::optional<Failure> failure = unfoldStages(o, page, outputs, report);
    host::setMessageListener(nullptr);
    if (!failure && kEndWithoutTeardown) {
        gFinishedSession = std::move(session);
        return failure;
    }
    // The scene holds data the plug-in made; it must go while the plug-in's
    // code is still loaded, before the session unloads it.
    host::resetScene();
    return failure;
}

// Every output of the run is written, renamed into place and closed: the
// process ends here instead of taking a scene of a quarter of a million
// nodes apart one by one, which on a large model costs a quarter of a second
// and changes nothing anyone can see.
[[noreturn]] void endProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

// A failed run keeps nothing it wrote, so no output is half a result.
void removeWritten(const RunReport& report) {
    for (const std::string& path : report.written)
        std::remove(path.c_str());
}

std::optional<Failure> writeReport(const UnfoldOptions& o, const RunReport& report) {
    if (o.json.empty())
        return std::nullopt;
    std::string error;
    if (!kivano::writeFileAtomically(o.json, reportJson(o, report), error))
        return Failure{error};
    return std::nullopt;
}

int fail(const Failure& failure) {
    tell({"failed", 0, 0, 0, failure.message});
    std::fprintf(stderr, "kivano: error: %s\n", failure.message.c_str());
    return failure.exit;
}

}  // namespace

int runUnfold(const UnfoldOptions& options) {
    gQuiet = options.quiet;
    gProgressFd = options.progressFd;
    PageSize page;
    std::vector<Output> outputs;
    if (auto failure = checkOptions(options, page, outputs))
        return fail(*failure);
    if (!options.readWithin.empty()) {
        std::error_code code;
        if (!fs::is_directory(options.readWithin, code))
            return fail(Failure{"--read-within " + options.readWithin + ": no such folder",
                                kUnfoldBadOption});
        kivano::setReadRoot(options.readWithin);
    }
    if (auto failure = checkInput(options.input))
        return fail(*failure);
    std::vector<Output> probes = outputs;
    for (const std::string* extra : {&options.json, &options.facesJson})
        if (!extra->empty())
            probes.push_back({*extra, OutputKind::Obj});
    if (auto failure = checkWritable(probes))
        return fail(*failure);

    RunReport report;
    std::optional<Failure> failure;
    // Memory can run out anywhere in the run; what a person learns is which
    // model was too large, and no file is left half written.
    try {
        failure = unfoldInHost(options, page, outputs, report);
    } catch (const std::bad_alloc&) {
        failure =
            Failure{"not enough memory to unfold " + options.input + " (" +
                    thousands(std::size_t(std::max(0, report.inputTriangles))) + " triangles)"};
    }
    if (!failure)
        failure = writeReport(options, report);
    if (failure) {
        if (gFinishedSession) {
            host::resetScene();
            gFinishedSession.reset();
        }
        removeWritten(report);
        return fail(*failure);
    }
    say("kivano: " + std::to_string(report.nets) + " nets on " + std::to_string(report.pages) +
        (report.pages == 1 ? " page" : " pages"));
    if (gFinishedSession)
        endProcess(kUnfoldOk);
    return kUnfoldOk;
}

int unfoldUsageError(const std::string& message) {
    std::string line = message;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "kivano: error: %s\n", line.c_str());
    return kUnfoldBadOption;
}

CLI::App* addUnfoldCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<UnfoldOptions>();
    CLI::App* cmd = app.add_subcommand("unfold", "Unfold a model file into a printable sheet");
    cmd->add_option("INPUT", options->input, "Model file (any format the host imports)")
        ->required();
    cmd->add_option("-o,--output", options->outputs, "Output: .obj (scene), .pdf, .svg; repeatable")
        ->required();
    addTableOptions(*cmd, unfoldOptionTable(), *options);
    cmd->add_option("--json", options->json, "Write a report of the run as JSON");
    cmd->add_flag("--quiet", options->quiet, "No progress messages");
    // For programs that run the command, not for people: no help line.
    cmd->add_option("--progress-fd", options->progressFd)->group("");
    cmd->add_option("--faces-json", options->facesJson)->group("");
    cmd->add_option("--read-within", options->readWithin)->group("");
    cmd->callback([options, &exitCode] { exitCode = runUnfold(*options); });
    return cmd;
}
