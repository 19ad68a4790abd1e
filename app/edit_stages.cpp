// The sheet as a person shaped it: a project applied, edits made, the
// project written. Runs between packing the pages and finishing them.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <CLI/CLI.hpp>

#include "common/json_depth.h"

#include "common/atomic_file.h"
#include "number_text.h"
#include "option_cli.h"
#include "option_table.h"
#include "sheet_edit_ops.h"
#include "sheet_writer.h"
#include "tiling.h"
#include "unfold_run.h"

namespace run {

namespace {

std::optional<Failure> loadProject(const std::string& path, Project& project) {
    std::string error;
    if (!readProject(path, project, error))
        return Failure{error, kUnfoldBadOption};
    return std::nullopt;
}

}  // namespace

std::optional<Failure> takeProjectOptions(UnfoldOptions& o) {
    if (o.project.empty())
        return std::nullopt;
    Project project;
    std::string error;
    if (auto failure = loadProject(o.project, project))
        return failure;
    // Defaults go unsaid: one of two options that exclude each other is
    // always at its default.
    nlohmann::json defaults = optionValuesJson(unfoldOptionTable(), UnfoldOptions{});
    nlohmann::json chosen = nlohmann::json::object();
    for (const auto& [name, value] : project.options.items())
        if (!defaults.contains(name) || defaults[name] != value)
            chosen[name] = value;
    std::vector<std::string> args;
    if (!argumentsFromJson(unfoldOptionTable(), chosen, args, error))
        return Failure{"the project " + o.project + ": " + error, kUnfoldBadOption};
    CLI::App parser;
    UnfoldOptions fromProject;
    addTableOptions(parser, unfoldOptionTable(), fromProject);
    try {
        std::reverse(args.begin(), args.end());
        parser.parse(args);
    } catch (const CLI::Error& e) {
        return Failure{"the project " + o.project + ": " + e.what(), kUnfoldBadOption};
    }
    for (const OptionEntry& entry : unfoldOptionTable())
        if (std::find(o.given.begin(), o.given.end(), entry.name) == o.given.end())
            std::visit([&](auto member) { o.*member = fromProject.*member; }, entry.field);
    return std::nullopt;
}

std::optional<Failure> startEditing(const UnfoldOptions& o, const PageFrame& page,
                                    sheet::Sheet&& frames, const sheet::Layout& layout,
                                    const InputPolygons& input, Editing& editing) {
    editing.sheet = std::make_unique<sheet::Sheet>(std::move(frames));
    editing.editor = std::make_unique<sheet::PageEditor>(
        *editing.sheet, layout, layoutOptions(o, page), o.lugWidth, flatAngle(o));
    if (limitsPage(o))
        editing.editor->limitNets(page.printableWidth(), page.printableHeight());
    editing.corners = faceCorners(*editing.sheet, input);
    editing.edges = edgesByCorners(editing.editor->sheetEditor(), editing.corners);
    std::map<int, std::array<int, 2>> byId;
    for (const auto& [corners, id] : editing.edges)
        byId[id] = corners;
    editing.editor->nameEdges([byId](int id) {
        auto found = byId.find(id);
        return found == byId.end() ? "edge " + std::to_string(id)
                                   : "the edge from corner " + std::to_string(found->second[0]) +
                                         " to " + std::to_string(found->second[1]);
    });
    return std::nullopt;
}

std::optional<Failure> applyProject(const UnfoldOptions& o, Editing& editing, RunReport& report) {
    if (o.project.empty())
        return std::nullopt;
    Project project;
    std::string error;
    if (auto failure = loadProject(o.project, project))
        return failure;
    std::string hash = fileSha256(o.input);
    bool sameModel = hash == project.modelSha256;
    if (!sameModel && !o.update)
        return Failure{"the project " + o.project + " was made for another model (" +
                           (project.modelFile.empty() ? "its SHA-256 differs from "
                                                      : project.modelFile + ", not ") +
                           o.input + "): give --update to keep what still fits",
                       kUnfoldBadOption};
    sheet::SheetDecisions decisions;
    std::map<int, sheet::NetRecord> nets;
    ProjectFit fit;
    if (!projectDecisions(project, *editing.editor, editing.corners, o.update, decisions, nets, fit,
                          error))
        return Failure{"the project " + o.project + ": " + error, kUnfoldBadOption};
    std::vector<std::string> problems;
    if (!editing.editor->apply(decisions, nets, o.update, problems)) {
        std::string all;
        for (const std::string& p : problems)
            all += (all.empty() ? "" : "; ") + p;
        return Failure{"the project " + o.project + " cannot be printed: " + all +
                           " (give --update to print the rest)",
                       kUnfoldBadOption};
    }
    if (!sameModel || !problems.empty())
        warn(report,
             "the project fits the model in part: it kept " + thousands(fit.edgesKept) +
                 " of its " + thousands(fit.edges) + " edges and " + thousands(fit.netsKept) +
                 " of its " + thousands(fit.nets) + " net places" +
                 (problems.empty()
                      ? std::string()
                      : " (" + thousands(problems.size()) + " nets could not be laid as it said)") +
                 "; the rest is unfolded anew");
    return std::nullopt;
}

// Pages as they print (tiles of oversize nets each a page) to the editor's:
// a tile is its net's page, and the page after the last printed one is a
// new page.
std::function<int(int)> printedPages(const UnfoldOptions& o, const PageFrame& page,
                                     const sheet::PageEditor& editor) {
    return [&o, page, &editor](int printed) {
        const sheet::Layout& laid = editor.layout();
        if (o.oversize != "tile")
            return printed;
        sheet::Layout tiled = laid;
        sheet::tileOversizePages(tiled, layoutOptions(o, page));
        if (printed < 0 || size_t(printed) >= tiled.pages.size())
            return printed < 0 ? printed
                               : int(laid.pages.size()) + printed - int(tiled.pages.size());
        const sheet::Page& shown = tiled.pages[size_t(printed)];
        if (shown.nets.empty())
            return -1;
        for (size_t p = 0; p < laid.pages.size(); ++p)
            for (const sheet::PlacedNet& net : laid.pages[p].nets)
                if (net.number == shown.nets.front().number)
                    return int(p);
        return -1;
    };
}

std::optional<Failure> applyEdits(const UnfoldOptions& o, const PageFrame& page, Editing& editing) {
    for (size_t i = 0; i < o.edits.size(); ++i) {
        nlohmann::json edit;
        std::string error;
        bool parsed =
            o.edits[i].starts_with("{")
                ? (edit = nlohmann::json::parse(o.edits[i], nullptr, false), !edit.is_discarded())
                : editFromWords(o.edits[i], edit, error);
        if (!parsed)
            return Failure{"--edit " + (error.empty() ? o.edits[i] + ": no JSON object" : error),
                           kUnfoldBadOption};
        sheet::EditOutcome outcome =
            applyEdit(*editing.editor, edit, editing.edges, printedPages(o, page, *editing.editor));
        if (!outcome.done)
            return Failure{"--edit \"" + o.edits[i] + "\" is refused: " + outcome.refusal,
                           kUnfoldBadOption};
    }
    return std::nullopt;
}

std::optional<Failure> writeProject(const UnfoldOptions& o, const Editing& editing,
                                    RunReport& report) {
    if (o.saveProject.empty())
        return std::nullopt;
    std::string hash = fileSha256(o.input);
    if (hash.empty())
        return Failure{"cannot read " + o.input + " again to fingerprint it for the project"};
    std::string text = projectJson(o.input, hash, optionValuesJson(unfoldOptionTable(), o),
                                   *editing.editor, editing.corners);
    std::string error;
    if (!kivano::writeFileAtomically(o.saveProject, text, error))
        return Failure{error};
    report.written.push_back(o.saveProject);
    return std::nullopt;
}

}  // namespace run

