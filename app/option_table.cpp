#include "option_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "number_text.h"
#include "plugin/option_controls.h"

namespace {

constexpr double kNoLimit = std::numeric_limits<double>::infinity();
// A page as long as a plotter roll; shorter sides leave no room for a
// margin, the footer and a piece. Packing keeps a number for each quarter
// square millimetre of an open page: 4 m² take some 70 MB a page.
constexpr OptionRange kPageSide{20.0, 10000.0};
constexpr double kPageAreaMax = 4e6;  // mm²
// Textured faces print between a rough draft and finer than any printer's
// dot; a bleed wider than a tab only wastes ink.
constexpr double kDotsPerInchLeast = 30.0;
constexpr double kDotsPerInchMost = 1200.0;
constexpr double kBleedMost = 5.0;  // mm
// A face budget from the fewest a closed part can have to beyond what any
// model a person cuts out has.
constexpr double kFacesLeast = 4.0;
constexpr double kFacesMost = 1e7;
// A mistyped name is taken for a known one this many edits away at most.
constexpr size_t kNearestEdits = 2;

constexpr NamedPaper kPapers[] = {{"A3", 297, 420},
                                  {"A4", 210, 297},
                                  {"A5", 148, 210},
                                  {"Letter", 215.9, 279.4},
                                  {"Legal", 215.9, 355.6}};

std::string withUnit(const std::string& text, const std::string& unit) {
    if (unit.empty())
        return text;
    return text + (unit == "°" ? " degrees" : " " + unit);
}

std::string pageRule() {
    return "each side " + describeRange(kPageSide, "mm") + ", the page at most " +
           number(kPageAreaMax / 1e6) + " m²";
}

std::string paperNames() {
    std::string names;
    for (const NamedPaper& paper : kPapers)
        names += std::string(names.empty() ? "" : ", ") + paper.name;
    return names;
}

std::string choiceList(const OptionEntry& entry) {
    std::string list;
    for (const OptionChoice& choice : entry.choices)
        list += (list.empty() ? "" : ", ") + choice.value;
    return list;
}

std::vector<OptionEntry> makeTable() {
    using O = UnfoldOptions;
    const OptionRange positive{0.0, 1e6, true};
    std::vector<OptionEntry> table{
        {"page",
         OptionType::Page,
         OptionStage::Sheet,
         "Page",
         "Size",
         "Page size: WIDTHxHEIGHT in mm or a paper size (" + paperNames() +
             "; add L for landscape)",
         "mm",
         kPageSide,
         {},
         "",
         "",
         &O::page},
        {"margin",
         OptionType::Number,
         OptionStage::Sheet,
         "Page",
         "Margin",
         "Page margin, below half the page's shorter side",
         "mm",
         OptionRange{0.0, kNoLimit},
         {},
         "",
         "",
         &O::margin},
        {"limit-page",
         OptionType::Flag,
         OptionStage::Scene,
         "Page",
         "limit nets to the page",
         "Never let a net outgrow the page",
         "",
         std::nullopt,
         {},
         "",
         "",
         &O::limitPage},
        {"oversize",
         OptionType::Choice,
         OptionStage::Sheet,
         "Page",
         "Nets larger than the page",
         "A net larger than the page: tile it across pages of the chosen size, or give it one "
         "page of the size it needs (for plotters)",
         "",
         std::nullopt,
         {{"tile", "tiled across pages"}, {"page", "on a page of their own size"}},
         "",
         "",
         &O::oversize},
        {"max-pages",
         OptionType::Count,
         OptionStage::Sheet,
         "Page",
         "Most pages",
         "Refuse a sheet of more pages than this, before writing it (0: no limit)",
         "",
         OptionRange{0.0, 1e6},
         {},
         "",
         "",
         &O::maxPages},
        {"scale",
         OptionType::Number,
         OptionStage::Scene,
         "Size on paper",
         "scale",
         "Scale the model (centimetres) before unfolding",
         "",
         positive,
         {},
         "height",
         "",
         &O::scale},
        {"height",
         OptionType::Number,
         OptionStage::Scene,
         "Size on paper",
         "largest extent",
         "The model's largest extent on paper (instead of --scale)",
         "mm",
         OptionRange{0.0, kPaperExtentMax, true},
         {},
         "scale",
         "by scale",
         &O::height},
        {"faces",
         OptionType::Count,
         OptionStage::Scene,
         "Simplify",
         "simplify to",
         "Simplify the model to at most this many triangles before unfolding, keeping its "
         "borders, parts and texture seams",
         "triangles",
         OptionRange{kFacesLeast, kFacesMost},
         {},
         "",
         "as the model is",
         &O::faces},
        {"max-deviation",
         OptionType::Number,
         OptionStage::Scene,
         "Simplify",
         "surface moves at most",
         "How far simplifying may move the model's surface, on paper (default: 1 % of the "
         "diagonal of its box)",
         "mm",
         OptionRange{0.0, kPaperExtentMax, true},
         {},
         "",
         "1 % of its size",
         &O::maxDeviation},
        {"no-lugs",
         OptionType::Flag,
         OptionStage::Scene,
         "Pieces",
         "no glue tabs",
         "No glue tabs",
         "",
         std::nullopt,
         {},
         "",
         "",
         &O::noLugs},
        {"lug-width",
         OptionType::Number,
         OptionStage::Scene,
         "Pieces",
         "glue tab width",
         "Largest glue tab width",
         "mm",
         OptionRange{0.0, 100.0, true},
         {},
         "",
         "",
         &O::lugWidth},
        {"pieces",
         OptionType::Choice,
         OptionStage::Scene,
         "Pieces",
         "Unfolding",
         "How to unfold: the default edge order, or as few pieces as it can find (slower; "
         "pieces always fit the page)",
         "",
         std::nullopt,
         {{"default", "default edge order"}, {"fewest", "fewest pieces"}},
         "",
         "",
         &O::pieces},
        {"tries",
         OptionType::Count,
         OptionStage::Scene,
         "Pieces",
         "join orders tried",
         "With --pieces fewest: further orders of joining tried, each kept where it leaves "
         "fewer pieces, a piece fitting the page either way round; each costs about one "
         "unfolding (default: none; for a model simplified with --faces 2,000, fewer where it "
         "keeps more than 1,500 triangles)",
         "",
         OptionRange{0.0, double(kMostJoinOrderTries)},
         {},
         "",
         "none unless simplified",
         &O::tries},
        {"packing",
         OptionType::Choice,
         OptionStage::Sheet,
         "Pieces",
         "Packing",
         "How nets share a page: by their true shapes, nesting in each other's hollows; the "
         "same at any angle in steps of 7.5 degrees and in several orders, the fewest pages kept "
         "(slower); or by their boxes (faster, more pages)",
         "",
         std::nullopt,
         {{"shapes", "by shape"}, {"dense", "tightest (slower)"}, {"boxes", "by box (faster)"}},
         "",
         "",
         &O::packing},
        {"flat-angle",
         OptionType::Number,
         OptionStage::Sheet,
         "Pieces",
         "Fold lines from",
         "Folds flatter than this many degrees print no line (default: only faces in one "
         "plane)",
         "°",
         OptionRange{0.0, 180.0, false, true},
         {},
         "",
         "faces in one plane",
         &O::flatAngle},
        {"map",
         OptionType::Flag,
         OptionStage::Sheet,
         "Pieces",
         "a first page that maps the pieces",
         "Add a first page showing the model from four sides, each piece in its own colour "
         "with its number",
         "",
         std::nullopt,
         {},
         "",
         "",
         &O::map},
        {"dpi",
         OptionType::Number,
         OptionStage::Sheet,
         "Textures",
         "Texture resolution",
         "Dots per inch of textured faces on paper (150 is enough for drafts)",
         "dpi",
         OptionRange{kDotsPerInchLeast, kDotsPerInchMost},
         {},
         "",
         "",
         &O::dotsPerInch},
        {"bleed",
         OptionType::Number,
         OptionStage::Sheet,
         "Textures",
         "Bleed",
         "How far a textured face's picture runs past its cut lines, so that a cut a little "
         "outside the line leaves no white edge (0: none)",
         "mm",
         OptionRange{0.0, kBleedMost},
         {},
         "",
         "",
         &O::bleed},
        {"tab-texture",
         OptionType::Choice,
         OptionStage::Sheet,
         "Textures",
         "Glue tabs show",
         "What a glue tab shows: nothing, or the texture of the face it is glued under, so a "
         "tab peeking out of a seam is not white",
         "",
         std::nullopt,
         {{"none", "nothing"}, {"partner", "the face it is glued under"}},
         "",
         "",
         &O::tabTexture},
        {"arrangement",
         OptionType::Choice,
         OptionStage::Scene,
         "Scene",
         "Nets in the scene",
         "How the nets lie in the scene",
         "",
         std::nullopt,
         {{"layered", "layered"}, {"side-by-side", "side by side"}, {"animation", "animation"}},
         "",
         "",
         &O::arrangement},
        {"keep-original",
         OptionType::Flag,
         OptionStage::Scene,
         "Scene",
         "keep the original object",
         "Keep the source object in the scene",
         "",
         std::nullopt,
         {},
         "",
         "",
         &O::keepOriginal},
        {"language",
         OptionType::Choice,
         OptionStage::Scene,
         "Scene",
         "Option window",
         "Language of the option window",
         "",
         std::nullopt,
         {{"en", "English"}, {"de", "German"}},
         "",
         "",
         &O::language},
    };
    return table;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            size_t change = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

bool holds(const OptionRange& r, double value) {
    return (r.aboveLow ? value > r.low : value >= r.low) &&
           (r.belowHigh ? value < r.high : value <= r.high);
}

const std::vector<NamedPaper>& namedPapers() {
    static const std::vector<NamedPaper> papers(std::begin(kPapers), std::end(kPapers));
    return papers;
}

const std::vector<OptionEntry>& unfoldOptionTable() {
    static const std::vector<OptionEntry> table = makeTable();
    return table;
}

bool parsePaperSize(const std::string& text, PaperSize& size) {
    for (const NamedPaper& paper : kPapers) {
        std::string name = lower(paper.name);
        if (lower(text) == name) {
            size = {paper.width, paper.height};
            return true;
        }
        if (lower(text) == name + "l") {
            size = {paper.height, paper.width};
            return true;
        }
    }
    double w = 0.0, h = 0.0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%lf%c%lf%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X'))
        return false;
    size = {w, h};
    return true;
}

std::string describeRange(const OptionRange& r, const std::string& unit) {
    std::string low = boundText(r.low), high = boundText(r.high);
    if (!std::isfinite(r.high))
        return withUnit((r.aboveLow ? "above " : "at least ") + low, unit);
    if (!r.aboveLow && !r.belowHigh)
        return withUnit("between " + low + " and " + high, unit);
    return withUnit((r.aboveLow ? "above " + low : "from " + low) +
                        (r.belowHigh ? " to below " + high : " and at most " + high),
                    unit);
}

std::string fullHelp(const OptionEntry& entry) {
    if (entry.type == OptionType::Page)
        return entry.help + ", " + pageRule();
    if (entry.range && std::isfinite(entry.range->high))
        return entry.help + ", " + describeRange(*entry.range, entry.unit);
    if (!entry.choices.empty())
        return entry.help + ": " + choiceList(entry);
    return entry.help;
}

std::string refusal(const OptionEntry& entry, double value) {
    std::string given = "--" + entry.name + " " + number(value);
    if (entry.type == OptionType::Count && value != std::floor(value))
        return given + ": must be a whole number";
    if (entry.range && !holds(*entry.range, value))
        return given + ": must be " + describeRange(*entry.range, entry.unit);
    return {};
}

std::string refusal(const OptionEntry& entry, const std::string& value) {
    std::string given = "--" + entry.name + " " + value;
    if (entry.type == OptionType::Choice) {
        for (const OptionChoice& choice : entry.choices)
            if (choice.value == value)
                return {};
        return given + ": must be one of " + choiceList(entry);
    }
    if (entry.type != OptionType::Page)
        return {};
    PaperSize size;
    if (!parsePaperSize(value, size))
        return given + ": must be WIDTHxHEIGHT in mm, e.g. 210x297, or a paper size (" +
               paperNames() + "; add L for landscape)";
    if (!holds(kPageSide, size.width) || !holds(kPageSide, size.height) ||
        size.width * size.height > kPageAreaMax)
        return given + ": must have " + pageRule();
    return {};
}

std::string firstRefusal(const std::vector<OptionEntry>& table, const UnfoldOptions& options) {
    for (const OptionEntry& entry : table) {
        std::string refused = std::visit(
            [&](auto member) -> std::string {
                const auto& value = options.*member;
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::optional<double>>)
                    return value ? refusal(entry, *value) : std::string();
                else if constexpr (std::is_same_v<T, std::string>)
                    return refusal(entry, value);
                else if constexpr (std::is_same_v<T, bool>)
                    return std::string();
                else
                    return refusal(entry, double(value));
            },
            entry.field);
        if (!refused.empty())
            return refused;
    }
    return {};
}

std::string nearestName(const std::vector<std::string>& names, const std::string& typed) {
    std::string best;
    size_t fewest = kNearestEdits + 1;
    for (const std::string& name : names) {
        size_t edits = editDistance(lower(typed), lower(name));
        if (edits < fewest) {
            fewest = edits;
            best = name;
        }
    }
    return best;
}
