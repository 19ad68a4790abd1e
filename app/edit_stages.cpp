// The sheet as a person shaped it: a project applied, edits made, the
// project written. Runs between packing the pages and finishing them.
#include <CLI/CLI.hpp>

#include "common/atomic_file.h"
#include "number_text.h"
#include "option_cli.h"
#include "option_table.h"
#include "sheet_edit_ops.h"
#include "unfold_run.h"

namespace run {

std::optional<Failure> takeProjectOptions(UnfoldOptions& o) {
    if (o.project.empty())
        return std::nullopt;
    Project project;
    std::string error;
    if (!readProject(o.project, project, error))
        return Failure{error, kUnfoldBadOption};
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
    if (!readProject(o.project, project, error))
        return Failure{error, kUnfoldBadOption};
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

std::optional<Failure> applyEdits(const UnfoldOptions& o, Editing& editing) {
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
        sheet::EditOutcome outcome = applyEdit(*editing.editor, edit, editing.edges);
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