namespace run {

namespace {

// An edit is a line of a few dozen characters.
constexpr size_t kMaxEditLine = 64 * 1024;

// The next line of `fd`, false at its end. A longer line than any edit is
// read to its end and given back empty.
bool readLine(int fd, std::string& pending, std::string& line) {
    for (;;) {
        size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.size() > kMaxEditLine)
                line.clear();
            return true;
        }
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        if (pending.size() > kMaxEditLine)
            pending.clear();  // what remains of an overlong line: dropped
        pending.append(buffer, size_t(got));
    }
}

// The run's report as it was before its sheet changed.
RunReport freshReport(const RunReport& base) {
    RunReport report = base;
    report.leaders = 0;
    report.coverage.clear();
    report.labels = nullptr;
    report.written.clear();
    report.unlisted.clear();
    report.warnings.clear();
    report.suggestions.clear();
    return report;
}

// Pictures of pages, for a program that shows the sheet, go beside the SVG
// pages as "<name>-<page>.w<width>.png", one width of a page at a time so a
// sheet never has more of them than pages.
const Output* svgOutput(const std::vector<Output>& outputs) {
    for (const Output& out : outputs)
        if (out.kind == OutputKind::Svg)
            return &out;
    return nullptr;
}

std::string picturePath(const std::string& svg, size_t page, int width) {
    return std::filesystem::path(svg).replace_extension().string() + "-" + std::to_string(page) +
           ".w" + std::to_string(width) + ".png";
}

