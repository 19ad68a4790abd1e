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
constexpr int kTriesMost = 4;
// The measure looks at points of a lattice; between them the surfaces may
// lie a little further apart, so a try counts as within the bound only with
// this share of it.
constexpr double kMeasuredShare = 0.95;
// The surface may move this share of the model's largest extent unless
// --max-deviation says otherwise: a millimetre on a 10 cm model.
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

std::string pythonString(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\\' || c == '\'')
            out += '\\';
        out += c;
    }
    return out + "'";
}

double deviationOf(const host_session::Polygons& a, const host_session::Polygons& b) {
    return surfaceDeviation({a.points, a.counts, a.corners}, {b.points, b.counts, b.corners});
}

}  // namespace

std::optional<Failure> simplifyModel(const UnfoldOptions& o, const std::vector<std::string>& names,
                                     double scale, RunReport& report) {
    if (o.faces <= 0 || report.inputTriangles <= o.faces)
        return std::nullopt;
    Instant start = now();
    // Millimetres on paper to the scene's units before scaling.
    double unitsPerMm = 1.0 / (scale * kMillimetresPerUnit);
    double boundMm = o.maxDeviation ? *o.maxDeviation : report.extent * kDeviationShare;
    double bound = boundMm * unitsPerMm;
    host_session::Polygons before = host_session::worldPolygons(names);
    std::vector<int> triangles;
    for (const std::string& name : names)
        triangles.push_back(host_session::triangleCount({name}));
    std::vector<int> budget = budgets(triangles, o.faces);
    double ask = bound, reached = 0.0;
    for (int attempt = 1;; ++attempt) {
        // Through Python, whose commands go on the undo queue as a person's do.
        for (size_t i = 0; i < names.size(); ++i)
            if (!host_session::runPython(
                     "import maya.cmds as cmds; cmds.polyReduce(" + pythonString(names[i]) +
                     ", termination=2, triangleCount=" + std::to_string(budget[i]) +
                     ", maxDeviation=" + number(ask) +
                     ", keepBorder=True, keepMapBorder=True, keepColorBorder=True, ch=False)")
                     .succeeded())
                return Failure{"simplifying " + names[i] + " failed"};
        reached = deviationOf(before, host_session::worldPolygons(names));
        if (reached <= bound * kMeasuredShare || attempt == kTriesMost)
            break;
        // One undo step per command run.
        for (size_t i = 0; i < names.size(); ++i)
            if (!host_session::runPython("import maya.cmds as cmds; cmds.undo()").succeeded())
                return Failure{"undoing the simplification of " + names[i] + " failed"};
        ask =
            attempt + 1 == kTriesMost ? 0.0 : ask * kRetryMargin * kMeasuredShare * bound / reached;
    }
    report.seconds.push_back(between("simplify", start, now()));
    report.simplified = Simplified{report.inputTriangles, host_session::triangleCount(names),
                                   reached / unitsPerMm, boundMm};
    say("Simplified " + thousands(size_t(report.simplified->before)) + " triangles to " +
        thousands(size_t(report.simplified->after)) + "; the surface moved at most " +
        number(report.simplified->deviation) + " mm");
    if (report.simplified->after > o.faces)
        warn(report, thousands(size_t(report.simplified->after)) + " triangles, not " +
                         thousands(size_t(o.faces)) + ": fewer would move the surface more than " +
                         number(std::round(boundMm * 100) / 100) + " mm (" +
                         flagOf(&UnfoldOptions::maxDeviation) + ")");
    return std::nullopt;
}

}  // namespace run
