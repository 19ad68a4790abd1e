#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "common/atomic_file.h"
#include "number_text.h"
#include "outline.h"
#include "seams.h"
#include "unfold_run.h"

namespace run {

using Json = nlohmann::ordered_json;

// Lengths on paper to the hundredth of a millimetre: finer is noise.
Json rounded(double value) {
    return round2(value);
}

Json point(sheet::Vec2 p) {
    return Json::array({round2(p.x), round2(p.y)});
}

// Every glue and net number as printed, in page millimetres (y downwards),
// each glue number with the edge it names, so that a checker needs nothing
// but the report and the drawing.
Json labelsJson(const sheet::Layout& layout) {
    Json out = Json::array();
    for (size_t p = 0; p < layout.pages.size(); ++p) {
        // A tile reports the numbers whose centre its window holds: those
        // its neighbours share in the overlap once on each.
        const sheet::Box& clip = layout.pages[p].clip;
        auto shown = [&](sheet::Vec2 c) {
            return clip.empty() ||
                   (c.x >= clip.minX && c.x <= clip.maxX && c.y >= clip.minY && c.y <= clip.maxY);
        };
        auto label = [&](const sheet::Label& l, const char* kind) {
            return Json{{"page", p + 1},
                        {"text", l.text},
                        {"kind", kind},
                        {"centre", point(l.centre)},
                        {"size", rounded(l.size)}};
        };
        for (const sheet::Label& l : layout.pages[p].mapLabels)
            if (l.kind == sheet::LabelKind::Net) {
                out.push_back(label(l, "net"));
                out.back()["map"] = true;
            }
        for (const sheet::PlacedNet& net : layout.pages[p].nets)
            for (const sheet::Label& l : net.labels) {
                bool glue = l.kind == sheet::LabelKind::Glue;
                if ((!glue && l.kind != sheet::LabelKind::Net) || !shown(l.centre))
                    continue;
                Json& entry = out.emplace_back(label(l, glue ? "glue" : "net"));
                if (glue && l.edgeFace >= 0 && size_t(l.edgeFace) < net.geometry.faces.size()) {
                    Json& edge = entry["edge"] = Json::array();
                    // a tile's copy carries its seam, which the tile's faces may not
                    for (sheet::Vec2 corner :
                         l.seam.empty() ? sheet::seamSidePoints(net.geometry, l.edgeFace, l.edge)
                                        : l.seam)
                        edge.push_back(point(corner));
                }
                if (l.leader) {
                    entry["leader"] = true;
                    entry["leader_line"] = Json::array({point(l.leaderFrom), point(l.leaderTo)});
                }
            }
    }
    return out;
}

std::string reportJson(const UnfoldOptions& o, const RunReport& r) {
    Json seconds = Json::object(), cpuSeconds = Json::object();
    for (const Seconds& stage : r.seconds) {
        seconds[stage.stage] = std::round(stage.wall * 1e4) / 1e4;
        cpuSeconds[stage.stage] = std::round(stage.cpu * 1e4) / 1e4;
    }
    Json coverage = Json::array();
    for (double share : r.coverage)
        coverage.push_back(rounded(share));
    Json report{{"input", o.input},
                {"input_triangles", r.inputTriangles},
                {"pieces", o.pieces},
                {"nets", r.nets},
                {"cut_edges", r.cutEdges},
                {"triangle_objects", r.objects.triangleObjects},
                {"lug_objects", r.objects.lugObjects},
                {"glue_numbers", r.glueNumbers},
                {"glue_numbers_with_leaders", r.leaders},
                {"cut_edges_mm",
                 {{"numbered", r.numberedEdges.count},
                  {"shortest", rounded(r.numberedEdges.shortest)},
                  {"median", rounded(r.numberedEdges.median)},
                  {"longest", rounded(r.numberedEdges.longest)}}},
                {"model_extent_mm", rounded(r.extent)},
                {"pages", r.pages},
                {"page_coverage", coverage},
                {"pages_lower_bound", rounded(r.pagesLowerBound)}};
    if (r.simplified)
        report["simplified"] = {{"triangles_before", r.simplified->before},
                                {"triangles_after", r.simplified->after},
                                {"deviation_mm", rounded(r.simplified->deviation)},
                                {"max_deviation_mm", rounded(r.simplified->bound)}};
    if (r.map)
        report["map"] = {{"page", 1},
                         {"nets_shown", r.mapped.netsShown},
                         {"nets_numbered", r.mapped.netsNumbered}};
    report["labels"] = r.labels.is_null() ? Json::array() : r.labels;
    report["outputs"] = r.written;
    report["warnings"] = r.warnings;
    report["suggestions"] = suggestionsJson(r.suggestions);
    report["seconds"] = seconds;
    report["cpu_seconds"] = cpuSeconds;
    // Whatever a model's names hold, the report stays valid UTF-8.
    return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<Failure> writeReport(const UnfoldOptions& o, const RunReport& report) {
    if (o.json.empty())
        return std::nullopt;
    std::string error;
    if (!kivano::writeFileAtomically(o.json, reportJson(o, report), error))
        return Failure{error};
    return std::nullopt;
}

}  // namespace run
