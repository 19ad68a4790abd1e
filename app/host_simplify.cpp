// Before the plug-in sees the model: fewer triangles where --faces asks for
// them, by the host's own reduction, and the surface measured afterwards so
// that the bound a person gave is the bound they get.
#include <algorithm>
#include <cmath>

#include <host_session/session.h>

#include "number_text.h"
#include "option_table.h"
#include "surface_deviation.h"
#include "unfold_run.h"

namespace run {

namespace {

// The reduction judges its own error by the planes of the faces it merged,
// which a point between them can stray past; a try that overshoots is undone
// and tried again this much tighter than the overshoot asked, and the last
// try collapses only what moves nothing.
constexpr double kRetryMargin = 0.8;
constexpr double kRetryMost = 0.5;
constexpr int kTriesMost = 4;
// Then the budget is halved towards the bound this many times at most,
// stopping once within this share of the budget.
constexpr int kHalvings = 5;
constexpr double kHalvingsCloseEnough = 0.02;
// The measure looks at points of a lattice; between them the surfaces may
// lie a little further apart, so a try counts as within the bound only with
// this share of it.
constexpr double kMeasuredShare = 0.95;
// The surface may move this share of the diagonal of the model's box unless
// --max-deviation says otherwise (the measure distances between a model and
// its simplification are given in): 1.7 mm on a 10 cm cube.
constexpr double kDeviationShare = 0.01;

// Each part's share of the budget follows its share of the triangles, so a
// small part is not ground down to a point for a large one.
std::vector<int> budgets(const std::vector<int>& triangles, int total) {
    double all = 0.0;
    for (int n : triangles)
        all += n;
    std::vector<int> out;
    for (int n : triangles)
        out.push_back(int(std::floor(double(total) * double(n) / all)));
    return out;
}

double hundredths(double mm) {
    return std::round(mm * 100) / 100;
}

// A bound a person would type, at least `mm`: two digits, rounded up.
double roundedUp(double mm) {
    double step = std::pow(10.0, std::floor(std::log10(mm)) - 1);
    return std::round(std::ceil(mm / step - 1e-9) * step * 1e6) / 1e6;
}

// The diagonal of the box around the objects, in scene units.
double boxDiagonal(const std::vector<std::string>& names) {
    host_session::Box box = host_session::worldBox(names);
    double sum = 0.0;
    for (int axis = 0; axis < 3; ++axis)
        sum += (box.high[axis] - box.low[axis]) * (box.high[axis] - box.low[axis]);
    return std::sqrt(sum);
}

double deviationOf(const host_session::Polygons& a, const host_session::Polygons& b) {
    return surfaceDeviation({a.points, a.counts, a.corners}, {b.points, b.counts, b.corners});
}

}  // namespace

std::optional<Failure> simplifyModel(const UnfoldOptions& o, const std::vector<std::string>& names,
                                     double scale, RunReport& report) {
    if (!o.faces || report.inputTriangles <= *o.faces)
        return std::nullopt;
    const int faces = int(*o.faces);
    Instant start = now();
    // Millimetres on paper to the scene's units before scaling.
    double unitsPerMm = 1.0 / (scale * kMillimetresPerUnit);
    double boundMm =
        o.maxDeviation ? *o.maxDeviation : boxDiagonal(names) * kDeviationShare / unitsPerMm;
    double bound = boundMm * unitsPerMm;
    host_session::Polygons before = host_session::worldPolygons(names);
    std::vector<int> triangles;
    for (const std::string& name : names)
        triangles.push_back(host_session::triangleCount({name}));
    std::vector<int> budget = budgets(triangles, faces);
    // Through Python, whose commands go on the undo queue as a person's do:
    // one step per part. Without `ask`, the budget alone stops it.
    auto reduce = [&](std::optional<double> ask) -> std::optional<Failure> {
        for (size_t i = 0; i < names.size(); ++i)
            if (!host_session::runPython(
                     "import maya.cmds as cmds; cmds.polyReduce(" + quotedString(names[i], '\'') +
                     ", termination=2, triangleCount=" + std::to_string(budget[i]) +
                     (ask ? ", maxDeviation=" + number(*ask) : std::string()) +
                     ", keepBorder=True, keepMapBorder=True, keepColorBorder=True, ch=False)")
                     .succeeded())
                return Failure{"simplifying " + names[i] + " failed"};
        return std::nullopt;
    };
    auto undo = [&]() -> std::optional<Failure> {
        for (size_t i = 0; i < names.size(); ++i)
            if (!host_session::runPython("import maya.cmds as cmds; cmds.undo()").succeeded())
                return Failure{"undoing the simplification of " + names[i] + " failed"};
        return std::nullopt;
    };
    // The budget alone first: most often it stays within the bound, and
    // where not, what it moves the surface by is what a person can choose.
    if (auto failure = reduce(std::nullopt))
        return failure;
    double reached = deviationOf(before, host_session::worldPolygons(names));
    int fewest = host_session::triangleCount(names);  // what the budget alone reached
    std::optional<double> needed;
    double ask = bound, lastAsk = bound;
    for (int attempt = 1; reached > bound * kMeasuredShare; ++attempt) {
        if (attempt == 1)
            needed = reached / unitsPerMm;
        if (auto failure = undo())
            return failure;
        // The last try collapses only what moves nothing.
        if (attempt == kTriesMost)
            ask = 0.0;
        if (auto failure = reduce(ask))
            return failure;
        lastAsk = ask;
        reached = deviationOf(before, host_session::worldPolygons(names));
        if (attempt == kTriesMost)
            break;
        // At least halved: the simplifier's own error follows the measured
        // one only roughly.
        ask *= std::min(kRetryMargin * kMeasuredShare * bound / reached, kRetryMost);
    }
    int after = host_session::triangleCount(names);
    // The simplifier's own bound stops well short of the budget its error
    // would allow by the measure: between the budget (too far) and what the
    // bound kept, the fewest triangles within it, by halving.
    if (needed && after > faces && reached <= bound * kMeasuredShare) {
        // What gave the fewest triangles within the bound: a budget and
        // the simplifier's bound, if any.
        int tooFar = faces, within = after, withinBudget = faces;
        std::optional<double> withinAsk = lastAsk;
        double withinReached = reached;
        bool atWithin = true;
        for (int step = 0; step < kHalvings && within - tooFar > kHalvingsCloseEnough * faces;
             ++step) {
            int middle = tooFar + (within - tooFar) / 2;
            budget = budgets(triangles, middle);
            if (auto failure = undo())
                return failure;
            if (auto failure = reduce(std::nullopt))
                return failure;
            double moved = deviationOf(before, host_session::worldPolygons(names));
            atWithin = moved <= bound * kMeasuredShare;
            if (atWithin) {
                within = host_session::triangleCount(names);
                withinBudget = middle;
                withinAsk.reset();
                withinReached = moved;
            } else {
                tooFar = middle;
            }
        }
        if (!atWithin) {
            budget = budgets(triangles, withinBudget);
            if (auto failure = undo())
                return failure;
            if (auto failure = reduce(withinAsk))
                return failure;
        }
        after = host_session::triangleCount(names);
        reached = withinReached;
    }
    report.seconds.push_back(between("simplify", start, now()));
    report.simplified = Simplified{report.inputTriangles, after, reached / unitsPerMm, boundMm};
    say("Simplified " + thousands(size_t(report.simplified->before)) + " triangles to " +
        thousands(size_t(after)) + "; the surface moved at most " +
        number(hundredths(report.simplified->deviation)) + " mm");
    if (after > faces && needed && fewest < after) {
        double suggested = roundedUp(*needed / kMeasuredShare);
        warn(report, thousands(size_t(after)) + " triangles, not " + thousands(size_t(faces)) +
                         ": fewer would move the surface more than " + number(hundredths(boundMm)) +
                         " mm; " + thousands(size_t(fewest)) + " move it " +
                         number(hundredths(*needed)) + " mm: try " +
                         flagOf(&UnfoldOptions::maxDeviation) + " " + number(suggested));
        report.suggestions.push_back(
            {optionName(&UnfoldOptions::maxDeviation), suggested, "triangles"});
    } else if (after > faces) {
        warn(report, thousands(size_t(after)) + " triangles, not " + thousands(size_t(faces)) +
                         ": the model's borders, texture seams and parts keep the rest");
    }
    return std::nullopt;
}

}  // namespace run