// Removes the pictures beside `svg` whose page and width `stale` picks.
void removePictures(const std::string& svg, const std::function<bool(size_t, int)>& stale) {
    namespace fs = std::filesystem;
    fs::path stem = fs::path(svg).replace_extension();
    fs::path folder = stem.has_parent_path() ? stem.parent_path() : fs::path(".");
    std::string prefix = stem.filename().string() + "-";
    std::error_code code;
    std::vector<fs::path> gone;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
        std::string name = it->path().filename().string();
        if (!name.starts_with(prefix) || !name.ends_with(".png"))
            continue;
        size_t mark = name.find(".w", prefix.size());
        if (mark == std::string::npos)
            continue;
        std::string pageText = name.substr(prefix.size(), mark - prefix.size());
        std::string widthText = name.substr(mark + 2, name.size() - 4 - mark - 2);
        auto digits = [](const std::string& text) {
            return !text.empty() && text.size() <= 6 &&
                   std::all_of(text.begin(), text.end(),
                               [](char c) { return c >= '0' && c <= '9'; });
        };
        if (!digits(pageText) || !digits(widthText))
            continue;
        if (stale(std::stoul(pageText), std::stoi(widthText)))
            gone.push_back(it->path());
    }
    for (const fs::path& path : gone)
        fs::remove(path, code);
}

nlohmann::json refused(const std::string& why) {
    return {{"done", false}, {"refusal", why}};
}

// {"op": "picture", "page": N, "width": W}: page N of the sheet as it
// stands now, drawn W pixels wide.
nlohmann::json drawPicture(const std::vector<Output>& outputs, const sheet::Sheet& sheet,
                           const sheet::Layout& layout, sheet::Pictures& pictures,
                           const nlohmann::json& request) {
    const Output* svg = svgOutput(outputs);
    if (!svg)
        return refused("pictures of pages go beside the SVG pages, and this run writes none");
    // Compared as doubles: an integer of JSON may be beyond any C++ integer.
    const nlohmann::json page = request.value("page", nlohmann::json());
    const nlohmann::json width = request.value("width", nlohmann::json());
    size_t pages = layout.pages.size();
    if (!page.is_number_integer() || page.get<double>() < 1 || page.get<double>() > double(pages)) {
        nlohmann::json answer = refused("the sheet has pages 1 to " + std::to_string(pages));
        answer["pages"] = pages;
        return answer;
    }
    if (!width.is_number_integer() || width.get<double>() < sheet::kMinPictureWidth ||
        width.get<double>() > sheet::kMaxPictureWidth)
        return refused("a picture is " + std::to_string(sheet::kMinPictureWidth) + " to " +
                       std::to_string(sheet::kMaxPictureWidth) + " pixels wide");
    size_t number = page.get<size_t>();
    int pixels = width.get<int>();
    pictures.findPartners(layout.pages);
    std::string png = sheet::pagePng(sheet, layout.pages[number - 1], pictures, pixels);
    if (png.empty())
        return refused("page " + std::to_string(number) + " cannot be drawn at " +
                       std::to_string(pixels) + " pixels");
    std::string error;
    if (!kivano::writeFileAtomically(picturePath(svg->path, number, pixels), png, error))
        return refused(error);
    removePictures(svg->path, [&](size_t p, int w) { return p == number && w != pixels; });
    return {{"done", true}};
}

}  // namespace

// Only the pages an edit changed are written again.
std::optional<Failure> writeSvgPages(const Output& out, const sheet::Sheet& sheet,
                                     const sheet::Layout& layout, sheet::Pictures& pictures,
                                     const std::vector<size_t>& pages) {
    std::vector<std::string> paths = sheet::svgPagePaths(out.path, layout.pages.size());
    pictures.findPartners(layout.pages);
    for (size_t p : pages) {
        std::string error;
        if (!kivano::writeFileAtomically(paths[p], sheet::pageSvg(sheet, layout.pages[p], pictures),
                                         error))
            return Failure{error};
    }
    return std::nullopt;
}

