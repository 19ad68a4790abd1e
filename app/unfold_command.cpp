#include "unfold_command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "common/read_gate.h"
#include "number_text.h"
#include "option_cli.h"
#include "option_table.h"
#include "unfold_run.h"

namespace {

namespace fs = std::filesystem;
using namespace run;

// The run's stages: the name its records give, and what a person reads.
struct StageName {
    const char* name;
    const char* doing;
};
const StageName kStages[] = {
    {"load", "loading the plug-in"}, {"import", "reading the model"},    {"unfold", "unfolding"},
    {"read", "reading the nets"},    {"layout", "laying out the pages"}, {"write", "writing"}};

class Stages {
public:
    explicit Stages(RunReport& report) : report_(report) {}
    template <typename Fn>
    std::optional<Failure> run(const char* name, Fn fn) {
        int step = 1;
        while (step < int(std::size(kStages)) && std::string(kStages[step - 1].name) != name)
            ++step;
        int steps = int(std::size(kStages));
        tell({name, step, steps, 0, {}});
        say("kivano: [" + std::to_string(step) + "/" + std::to_string(steps) + "] " +
            kStages[step - 1].doing);
        Instant start = now();
        std::optional<Failure> failure = fn();
        report_.seconds.push_back(between(name, start, now()));
        return failure;
    }

private:
    RunReport& report_;
};

// Every output of the run is written, renamed into place and closed: the
// process ends here instead of taking a scene of a quarter of a million
// nodes apart one by one, which on a large model costs a quarter of a second
// and changes nothing anyone can see.
[[noreturn]] void endProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

std::optional<Failure> unfoldStages(const UnfoldOptions& o, const PageFrame& page,
                                    const std::vector<Output>& outputs, RunReport& report) {
    Stages stages(report);
    std::vector<std::string> names;
    sheet::Sheet sheet;
    sheet::Layout layout;
    sheet::Pictures pictures(
        sheet::PictureOptions{o.dotsPerInch, o.bleed, o.tabTexture == "partner"});
    InputPolygons input;
    std::optional<Failure> failure;
    resetStepMarks();
    if ((failure = stages.run("load", [&] { return loadPlugin(); })) ||
        (failure = stages.run("import", [&] { return importInput(o.input, names, report); })) ||
        (failure = stages.run("unfold", [&] {
            double scale = 1.0;
            if (auto f = chooseScale(o, names, scale, report))
                return f;
            if (auto f = orientParts(names, report))
                return f;
            if (auto f = simplifyModel(o, names, scale, report))
                return f;
            if (auto f = scaleAndSelect(names, scale))
                return f;
            if (!o.facesJson.empty() || editsSheet(o))
                input = inputPolygons(names);
            if (auto f = runWindow(o, page, report))
                return f;
            // Nothing here will be undone; what undo would need is memory
            // the sheet can use.
            return runCommand("flushUndo;", "flushing the undo queue");
        })))
        return failure;
    addPluginSteps(report);
    std::unique_ptr<Editing> editing = editsSheet(o) ? std::make_unique<Editing>() : nullptr;
    if ((failure = stages.run("read", [&] { return readSheet(o, sheet, report); })) ||
        (failure = stages.run("layout", [&]() -> std::optional<Failure> {
            if (!editing) {
                if (auto f = packPages(sheet, o, page, layout, report))
                    return f;
                return finishPages(sheet, o, page, layout, report);
            }
            sheet::Sheet frames = sheet;
            if (auto f = packPages(sheet, o, page, layout, report))
                return f;
            if (auto f = startEditing(o, page, std::move(frames), layout, input, *editing))
                return f;
            if (auto f = applyProject(o, *editing, report))
                return f;
            if (auto f = applyEdits(o, page, *editing))
                return f;
            layout = editing->editor->layout();
            countEdited(*editing->sheet, report);
            return finishPages(*editing->sheet, o, page, layout, report);
        })))
        return failure;
    const sheet::Sheet& printed = editing ? *editing->sheet : sheet;
    failure = stages.run("write", [&]() -> std::optional<Failure> {
        for (const Output& out : outputs)
            if (auto f = writeOutput(out, printed, layout, pictures, report))
                return f;
        if (auto f = writeFaces(o, printed, layout, input, report))
            return f;
        return editing ? writeProject(o, *editing, report) : std::nullopt;
    });
    warnTextures(pictures, report);
    if (!failure && editing && o.editSession) {
        // The report of the run as it stands, for the program to read first.
        if (auto f = writeReport(o, report))
            return f;
        editSession(o, page, outputs, *editing, pictures, input, report, layout);
        // Its outputs are the edited sheet's: nothing may write over them.
        endProcess(kUnfoldOk);
    }
    return failure;
}

// A failed run keeps nothing it wrote, so no output is half a result.
void removeWritten(const RunReport& report) {
    for (const auto* paths : {&report.written, &report.unlisted})
        for (const std::string& path : *paths)
            std::remove(path.c_str());
}

int fail(const Failure& failure) {
    tell({"failed", 0, 0, 0, failure.message, failure.suggestions});
    std::fprintf(stderr, "kivano: error: %s\n", failure.message.c_str());
    return failure.exit;
}

}  // namespace

