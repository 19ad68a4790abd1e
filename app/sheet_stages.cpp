#include <algorithm>
#include <cmath>
#include <filesystem>

#include "classify_edges.h"
#include "common/atomic_file.h"
#include "number_text.h"
#include "option_table.h"
#include "outline.h"
#include "sheet_writer.h"
#include "text_metrics.h"
#include "tiling.h"
#include "unfold_run.h"

namespace run {

namespace fs = std::filesystem;

// Clearance a glue number wants beyond its ink along its edge, mm.
constexpr double kNumberRoom = 1.0;
// The share of numbered edges a suggested --height lets hold their number.
constexpr double kHoldingShare = 0.95;
// Above this many triangles a model is more than anyone cuts out by hand;
// papers that reach one piece work with a few hundred to a thousand faces.
constexpr int kManyTriangles = 10000;
constexpr int kFacesSuggested = 2000;
constexpr double kFacesLeast = 20.0;

// The triangles the sheet was unfolded from.
int unfoldedTriangles(const RunReport& report) {
    return report.simplified ? report.simplified->after : report.inputTriangles;
}

// A budget that lengthens the edges by `factor` at the same size: a face's
// area goes with the square of its edges. Rounded down to two digits, as a
// person would type it.
int facesForLonger(int triangles, double factor) {
    double faces = std::floor(double(triangles) / (factor * factor));
    double step = std::pow(10.0, std::max(0.0, std::floor(std::log10(std::max(faces, 1.0))) - 1));
    return int(std::max(kFacesLeast, std::floor(faces / step) * step));
}

void noteManyTriangles(const UnfoldOptions& o, RunReport& report) {
    int triangles = unfoldedTriangles(report);
    if (o.faces || triangles <= kManyTriangles)
        return;
    warn(report, thousands(size_t(triangles)) +
                     " triangles are hours of cutting: " + flagOf(&UnfoldOptions::faces) + " " +
                     thousands(kFacesSuggested) + " simplifies the model first");
    for (const Suggestion& s : report.suggestions)
        if (s.option == optionName(&UnfoldOptions::faces))
            return;  // the numbers' budget says more
    report.suggestions.push_back({optionName(&UnfoldOptions::faces), kFacesSuggested, "triangles"});
}

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
    int faces = facesForLonger(unfoldedTriangles(report), room / holding);
    warn(report, thousands(tooShort) + " of " + thousands(lengths.size()) +
                     " numbered cut edges are shorter than " + fixed1(room) +
                     " mm; numbers need room: try " + flagOf(&UnfoldOptions::height) + " " +
                     number(suggested) + ", or " + flagOf(&UnfoldOptions::faces) + " " +
                     thousands(size_t(faces)) + " at the current size");
    report.suggestions.push_back({optionName(&UnfoldOptions::height), suggested, "numbers"});
    report.suggestions.push_back({optionName(&UnfoldOptions::faces), double(faces), "numbers"});
}

// Folds flatter than this print no line: the option's degrees, or faces
// that lie in one plane.
bool editsSheet(const UnfoldOptions& o) {
    return !o.saveProject.empty() || !o.project.empty() || !o.edits.empty();
}

double flatAngle(const UnfoldOptions& o) {
    return o.flatAngle ? *o.flatAngle * std::acos(-1.0) / 180.0 : kFlatFoldAngle;
}

std::optional<Failure> readSheet(const UnfoldOptions& o, sheet::Sheet& sheet, RunReport& report) {
    std::vector<std::string> warnings;
    std::string error;
    bool ok = sheet::readSheetFromScene(sheet, report.objects, warnings, error,
                                        o.map || !o.facesJson.empty() || editsSheet(o));
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
    noteManyTriangles(o, report);
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
                "; use " +
                (net.fitsTurned ? flagOf(&UnfoldOptions::packing) + " dense (it fits turned), "
                                : std::string()) +
                (limited
                     ? flagOf(&UnfoldOptions::scale)
                     : flagOf(&UnfoldOptions::limitPage) + " or " + flagOf(&UnfoldOptions::scale)) +
                " to fit it");
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
                          thousands(size_t(std::ceil(pages))) + " pages, more than " +
                          flagOf(&UnfoldOptions::maxPages) + " " + thousands(size_t(o.maxPages)) +
                          ": ";
    double height =
        std::floor(report.extent * std::sqrt(double(o.maxPages) / pages) * 0.9 / 10.0) * 10.0;
    std::vector<Suggestion> suggestions;
    if (height >= 10.0) {
        message += "make the model smaller, e.g. " + flagOf(&UnfoldOptions::height) + " " +
                   number(height) + ", ";
        suggestions.push_back({optionName(&UnfoldOptions::height), height, "pages"});
    }
    return Failure{message + "or raise " + flagOf(&UnfoldOptions::maxPages), kUnfoldFailed,
                   suggestions};
}

