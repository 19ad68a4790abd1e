#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include <host_session/session.h>

#include "common/address_sanitizer.h"
#include "number_text.h"
#include "option_table.h"
#include "plugin/option_controls.h"
#include "unfold_run.h"

namespace run {

namespace {

namespace fs = std::filesystem;

// The host prints errors itself, and what else it tells (the plug-in's
// lines, the option window drawn as text) is no progress: a person reads the
// run's own stages instead.
void onHostMessage(const host_session::Message& message) {
    if (message.kind == host_session::MessageKind::Warning)
        std::fprintf(stderr, "Warning: %s\n", message.text.c_str());
}

// A step that takes long says how it goes in the window's status: relayed
// once the step has run for a while, at most so often, so that a quick run
// shows its stages alone. A step sets its own line just before its value,
// so a status is relayed only when the next change leaves the value as it
// was.
constexpr double kQuietSeconds = 2.0;
constexpr double kRelayEvery = 1.0;  // seconds

struct StatusRelay {
    int value = -1;
    std::string pending;
    Clock::time_point stepStart, relayed;
};
StatusRelay gRelay;

double secondsSince(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The plug-in's progress window times its steps.
void onHostProgress(const host_session::Progress& progress) {
    if (!progress.shown) {
        gRelay = {};
        return;
    }
    markStep(progress.value);
    if (progress.value != gRelay.value) {
        gRelay = {progress.value, {}, Clock::now(), {}};
        return;
    }
    if (!gRelay.pending.empty() && secondsSince(gRelay.stepStart) >= kQuietSeconds &&
        secondsSince(gRelay.relayed) >= kRelayEvery) {
        tellHow(gRelay.pending);
        gRelay.relayed = Clock::now();
    }
    gRelay.pending = progress.status;
}

}  // namespace

std::optional<Failure> runCommand(const std::string& text, const std::string& what) {
    if (!host_session::runCommandLanguage(text).succeeded())
        return Failure{what + " failed (" + text + ")"};
    return std::nullopt;
}

std::optional<Failure> runPython(const std::string& code) {
    if (!host_session::runPython(code).succeeded())
        return Failure{"the option window refused: " + code};
    return std::nullopt;
}

std::string quotedString(const std::string& text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote || c == '\\')
            out += '\\';
        out += c;
    }
    return out + quote;
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
    if (runCommand("loadPlugin " + quotedString(path, '"') + ";", "loading the plug-in"))
        return Failure{"cannot load the plug-in " + path +
                       " (set KIVANO_PLUGIN to the library's path)"};
    return std::nullopt;
}

// The largest side of the box around the imported model, in scene units.
double largestExtent(const std::vector<std::string>& transforms) {
    host_session::Box box = host_session::worldBox(transforms);
    double extent = 0.0;
    for (int axis = 0; axis < 3; ++axis)
        extent = std::max(extent, box.high[axis] - box.low[axis]);
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
            return badOption(flagOf(&UnfoldOptions::height) + ": " + o.input +
                             " has no extent to scale");
        scale = *o.height / extent;
    }
    report.extent = extent * scale;
    if (!(report.extent <= kPaperExtentMax))
        return Failure{"cannot unfold " + o.input + ": it would be " + number(report.extent) +
                       " mm across on paper, more than " + boundText(kPaperExtentMax) +
                       " mm; make it smaller with " + flagOf(&UnfoldOptions::scale) + " or " +
                       flagOf(&UnfoldOptions::height)};
    return std::nullopt;
}