int runUnfold(const UnfoldOptions& given) {
    setProgress(given.quiet, given.progressFd);
    UnfoldOptions projected = given;
    if (auto failure = takeProjectOptions(projected))
        return fail(*failure);
    const UnfoldOptions& options = projected;
    PageFrame page;
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
    for (const std::string* extra : {&options.json, &options.facesJson, &options.saveProject})
        if (!extra->empty())
            probes.push_back({*extra, OutputKind::Obj});
    if (auto failure = checkWritable(probes))
        return fail(*failure);

    RunReport report;
    std::optional<Failure> failure;
    // Memory can run out anywhere in the run; what a person learns is which
    // model was too large, and no file is left half written.
    try {
        failure = inHostSession([&] { return unfoldStages(options, page, outputs, report); });
    } catch (const std::bad_alloc&) {
        failure =
            Failure{"not enough memory to unfold " + options.input + " (" +
                    thousands(std::size_t(std::max(0, report.inputTriangles))) + " triangles)"};
    }
    if (!failure)
        failure = writeReport(options, report);
    if (failure) {
        endHostSession();
        removeWritten(report);
        return fail(*failure);
    }
    say("kivano: " + std::to_string(report.nets) + (report.nets == 1 ? " net" : " nets") + " on " +
        std::to_string(report.pages) + (report.pages == 1 ? " page" : " pages"));
    if (hostSessionKept())
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
    cmd->add_option("--save-project", options->saveProject,
                    "Write the sheet as a project (NAME.kivano.json): every edge's fold, cut "
                    "and tab, every net's page, place and turn");
    cmd->add_option("--project", options->project,
                    "Print this project's sheet (its options stand unless given here)");
    cmd->add_flag("--update", options->update,
                  "With --project: keep what still fits a changed model, unfold the rest anew");
    cmd->add_option("--edit", options->edits,
                    "Edit the sheet, in order; repeatable: join A B, cut A B, flip-tab A B, "
                    "tab A B on|off (edges by their corners), move NET PAGE X Y, turn NET "
                    "DEGREES, repack, undo, redo");
    cmd->add_flag("--quiet", options->quiet, "No progress messages");
    // For programs that run the command, not for people: no help line.
    cmd->add_option("--progress-fd", options->progressFd)->group("");
    cmd->add_option("--faces-json", options->facesJson)->group("");
    cmd->add_option("--read-within", options->readWithin)->group("");
    cmd->add_flag("--edit-session", options->editSession)->group("");
    cmd->callback([options, cmd, &exitCode] {
        for (const OptionEntry& entry : unfoldOptionTable())
            if (cmd->count("--" + entry.name) > 0)
                options->given.push_back(entry.name);
        exitCode = runUnfold(*options);
    });
    return cmd;
}