void editSession(const UnfoldOptions& o, const PageFrame& page, const std::vector<Output>& outputs,
                 Editing& editing, sheet::Pictures& pictures, const InputPolygons& input,
                 const RunReport& base, sheet::Layout& layout) {
    // Pictures left by an earlier run of the same outputs show its sheet,
    // which this one need not be.
    const Output* svg = svgOutput(outputs);
    if (svg)
        removePictures(svg->path, [](size_t, int) { return true; });
    tell({"ready", 0, 0, 0, {}});
    size_t pagesBefore = size_t(base.pages);
    // The PDF and the faces are written when asked for ("flush"): an edit
    // answers once its changed pages are written.
    bool stale = false;
    std::string pending, line;
    while (readLine(0, pending, line)) {
        Instant start = now();
        nlohmann::json edit = kivano::jsonDepthWithin(line, 4)
                                  ? nlohmann::json::parse(line, nullptr, false)
                                  : nlohmann::json();
        nlohmann::json answer;
        if (edit.is_object() && edit.value("op", "") == "flush") {
            RunReport report = freshReport(base);
            std::optional<Failure> failure;
            for (const Output& out : outputs)
                if (stale && !failure && out.kind == OutputKind::Pdf)
                    failure = writeOutput(out, *editing.sheet, layout, pictures, report);
            if (stale && !failure)
                failure = writeFaces(o, *editing.sheet, layout, input, report);
            stale = stale && failure.has_value();
            answer = failure ? nlohmann::json{{"done", false}, {"refusal", failure->message}}
                             : nlohmann::json{{"done", true}};
            tellLine(nlohmann::json{{"edit", answer}}.dump());
            continue;
        }
        if (edit.is_object() && edit.value("op", "") == "picture") {
            answer = drawPicture(outputs, *editing.sheet, layout, pictures, edit);
            tellLine(nlohmann::json{{"edit", answer}}.dump());
            continue;
        }
        sheet::EditOutcome outcome =
            applyEdit(*editing.editor, edit, editing.edges, printedPages(o, page, *editing.editor));
        if (!outcome.done) {
            answer = {{"done", false}, {"refusal", outcome.refusal}};
            tellLine(nlohmann::json{{"edit", answer}}.dump());
            continue;
        }
        Seconds edited = between("edit", start, now());
        RunReport report = freshReport(base);
        layout = editing.editor->layout();
        countEdited(*editing.sheet, report);
        std::optional<Failure> failure = finishPages(*editing.sheet, o, page, layout, report);
        // The editor counts pages before tiling and the map: where these
        // change the count, every page may have moved.
        std::vector<size_t> changed;
        bool shifted = layout.pages.size() != editing.editor->layout().pages.size();
        if (shifted || layout.pages.size() != pagesBefore)
            for (size_t p = 0; p < layout.pages.size(); ++p)
                changed.push_back(p);
        else
            for (int p : editing.editor->changedPages())
                changed.push_back(size_t(p));
        // No picture of a page as it was may be shown again, even when the
        // sheet cannot be written.
        if (svg) {
            std::vector<bool> redrawn(layout.pages.size(), false);
            for (size_t p : changed)
                if (p < redrawn.size())
                    redrawn[p] = true;
            removePictures(svg->path, [&](size_t p, int) {
                return p == 0 || p > redrawn.size() || redrawn[p - 1];
            });
        }
        for (const Output& out : outputs)
            if (!failure && out.kind == OutputKind::Svg)
                failure = writeSvgPages(out, *editing.sheet, layout, pictures, changed);
        if (!failure)
            failure = writeProject(o, editing, report);
        if (!failure)
            failure = writeReport(o, report);
        stale = true;
        if (failure) {
            answer = {{"done", false},
                      {"refusal", "the sheet cannot be written: " + failure->message}};
            tellLine(nlohmann::json{{"edit", answer}}.dump());
            continue;
        }
        // Pages the sheet no longer has go.
        for (const Output& out : outputs)
            if (out.kind == OutputKind::Svg && layout.pages.size() != pagesBefore) {
                std::vector<std::string> now = sheet::svgPagePaths(out.path, layout.pages.size());
                for (const std::string& old : sheet::svgPagePaths(out.path, pagesBefore))
                    if (std::find(now.begin(), now.end(), old) == now.end())
                        std::remove(old.c_str());
            }
        pagesBefore = layout.pages.size();
        nlohmann::json pages = nlohmann::json::array();
        for (size_t p : changed)
            pages.push_back(p + 1);
        answer = {{"done", true},
                  {"nets", report.nets},
                  {"pages", report.pages},
                  {"glue_numbers", report.glueNumbers},
                  {"changed_pages", pages},
                  {"changed_nets", editing.editor->changedNets()},
                  {"undo_steps", editing.editor->undoSteps()},
                  {"seconds", between("edit", start, now()).wall},
                  {"edit_seconds", edited.wall}};
        tellLine(nlohmann::json{{"edit", answer}}.dump());
    }
}

}  // namespace run