std::optional<Failure> importInput(const std::string& input, std::vector<std::string>& names,
                                   RunReport& report) {
    host_session::ModelImport model = host_session::importModelFile(input);
    // What the import left out (a texture, a material library) belongs in
    // the report too, not only on the terminal.
    report.warnings.insert(report.warnings.end(), model.warnings.begin(), model.warnings.end());
    if (!model.imported)
        return Failure{model.error};
    names = std::move(model.transforms);
    report.inputTriangles = host_session::triangleCount(names);
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

// The window's controls set as a person would set them.
std::vector<std::string> controlEdits(const UnfoldOptions& o, const PageFrame& page) {
    PageSize limit = limitsPage(o) ? PageSize{page.netLimitWidth(), page.netLimitHeight()}
                                   : PageSize{page.width, page.height};
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
    for (const host_session::Control& control : host_session::controlsOf("newWindow"))
        if (control.kind == host_session::ControlKind::Button)
            return control.path;
    return {};
}

std::optional<Failure> runWindow(const UnfoldOptions& o, const PageFrame& page,
                                 const RunReport& report) {
    std::string language = o.language == "de" ? "0" : "1";
    if (auto failure = runCommand("kivanomenu -l " + language + ";", "opening the option window"))
        return failure;
    for (const std::string& edit : controlEdits(o, page))
        if (auto failure = runPython(edit))
            return failure;
    std::string start = startButton();
    if (start.empty())
        return Failure{"the option window has no Start button"};
    // The window's lines start the specified unfolding; the other one is the
    // command's own flag, given as a script would give it.
    int tries = joinOrderTries(o, report);
    std::string fewest = tries > 0
                             ? "cmds.kivano(pieces='fewest',tries=" + std::to_string(tries) + ")"
                             : "cmds.kivano(pieces='fewest')";
    host_session::RunResult ran =
        o.pieces == "fewest" ? host_session::runPython(fewest) : host_session::pressButton(start);
    if (!ran.succeeded() || !ran.errors.empty()) {
        if (ran.outcome == host_session::Outcome::OutOfMemory)
            throw std::bad_alloc();  // said once, for the whole run
        return Failure{"the unfolding failed: " + (ran.errors.empty() ? "" : ran.errors.back())};
    }
    return std::nullopt;
}

// The host's exporter writes the OBJ and its MTL library atomically itself.
std::optional<Failure> writeObj(const std::string& path, std::vector<std::string>& written) {
    if (std::string error = host_session::exportObjFile(path); !error.empty())
        return Failure{error};
    fs::path mtl = fs::path(path).replace_extension(".mtl");
    std::error_code code;
    if (mtl != fs::path(path) && fs::exists(mtl, code))
        written.push_back(mtl.string());
    return std::nullopt;
}

// The imported polygons where the unfolding will find them, scaled: taken
// before the run, which may delete the original.
InputPolygons inputPolygons(const std::vector<std::string>& transforms) {
    host_session::Polygons polygons = host_session::worldPolygons(transforms);
    return {std::move(polygons.points), std::move(polygons.counts), std::move(polygons.corners)};
}

namespace {

// Sanitizer builds take everything apart in order, so that a leak or a
// use after free in the teardown is found.
constexpr bool kEndWithoutTeardown = !kivano::kAddressSanitizer;

// The session of a successful run, left standing when the process is about
// to end anyway (see endProcess).
std::unique_ptr<host_session::Session> gFinishedSession;

}  // namespace

std::optional<Failure> inHostSession(const std::function<std::optional<Failure>()>& stages) {
    auto session = std::make_unique<host_session::Session>();
    host_session::setQuiet(true);
    host_session::setMessageListener(onHostMessage);
    host_session::setProgressListener(onHostProgress);
    std::optional<Failure> failure = stages();
    host_session::setProgressListener(nullptr);
    host_session::setMessageListener(nullptr);
    if (!failure && kEndWithoutTeardown) {
        gFinishedSession = std::move(session);
        return failure;
    }
    // The scene holds data the plug-in made; it must go while the plug-in's
    // code is still loaded, before the session unloads it.
    host_session::resetScene();
    return failure;
}

bool hostSessionKept() {
    return gFinishedSession != nullptr;
}

void endHostSession() {
    if (gFinishedSession) {
        host_session::resetScene();
        gFinishedSession.reset();
    }
}

}  // namespace run
