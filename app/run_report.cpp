#include <cmath>
#include <cstdio>

#include "common/atomic_file.h"
#include "number_text.h"
#include "outline.h"
#include "unfold_run.h"

namespace run {

std::string numberList(const std::vector<double>& values) {
    std::string out;
    for (double v : values)
        out += (out.empty() ? "" : ", ") + number(round2(v));
    return "[" + out + "]";
}

std::string jsonPoint(sheet::Vec2 p) {
    return "[" + number(round2(p.x)) + ", " + number(round2(p.y)) + "]";
}

// The points of the edge or seam side a glue number names, along its outline.
std::vector<sheet::Vec2> seamPoints(const sheet::Net& net, const sheet::Label& label) {
    const sheet::Face& named = net.faces[size_t(label.edgeFace)];
    int side = named.seamSide[label.edge];
    std::vector<sheet::Segment> edges;
    for (const sheet::Face& face : net.faces)
        for (int k = 0; k < 3; ++k)
            if (side >= 0 ? face.seamSide[k] == side : (&face == &named && k == label.edge))
                edges.push_back({face.p[k], face.p[(k + 1) % 3]});
    std::vector<sheet::Vec2> points;
    for (const std::vector<sheet::Vec2>& line : sheet::chainSegments(edges))
        points.insert(points.end(), line.begin(), line.end());
    return points;
}

// Every glue and net number as printed, in page millimetres (y downwards),
// each glue number with the edge it names, so that a checker needs nothing
// but the report and the drawing.
std::string labelsJson(const sheet::Layout& layout) {
    std::string out;
    for (size_t p = 0; p < layout.pages.size(); ++p) {
        // A tile reports the numbers whose centre its window holds: those
        // its neighbours share in the overlap once on each.
        const sheet::Box& clip = layout.pages[p].clip;
        auto shown = [&](sheet::Vec2 c) {
            return clip.empty() ||
                   (c.x >= clip.minX && c.x <= clip.maxX && c.y >= clip.minY && c.y <= clip.maxY);
        };
        for (const sheet::Label& label : layout.pages[p].mapLabels)
            if (label.kind == sheet::LabelKind::Net)
                out += std::string(out.empty() ? "" : ",\n") +
                       "    {\"page\": " + std::to_string(p + 1) + ", \"text\": \"" + label.text +
                       "\", \"kind\": \"net\", \"centre\": " + jsonPoint(label.centre) +
                       ", \"size\": " + number(round2(label.size)) + ", \"map\": true}";
        for (const sheet::PlacedNet& net : layout.pages[p].nets)
            for (const sheet::Label& label : net.labels) {
                bool glue = label.kind == sheet::LabelKind::Glue;
                if ((!glue && label.kind != sheet::LabelKind::Net) || !shown(label.centre))
                    continue;
                out += std::string(out.empty() ? "" : ",\n") +
                       "    {\"page\": " + std::to_string(p + 1) + ", \"text\": \"" + label.text +
                       "\", \"kind\": \"" + (glue ? "glue" : "net") +
                       "\", \"centre\": " + jsonPoint(label.centre) +
                       ", \"size\": " + number(round2(label.size));
                if (glue && label.edgeFace >= 0 &&
                    size_t(label.edgeFace) < net.geometry.faces.size()) {
                    std::string points;
                    for (sheet::Vec2 corner : seamPoints(net.geometry, label))
                        points += (points.empty() ? "" : ", ") + jsonPoint(corner);
                    out += ", \"edge\": [" + points + "]";
                }
                if (label.leader)
                    out += ", \"leader\": true, \"leader_line\": [" + jsonPoint(label.leaderFrom) +
                           ", " + jsonPoint(label.leaderTo) + "]";
                out += "}";
            }
    }
    return out;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char e[8];
            std::snprintf(e, sizeof e, "\\u%04x", c);
            out += e;
        } else
            out += char(c);
    }
    return out + "\"";
}

std::string jsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + jsonString(items[i]);
    return out + "]";
}

std::string reportJson(const UnfoldOptions& o, const RunReport& r) {
    std::string seconds, cpuSeconds;
    for (size_t i = 0; i < r.seconds.size(); ++i) {
        std::string name = std::string(i ? ", " : "") + jsonString(r.seconds[i].stage) + ": ";
        seconds += name + number(std::round(r.seconds[i].wall * 1e4) / 1e4);
        cpuSeconds += name + number(std::round(r.seconds[i].cpu * 1e4) / 1e4);
    }
    return "{\n"
           "  \"input\": " +
           jsonString(o.input) +
           ",\n"
           "  \"input_triangles\": " +
           std::to_string(r.inputTriangles) +
           ",\n"
           "  \"pieces\": " +
           jsonString(o.pieces) +
           ",\n"
           "  \"nets\": " +
           std::to_string(r.nets) +
           ",\n"
           "  \"cut_edges\": " +
           std::to_string(r.cutEdges) +
           ",\n"
           "  \"triangle_objects\": " +
           std::to_string(r.objects.triangleObjects) +
           ",\n"
           "  \"lug_objects\": " +
           std::to_string(r.objects.lugObjects) +
           ",\n"
           "  \"glue_numbers\": " +
           std::to_string(r.glueNumbers) +
           ",\n"
           "  \"glue_numbers_with_leaders\": " +
           std::to_string(r.leaders) +
           ",\n"
           "  \"cut_edges_mm\": {\"numbered\": " +
           std::to_string(r.numberedEdges.count) +
           ", \"shortest\": " + number(round2(r.numberedEdges.shortest)) +
           ", \"median\": " + number(round2(r.numberedEdges.median)) +
           ", \"longest\": " + number(round2(r.numberedEdges.longest)) +
           "},\n"
           "  \"model_extent_mm\": " +
           number(round2(r.extent)) +
           ",\n"
           "  \"pages\": " +
           std::to_string(r.pages) + ",\n" + "  \"page_coverage\": " + numberList(r.coverage) +
           ",\n" + "  \"pages_lower_bound\": " + number(round2(r.pagesLowerBound)) + ",\n" +
           (r.map
                ? "  \"map\": {\"page\": 1, \"nets_shown\": " + std::to_string(r.mapped.netsShown) +
                      ", \"nets_numbered\": " + std::to_string(r.mapped.netsNumbered) + "},\n"
                : std::string()) +
           "  \"labels\": [\n" + r.labels + (r.labels.empty() ? "" : "\n") +
           "  ],\n"
           "  \"outputs\": " +
           jsonList(r.written) +
           ",\n"
           "  \"warnings\": " +
           jsonList(r.warnings) +
           ",\n"
           "  \"seconds\": {" +
           seconds +
           "},\n"
           "  \"cpu_seconds\": {" +
           cpuSeconds +
           "}\n"
           "}\n";
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