sheet::LayoutOptions layoutOptions(const UnfoldOptions& o, const PageFrame& page) {
    sheet::LayoutOptions options;
    options.setFrame(page);
    options.packing = o.packing == "boxes"   ? sheet::Packing::Boxes
                      : o.packing == "dense" ? sheet::Packing::Dense
                                             : sheet::Packing::Shapes;
    return options;
}

// The nets move into the layout; the sheet keeps its materials for drawing.
std::optional<Failure> packPages(sheet::Sheet& sheet, const UnfoldOptions& o, const PageFrame& page,
                                 sheet::Layout& layout, RunReport& report) {
    sheet::LayoutOptions options = layoutOptions(o, page);
    // The faces alone may already need far more pages than allowed: laying
    // out nets of metres costs minutes and gigabytes before the count is known.
    double facesArea = 0.0;
    for (const sheet::Net& net : sheet.nets)
        for (const sheet::Face& face : net.faces)
            facesArea += std::abs(sheet::signedArea(face.p));
    double printableArea = page.printableWidth() * page.printableHeight();
    if (o.maxPages > 0 && facesArea > double(o.maxPages) * printableArea)
        return tooManyPages(o, report, facesArea / printableArea, true);
    std::string error;
    if (!sheet::layoutSheet(std::move(sheet.nets), options, layout, error))
        return badOption(flagOf(&UnfoldOptions::page) + "/" + flagOf(&UnfoldOptions::margin) +
                         ": " + error);
    return std::nullopt;
}

// The pages as they print: oversize nets tiled, the map added, counted.
std::optional<Failure> finishPages(sheet::Sheet& sheet, const UnfoldOptions& o,
                                   const PageFrame& page, sheet::Layout& layout,
                                   RunReport& report) {
    sheet::LayoutOptions options = layoutOptions(o, page);
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
        if (o.facesJson.empty() && !editsSheet(o))
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

void countEdited(const sheet::Sheet& sheet, RunReport& report) {
    report.nets = int(sheet.nets.size());
    report.glueNumbers = 0;
    report.cutEdges = 0;
    for (const sheet::Net& net : sheet.nets)
        for (const sheet::Face& face : net.faces)
            for (int glue : face.glue) {
                report.glueNumbers = std::max(report.glueNumbers, glue);
                report.cutEdges += glue > 0 ? 1 : 0;
            }
    report.cutEdges /= 2;
}

std::optional<Failure> writeOutput(const Output& out, const sheet::Sheet& sheet,
                                   const sheet::Layout& layout, sheet::Pictures& pictures,
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
        ok = sheet::writePdf(out.path, sheet, layout, pictures, error);
        break;
    case OutputKind::Svg:
        ok = sheet::writeSvg(out.path, sheet, layout, pictures, written, error);
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

std::optional<Failure> writeFaces(const UnfoldOptions& o, const sheet::Sheet& sheet,
                                  const sheet::Layout& layout, const InputPolygons& input,
                                  RunReport& report) {
    if (o.facesJson.empty())
        return std::nullopt;
    PrintedFaces faces = printedFaces(sheet.model, layout, input);
    std::string error;
    if (!kivano::writeFileAtomically(o.facesJson, facesJson(faces), error))
        return Failure{error};
    report.written.push_back(o.facesJson);
    // The binary goes with the JSON unlisted: the report's outputs stay
    // what they were.
    std::string binary = facesBinaryPath(o.facesJson);
    if (!kivano::writeFileAtomically(binary, facesBinary(faces), error))
        return Failure{error};
    report.unlisted.push_back(binary);
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

void warnTextures(const sheet::Pictures& pictures, RunReport& report) {
    for (const auto& [path, reason] : pictures.textures.failures())
        warn(report, "texture " + shownPath(path) + " cannot be read (" + reason +
                         "): its faces are filled with the material's colour");
    if (pictures.loweredDotsPerInch > 0.0)
        warn(report, "the textures of the largest nets print at " +
                         std::to_string(int(pictures.loweredDotsPerInch)) + " dpi, not " +
                         number(pictures.options.dotsPerInch) +
                         ": a picture that size would take gigabytes");
}

}  // namespace run
