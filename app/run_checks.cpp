#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/atomic_file.h"
#include "common/read_gate.h"
#include "number_text.h"
#include "option_table.h"
#include "unfold_run.h"

namespace run {

namespace fs = std::filesystem;

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

// The page the whole run works with, made here once.
std::optional<Failure> checkPage(const UnfoldOptions& o, PageFrame& page) {
    PaperSize paper;
    if (!parsePaperSize(o.page, paper))
        return std::nullopt;  // the table's check says why
    page = {paper.width, paper.height, o.margin};
    // Half the shorter side would leave a page of margins.
    OptionRange margin{0.0, std::min(page.width, page.height) / 2, false, true};
    if (!holds(margin, o.margin))
        return badOption(flagOf(&UnfoldOptions::margin) + " " + number(o.margin) + ": must be " +
                         describeRange(margin, "mm") + " on a " + o.page + " page");
    if (page.netLimitWidth() <= 0.0 || page.netLimitHeight() <= 0.0)
        return badOption(flagOf(&UnfoldOptions::margin) + " " + number(o.margin) +
                         " leaves no room on a " + o.page + " page");
    return std::nullopt;
}

std::optional<Failure> checkOptions(const UnfoldOptions& o, PageFrame& page,
                                    std::vector<Output>& outputs) {
    if (std::string refused = firstRefusal(unfoldOptionTable(), o); !refused.empty())
        return badOption(refused);
    if (o.tries && o.pieces != "fewest")
        return badOption(flagOf(&UnfoldOptions::tries) + " " + number(*o.tries) + ": only with " +
                         flagOf(&UnfoldOptions::pieces) + " fewest");
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

// Pieces larger than the paper cannot be printed, so the fewest-pieces
// unfolding always keeps them within the page.
bool limitsPage(const UnfoldOptions& o) {
    return o.limitPage || o.pieces == "fewest";
}

// A model simplified for building has few triangles, so its fewest-pieces
// unfolding can afford to look further; other sheets stay as they were.
int joinOrderTries(const UnfoldOptions& o, const RunReport& report) {
    if (o.pieces != "fewest")
        return 0;
    if (o.tries)
        return int(*o.tries);
    if (!o.faces)
        return 0;
    // each try lays out every triangle once more, testing it against more
    // the larger the nets grow; a bound that stopped the simplifying early
    // leaves many
    int triangles = report.simplified ? report.simplified->after : report.inputTriangles;
    double fraction = 1500.0 / std::max(triangles, 1);
    double affordable = kTriesWhenSimplified * fraction * fraction;
    return int(std::min(affordable, double(kTriesWhenSimplified)));
}

}  // namespace run
