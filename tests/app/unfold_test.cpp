// Runs "kivano unfold" as a user would and checks what it leaves on disk.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "../test_files.h"
#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// A number field of the JSON report, -1 when absent.
double jsonNumber(const std::string& json, const std::string& key) {
    std::smatch m;
    std::regex field("\"" + key + "\"\\s*:\\s*([-0-9.eE+]+)");
    return std::regex_search(json, m, field) ? std::stod(m[1]) : -1.0;
}

int pdfPages(const std::string& pdf) {
    Outcome info = runCommand("pdfinfo " + shellQuote(pdf));
    std::smatch m;
    std::regex pages("Pages:\\s+(\\d+)");
    return info.exit == 0 && std::regex_search(info.out, m, pages) ? std::stoi(m[1]) : -1;
}

struct Box {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
};

using Point = std::pair<double, double>;

// The cut layer's paths, each a polyline in mm: a net's outline, or the
// outline of a hole in it.
std::vector<std::vector<Point>> cutPaths(const std::string& svg) {
    size_t from = svg.find("<g id=\"cut\"");
    size_t to = svg.find("<g id=\"mountain\"");
    std::vector<std::vector<Point>> paths;
    if (from == std::string::npos || to == std::string::npos)
        return paths;
    std::string layer = svg.substr(from, to - from);
    std::regex path("<path[^>]* d=\"([^\"]*)\"");
    std::regex pair("(-?[0-9.]+) (-?[0-9.]+)");
    for (auto p = std::sregex_iterator(layer.begin(), layer.end(), path);
         p != std::sregex_iterator(); ++p) {
        std::string d = (*p)[1];
        std::vector<Point>& points = paths.emplace_back();
        for (auto q = std::sregex_iterator(d.begin(), d.end(), pair); q != std::sregex_iterator();
             ++q)
            points.push_back(
                {std::stod((*q)[1]) / kPointsPerMm, std::stod((*q)[2]) / kPointsPerMm});
    }
    return paths;
}

Box boxOf(const std::vector<Point>& points) {
    Box box;
    for (auto [x, y] : points) {
        box.minX = std::min(box.minX, x);
        box.minY = std::min(box.minY, y);
        box.maxX = std::max(box.maxX, x);
        box.maxY = std::max(box.maxY, y);
    }
    return box;
}

// Whether segments ab and cd cross or touch.
bool segmentsMeet(Point a, Point b, Point c, Point d) {
    auto side = [](Point p, Point q, Point r) {
        double v = (q.first - p.first) * (r.second - p.second) -
                   (q.second - p.second) * (r.first - p.first);
        return (v > 1e-12) - (v < -1e-12);
    };
    int s1 = side(a, b, c), s2 = side(a, b, d), s3 = side(c, d, a), s4 = side(c, d, b);
    return s1 * s2 <= 0 && s3 * s4 <= 0 && (s1 || s2 || s3 || s4);
}

struct PrintedLabel {
    int page = 0;
    std::string text;
    bool glue = false;
    double x = 0, y = 0;
    std::vector<std::pair<double, double>> edge;  // the edge or seam side it names
    bool leader = false;
    double fromX = 0, fromY = 0, toX = 0, toY = 0;
};

std::vector<std::pair<double, double>> points(const nlohmann::json& list) {
    std::vector<std::pair<double, double>> out;
    for (const nlohmann::json& p : list)
        out.push_back({p[0].get<double>(), p[1].get<double>()});
    return out;
}

// The report's labels, read as any JSON reader would.
std::vector<PrintedLabel> reportedLabels(const std::string& text) {
    std::vector<PrintedLabel> labels;
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("labels"))
        return labels;
    for (const nlohmann::json& entry : json["labels"]) {
        if (entry.value("map", false))
            continue;
        PrintedLabel l;
        l.page = entry["page"];
        l.text = entry["text"];
        l.glue = entry["kind"] == "glue";
        l.x = entry["centre"][0];
        l.y = entry["centre"][1];
        if (entry.contains("edge"))
            l.edge = points(entry["edge"]);
        l.leader = entry.value("leader", false);
        if (l.leader) {
            auto line = points(entry["leader_line"]);
            if (line.size() == 2) {
                l.fromX = line[0].first;
                l.fromY = line[0].second;
                l.toX = line[1].first;
                l.toY = line[1].second;
            }
        }
        labels.push_back(l);
    }
    return labels;
}

// How much of `text` a word pdftotext found holds: all of it when it is a
// part of it, or where the word runs on into a neighbouring number, the
// part at the text's start or end that the word begins or ends with.
size_t sharedCharacters(const std::string& word, const std::string& text) {
    if (!word.empty() && text.find(word) != std::string::npos)
        return word.size();
    size_t best = 0;
    for (size_t n = 1; n <= std::min(word.size(), text.size()); ++n)
        if (word.compare(0, n, text, text.size() - n, n) == 0 ||
            word.compare(word.size() - n, n, text, 0, n) == 0)
            best = n;
    return best;
}

// The words pdftotext finds on a page, with their boxes in mm.
std::vector<std::pair<std::string, Box>> pdfWords(const std::string& pdf, int page) {
    Outcome out = runCommand("pdftotext -bbox -f " + std::to_string(page) + " -l " +
                             std::to_string(page) + " " + shellQuote(pdf) + " -");
    std::regex word(
        "xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
        "yMax=\"([0-9.]+)\">([^<]*)</word>");
    std::vector<std::pair<std::string, Box>> words;
    for (auto m = std::sregex_iterator(out.out.begin(), out.out.end(), word);
         m != std::sregex_iterator(); ++m)
        words.push_back(
            {(*m)[5], Box{std::stod((*m)[1]) / kPointsPerMm, std::stod((*m)[2]) / kPointsPerMm,
                          std::stod((*m)[3]) / kPointsPerMm, std::stod((*m)[4]) / kPointsPerMm}});
    return words;
}

double pointToSegment(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay, l = dx * dx + dy * dy;
    double t = l > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / l, 0.0, 1.0) : 0.0;
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Distance from a box to the segment a-b, zero when they meet.
double boxDistance(const Box& box, double ax, double ay, double bx, double by) {
    // Clip the segment to the box: any part left inside means they meet.
    double t0 = 0.0, t1 = 1.0, d[2] = {bx - ax, by - ay}, o[2] = {ax, ay};
    double lo[2] = {box.minX, box.minY}, hi[2] = {box.maxX, box.maxY};
    bool meets = true;
    for (int axis = 0; axis < 2 && meets; ++axis) {
        if (d[axis] == 0.0) {
            meets = o[axis] >= lo[axis] && o[axis] <= hi[axis];
            continue;
        }
        double ta = (lo[axis] - o[axis]) / d[axis], tb = (hi[axis] - o[axis]) / d[axis];
        t0 = std::max(t0, std::min(ta, tb));
        t1 = std::min(t1, std::max(ta, tb));
        meets = t0 <= t1;
    }
    if (meets)
        return 0.0;
    auto toBox = [&](double x, double y) {
        return std::hypot(std::max({box.minX - x, 0.0, x - box.maxX}),
                          std::max({box.minY - y, 0.0, y - box.maxY}));
    };
    double best = std::min(toBox(ax, ay), toBox(bx, by));
    for (double x : {box.minX, box.maxX})
        for (double y : {box.minY, box.maxY})
            best = std::min(best, pointToSegment(x, y, ax, ay, bx, by));
    return best;
}

// Checks the report's numbers against what the PDF prints and the SVG cuts:
// every number is a word of the page at the reported place, every glue
// number's edge runs along the cut outline, and the printed word lies within
// `reach` mm of that edge.
void expectNumbersAtTheirEdges(const std::string& pdf, const std::vector<std::string>& svgPages,
                               const std::string& json, double reach, int& leaders) {
    leaders = 0;
    std::vector<PrintedLabel> labels = reportedLabels(json);
    ASSERT_FALSE(labels.empty());
    // The two sides of a seam have as many edges, and every copy of a
    // number on the tiles of one net names the whole side.
    std::map<std::string, std::set<size_t>> corners;
    for (const PrintedLabel& l : labels)
        if (l.glue)
            corners[l.text].insert(l.edge.size());
    for (const auto& [text, sizes] : corners)
        EXPECT_EQ(sizes.size(), 1u) << "the sides and copies of " << text << " differ";
    std::map<int, std::vector<std::pair<std::string, Box>>> words;
    std::map<int, std::vector<std::pair<Point, Point>>> cutSegments;
    std::map<int, std::vector<std::pair<Point, Point>>> printSegments;
    std::map<int, std::vector<std::pair<Point, Point>>> tabBases;
    // A tile prints what its window holds; a seam may run on past it.
    std::map<int, Box> window;
    for (const PrintedLabel& l : labels) {
        if (!words.count(l.page)) {
            words[l.page] = pdfWords(pdf, l.page);
            std::string svg = readAll(svgPages.at(size_t(l.page - 1)));
            std::smatch clip;
            window[l.page] = {-1e9, -1e9, 1e9, 1e9};
            if (std::regex_search(svg, clip,
                                  std::regex("<clipPath id=\"tile-window\"><rect x=\"([0-9.]+)\" "
                                             "y=\"([0-9.]+)\" width=\"([0-9.]+)\" "
                                             "height=\"([0-9.]+)\"")))
                window[l.page] = {std::stod(clip[1]) / kPointsPerMm,
                                  std::stod(clip[2]) / kPointsPerMm,
                                  (std::stod(clip[1]) + std::stod(clip[3])) / kPointsPerMm,
                                  (std::stod(clip[2]) + std::stod(clip[4])) / kPointsPerMm};
            size_t from = svg.find("<g id=\"cut\""), to = svg.find("<g id=\"mountain\"");
            std::string layer = svg.substr(from, to - from);
            std::string print = svg.substr(0, from);
            std::regex line("M (-?[0-9.]+) (-?[0-9.]+) L (-?[0-9.]+) (-?[0-9.]+)");
            for (auto q = std::sregex_iterator(print.begin(), print.end(), line);
                 q != std::sregex_iterator(); ++q)
                printSegments[l.page].push_back(
                    {{std::stod((*q)[1]) / kPointsPerMm, std::stod((*q)[2]) / kPointsPerMm},
                     {std::stod((*q)[3]) / kPointsPerMm, std::stod((*q)[4]) / kPointsPerMm}});
            // A tab's base folds under it: the edge is the mountain line there.
            size_t till = svg.find("<g id=\"valley\"");
            std::string mountain = svg.substr(to, till - to);
            for (auto q = std::sregex_iterator(mountain.begin(), mountain.end(), line);
                 q != std::sregex_iterator(); ++q)
                tabBases[l.page].push_back(
                    {{std::stod((*q)[1]) / kPointsPerMm, std::stod((*q)[2]) / kPointsPerMm},
                     {std::stod((*q)[3]) / kPointsPerMm, std::stod((*q)[4]) / kPointsPerMm}});
            std::regex step("([ML]) (-?[0-9.]+) (-?[0-9.]+)|Z");
            Point last{0, 0}, start{0, 0};
            for (auto q = std::sregex_iterator(layer.begin(), layer.end(), step);
                 q != std::sregex_iterator(); ++q) {
                if ((*q)[0] == "Z") {
                    cutSegments[l.page].push_back({last, start});
                    continue;
                }
                Point next{std::stod((*q)[2]) / kPointsPerMm, std::stod((*q)[3]) / kPointsPerMm};
                if ((*q)[1] == "L")
                    cutSegments[l.page].push_back({last, next});
                else
                    start = next;
                last = next;
            }
        }
        // pdftotext may split a turned number into pieces: the pieces near
        // the reported centre that are parts of it, together, print it.
        Box printed;
        size_t characters = 0;
        for (const auto& w : words[l.page]) {
            double cx = (w.second.minX + w.second.maxX) / 2,
                   cy = (w.second.minY + w.second.maxY) / 2;
            size_t shared = sharedCharacters(w.first, l.text);
            if (shared == 0 || std::hypot(cx - l.x, cy - l.y) > 1.5 + 0.6 * double(l.text.size()))
                continue;
            characters += shared;
            printed = {std::min(printed.minX, w.second.minX), std::min(printed.minY, w.second.minY),
                       std::max(printed.maxX, w.second.maxX),
                       std::max(printed.maxY, w.second.maxY)};
        }
        ASSERT_GE(characters, l.text.size()) << "number " << l.text << " on page " << l.page;
        const std::pair<std::string, Box> word{l.text, printed};
        const std::pair<std::string, Box>* found = &word;
        if (!l.glue)
            continue;
        ASSERT_GE(l.edge.size(), 2u) << l.text;
        // Every corner of the edge or seam lies on the cut outline, and the
        // ends of a seam of several edges are ticked across it.
        const Box& shown = window[l.page];
        for (size_t i = 0; i < l.edge.size(); ++i) {
            auto [x, y] = l.edge[i];
            if (x < shown.minX || x > shown.maxX || y < shown.minY || y > shown.maxY)
                continue;  // on the next tile
            bool loop = std::hypot(l.edge.front().first - l.edge.back().first,
                                   l.edge.front().second - l.edge.back().second) < 1e-3;
            if (l.edge.size() > 2 && !loop && (i == 0 || i + 1 == l.edge.size())) {
                bool ticked = false;
                for (const auto& [a, b] : printSegments[l.page])
                    ticked = ticked || std::hypot((a.first + b.first) / 2 - x,
                                                  (a.second + b.second) / 2 - y) < 0.05;
                EXPECT_TRUE(ticked) << "the seam of " << l.text << " ends without a tick";
            }
            bool onCut = false;
            for (const auto& [a, b] : cutSegments[l.page])
                onCut = onCut ||
                        boxDistance(Box{x, y, x, y}, a.first, a.second, b.first, b.second) < 0.05;
            EXPECT_TRUE(onCut) << "edge of " << l.text << " is no cut";
        }
        // and each step from corner to corner is an edge of that outline
        for (size_t i = 0; i + 1 < l.edge.size(); ++i) {
            double x = (l.edge[i].first + l.edge[i + 1].first) / 2,
                   y = (l.edge[i].second + l.edge[i + 1].second) / 2;
            if (x < shown.minX || x > shown.maxX || y < shown.minY || y > shown.maxY)
                continue;
            bool onCut = false;
            for (const auto* lines : {&cutSegments[l.page], &tabBases[l.page]})
                for (const auto& [a, b] : *lines)
                    onCut = onCut || boxDistance(Box{x, y, x, y}, a.first, a.second, b.first,
                                                 b.second) < 0.05;
            EXPECT_TRUE(onCut) << "the seam of " << l.text << " steps off the outline";
        }
        double gap = 1e300;
        for (size_t i = 0; i + 1 < l.edge.size(); ++i)
            gap = std::min(gap, boxDistance(found->second, l.edge[i].first, l.edge[i].second,
                                            l.edge[i + 1].first, l.edge[i + 1].second));
        if (!l.leader) {
            EXPECT_LE(gap, reach) << l.text;
            continue;
        }
        // A leader runs from the printed number to the middle of its edge,
        // and the print layer draws it.
        ++leaders;
        bool toEdge = false;  // the middle of one edge of the seam
        for (size_t i = 0; i + 1 < l.edge.size(); ++i)
            toEdge =
                toEdge || std::hypot(l.toX - (l.edge[i].first + l.edge[i + 1].first) / 2,
                                     l.toY - (l.edge[i].second + l.edge[i + 1].second) / 2) < 0.05;
        EXPECT_TRUE(toEdge) << l.text;
        EXPECT_LE(boxDistance(found->second, l.fromX, l.fromY, l.fromX, l.fromY), 1.5) << l.text;
        // the printed word no further than 12 mm from where its line ends
        EXPECT_LE(boxDistance(found->second, l.toX, l.toY, l.toX, l.toY), 12.0 + 1.5) << l.text;
        bool drawn = false;
        for (const auto& [a, b] : printSegments[l.page])
            drawn = drawn || (std::hypot(a.first - l.fromX, a.second - l.fromY) < 0.05 &&
                              std::hypot(b.first - l.toX, b.second - l.toY) < 0.05);
        EXPECT_TRUE(drawn) << "leader of " << l.text;
    }
}

// The page size the SVG declares, in mm.
bool svgPageSize(const std::string& svg, double& width, double& height) {
    std::smatch m;
    if (!std::regex_search(svg, m,
                           std::regex("<svg[^>]* width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"")))
        return false;
    width = std::stod(m[1]);
    height = std::stod(m[2]);
    return true;
}

void expectNetsInsideAndApart(const std::string& svgFile, double pageWidth, double pageHeight,
                              double margin) {
    std::string svg = readAll(svgFile);
    double width = 0, height = 0;
    ASSERT_TRUE(svgPageSize(svg, width, height)) << svgFile;
    // A normal page has the size asked for; a net too large gets a larger one.
    if (width != pageWidth || height != pageHeight) {
        EXPECT_TRUE(width > pageWidth || height > pageHeight) << svgFile;
    }
    std::vector<std::vector<Point>> paths = cutPaths(svg);
    ASSERT_FALSE(paths.empty()) << svgFile;
    const double line = 0.3;  // a cut line's half width may reach past the geometry
    std::vector<Box> boxes;
    for (const std::vector<Point>& path : paths) {
        Box box = boxOf(path);
        EXPECT_GE(box.minX, margin - line) << svgFile;
        EXPECT_GE(box.minY, margin - line) << svgFile;
        EXPECT_LE(box.maxX, width - margin + line) << svgFile;
        EXPECT_LE(box.maxY, height - margin + line) << svgFile;
        boxes.push_back(box);
    }
    // Nets packed by shape nest in each other's hollows: their outlines, not
    // their boxes, must stay apart. No two outlines meet.
    for (size_t i = 0; i < paths.size(); ++i)
        for (size_t j = 0; j < i; ++j) {
            if (boxes[i].maxX < boxes[j].minX || boxes[j].maxX < boxes[i].minX ||
                boxes[i].maxY < boxes[j].minY || boxes[j].maxY < boxes[i].minY)
                continue;
            bool meet = false;
            for (size_t a = 0; a + 1 < paths[i].size() && !meet; ++a)
                for (size_t b = 0; b + 1 < paths[j].size() && !meet; ++b)
                    meet = segmentsMeet(paths[i][a], paths[i][a + 1], paths[j][b], paths[j][b + 1]);
            EXPECT_FALSE(meet) << svgFile << ": outlines " << i << " and " << j;
        }
}

// How often each whole number is printed, as pdftotext reads the pages.
std::map<int, int> numbersInPdf(const std::string& pdf) {
    Outcome text = runCommand("pdftotext -bbox " + shellQuote(pdf) + " -");
    std::map<int, int> counts;
    std::regex word("<word [^>]*>([0-9]+)</word>");
    for (auto w = std::sregex_iterator(text.out.begin(), text.out.end(), word);
         w != std::sregex_iterator(); ++w)
        ++counts[std::stoi((*w)[1])];
    return counts;
}

// Every glue number 1..G printed exactly twice: besides them the pages carry
// the net numbers 1..nets once each and a page number "p / pages" per page.
void expectGlueNumbersPaired(const std::string& pdf, const std::string& json) {
    int glue = int(jsonNumber(json, "glue_numbers"));
    int nets = int(jsonNumber(json, "nets"));
    int pages = int(jsonNumber(json, "pages"));
    ASSERT_GE(glue, 0);
    std::map<int, int> counts = numbersInPdf(pdf);
    int highest = std::max({glue, nets, pages, counts.empty() ? 0 : counts.rbegin()->first});
    for (int n = 1; n <= highest; ++n) {
        int others = (n <= nets) + (n <= pages) + (n == pages ? pages : 0);
        int expected = (n <= glue ? 2 : 0) + others;
        EXPECT_EQ(counts[n], expected) << "number " << n << " in " << pdf;
    }
}

}  // namespace

// The plug-in's own steps are timed even with its progress not shown, and
// lie within the stage that runs the plug-in.
void expectPluginSteps(const std::string& json) {
    double unfold = jsonNumber(json, "unfold"), sum = 0.0;
    ASSERT_GE(unfold, 0.0);
    for (const char* step : {"extraction", "algokante", "output"}) {
        double seconds = jsonNumber(json, step);
        EXPECT_GE(seconds, 0.0) << step;
        sum += seconds;
    }
    EXPECT_LE(sum, unfold + 2e-4);  // each is rounded to 0.1 ms
    // the same stages again in processor seconds, which never exceed the
    // wall seconds of a single-threaded run by more than the rounding
    size_t cpu = json.find("\"cpu_seconds\"");
    ASSERT_NE(cpu, std::string::npos);
    std::string cpuJson = json.substr(cpu);
    for (const char* stage : {"load", "import", "unfold", "extraction", "algokante", "output",
                              "read", "layout", "write"}) {
        double seconds = jsonNumber(cpuJson, stage);
        EXPECT_GE(seconds, 0.0) << stage;
        EXPECT_LE(seconds, jsonNumber(json, stage) + 0.02) << stage;
    }
}

TEST(Unfold, CubeToEveryKindOfOutput) {
    TempDir dir("kivano-app");
    Outcome run = unfold({example("cube.obj"), "-o", dir / "cube.pdf", "-o", dir / "cube.svg", "-o",
                          dir / "cube.obj", "--json", dir / "report.json"});
    ASSERT_EQ(run.exit, 0) << run.out;
    EXPECT_NE(run.out.find("kivano: "), std::string::npos);  // the plug-in's progress
    std::string json = readAll(dir / "report.json");
    EXPECT_EQ(jsonNumber(json, "input_triangles"), 12);
    EXPECT_EQ(jsonNumber(json, "triangle_objects"), 12);
    int pages = int(jsonNumber(json, "pages"));
    ASSERT_GE(pages, 1);
    EXPECT_EQ(pdfPages(dir / "cube.pdf"), pages);

    std::string obj = readAll(dir / "cube.obj");
    std::regex object("\no (dft|lug)[0-9_]+");
    auto objects =
        std::distance(std::sregex_iterator(obj.begin(), obj.end(), object), std::sregex_iterator());
    EXPECT_EQ(objects, jsonNumber(json, "triangle_objects") + jsonNumber(json, "lug_objects"));
    // The source was deleted (the window's default) and is not exported.
    EXPECT_EQ(obj.find("\no cube"), std::string::npos);

    std::string svg = pages == 1 ? dir / "cube.svg" : dir / "cube-1.svg";
    std::string text = readAll(svg);
    EXPECT_NE(text.find("</svg>"), std::string::npos);
    expectNetsInsideAndApart(svg, 210, 297, 10);
    EXPECT_EQ(dir.files(), size_t(3 + pages));  // pdf, obj, report and the svg pages
}

TEST(Unfold, ExamplesGiveCompletePagesWithPairedGlueNumbers) {
    struct Case {
        std::string model;
        std::vector<std::string> options;
        double width, height, margin;
        // The pieces' area over one page's printable area, where known: the
        // tabless cube's six faces of 60 mm over A4 less its margins.
        double lowerBound = -1;
    };
    const std::vector<Case> cases{
        {"figure.obj", {}, 210, 297, 10},
        {"house.obj",
         {"--page", "148x210", "--margin", "8", "--arrangement", "side-by-side"},
         148,
         210,
         8},
        {"cube.obj",
         {"--no-lugs", "--language", "de", "--scale", "1.5"},
         210,
         297,
         10,
         6 * 60.0 * 60.0 / (190.0 * 277.0)},
        {"cube.obj", {"--scale", "3", "--margin", "5", "--oversize", "page"}, 210, 297, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        TempDir dir("kivano-app");
        std::vector<std::string> args{example(c.model), "-o",     dir / "s.pdf",  "-o",
                                      dir / "s.svg",    "--json", dir / "r.json", "--quiet"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Outcome run = unfold(args);
        ASSERT_EQ(run.exit, 0) << run.out;
        std::string json = readAll(dir / "r.json");
        int pages = int(jsonNumber(json, "pages"));
        EXPECT_EQ(pdfPages(dir / "s.pdf"), pages);
        for (int p = 1; p <= pages; ++p) {
            std::string svg =
                pages == 1 ? dir / "s.svg" : dir / ("s-" + std::to_string(p) + ".svg");
            ASSERT_TRUE(fs::exists(svg)) << svg;
            expectNetsInsideAndApart(svg, c.width, c.height, c.margin);
        }
        EXPECT_GT(jsonNumber(json, "glue_numbers"), 0);
        expectGlueNumbersPaired(dir / "s.pdf", json);
        expectPluginSteps(json);
        // The pages' covered shares add up to the pieces' area.
        size_t list = json.find("\"page_coverage\": [");
        ASSERT_NE(list, std::string::npos);
        std::string shares = json.substr(list, json.find(']', list) - list);
        std::regex share("[0-9]+(\\.[0-9]+)?");
        double covered = 0.0;
        for (auto m = std::sregex_iterator(shares.begin(), shares.end(), share);
             m != std::sregex_iterator(); ++m)
            covered += std::stod(m->str());
        double bound = jsonNumber(json, "pages_lower_bound");
        EXPECT_NEAR(covered, bound, 0.01 * pages);
        if (c.lowerBound >= 0) {
            EXPECT_NEAR(bound, c.lowerBound, 0.006);
        }
    }
}

TEST(Unfold, BadInputOptionOrOutputFailsWithOneLineAndNoFile) {
    TempDir dir("kivano-app");
    std::ofstream(dir / "broken.obj") << "v 0 0 0\nf 1 2 3\nthis is no model\n";
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    const std::vector<Case> cases{
        {{dir / "missing.obj", "-o", dir / "a.pdf"}, "missing.obj"},
        {{dir / "broken.obj", "-o", dir / "a.pdf"}, "broken.obj"},
        {{example("cube.obj"), "-o", dir / "a.pdf", "--page", "A9"}, "--page"},
        {{example("cube.obj"), "-o", dir / "a.pdf", "--scale", "-1"}, "--scale"},
        {{example("cube.obj"), "-o", dir / "a.png"}, "a.png"},
        {{example("cube.obj"), "-o", dir / "no/such/dir/a.pdf"}, "a.pdf"},
        {{example("cube.obj"), "-o", dir / "a.pdf", "-o", dir / "no/dir/b.svg"}, "b.svg"},
    };
    for (const Case& c : cases) {
        Outcome run = unfold(c.args);
        EXPECT_NE(run.exit, 0) << run.out;
        EXPECT_NE(run.out.find(c.mentions), std::string::npos) << run.out;
        EXPECT_EQ(dir.files(), 1u) << run.out;  // only broken.obj
    }
    Outcome unknown = unfold({example("cube.obj"), "-o", dir / "a.pdf", "--frobnicate"});
    EXPECT_NE(unknown.exit, 0);
    EXPECT_NE(unknown.out.find("--frobnicate"), std::string::npos) << unknown.out;
    EXPECT_EQ(dir.files(), 1u);
}

TEST(Unfold, ASheetFedBackInIsNotMistakenForTheNewOne) {
    // The exported scene holds objects named dft.. and lug..; unfolding it
    // again must read only what the new run made.
    TempDir dir("kivano-app");
    ASSERT_EQ(unfold({example("cube.obj"), "-o", dir / "first.obj", "--quiet"}).exit, 0);
    Outcome again =
        unfold({dir / "first.obj", "-o", dir / "again.pdf", "--json", dir / "r.json", "--quiet"});
    ASSERT_EQ(again.exit, 0) << again.out;
    EXPECT_EQ(again.out.find("warning"), std::string::npos) << again.out;
    std::string json = readAll(dir / "r.json");
    EXPECT_EQ(jsonNumber(json, "triangle_objects"), jsonNumber(json, "input_triangles"));
    EXPECT_EQ(pdfPages(dir / "again.pdf"), int(jsonNumber(json, "pages")));
}

TEST(Unfold, AMissingTextureWarnsAndTheFacesKeepTheirColour) {
    TempDir dir("kivano-app");
    fs::copy_file(example("figure.obj"), dir / "figure.obj");
    fs::copy_file(example("figure.mtl"), dir / "figure.mtl");  // but not its texture
    Outcome run = unfold({dir / "figure.obj", "-o", dir / "figure.pdf", "--quiet"});
    ASSERT_EQ(run.exit, 0) << run.out;
    EXPECT_NE(run.out.find("figure_face.png"), std::string::npos) << run.out;
    EXPECT_GE(pdfPages(dir / "figure.pdf"), 1);
}

// The size of every page of a PDF, in mm.
std::vector<std::pair<double, double>> pdfPageSizes(const std::string& pdf, int pages) {
    Outcome sizes = runCommand("pdfinfo -f 1 -l " + std::to_string(pages) + " " + shellQuote(pdf));
    std::regex size("size: +([0-9.]+) x ([0-9.]+)");
    std::vector<std::pair<double, double>> out;
    for (auto p = std::sregex_iterator(sizes.out.begin(), sizes.out.end(), size);
         p != std::sregex_iterator(); ++p)
        out.push_back({std::stod((*p)[1]) / kPointsPerMm, std::stod((*p)[2]) / kPointsPerMm});
    return out;
}

TEST(Unfold, NetTooLargeForThePageWarnsAndGetsItsOwnPage) {
    TempDir dir("kivano-app");
    Outcome run = unfold({example("cube.obj"), "-o", dir / "big.pdf", "--scale", "12", "--json",
                          dir / "r.json", "--oversize", "page"});
    ASSERT_EQ(run.exit, 0) << run.out;
    EXPECT_NE(run.out.find("--limit-page"), std::string::npos) << run.out;
    std::string json = readAll(dir / "r.json");
    EXPECT_EQ(pdfPages(dir / "big.pdf"), int(jsonNumber(json, "pages")));
    Outcome info = runCommand("pdfinfo -f 1 -l 1 " + shellQuote(dir / "big.pdf"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info.out, m, std::regex("Page +1 size: +([0-9.]+) x ([0-9.]+)")))
        << info.out;
    EXPECT_GT(std::max(std::stod(m[1]), std::stod(m[2])) / kPointsPerMm, 297.0);

    // Limited to the page, the same model's nets all fit normal pages.
    Outcome limited = unfold({example("cube.obj"), "-o", dir / "limited.pdf", "--scale", "4",
                              "--limit-page", "--json", dir / "l.json", "--quiet"});
    ASSERT_EQ(limited.exit, 0) << limited.out;
    EXPECT_EQ(limited.out.find("warning"), std::string::npos) << limited.out;
    int pages = int(jsonNumber(readAll(dir / "l.json"), "pages"));
    std::vector<std::pair<double, double>> sizes = pdfPageSizes(dir / "limited.pdf", pages);
    for (auto [width, height] : sizes) {
        EXPECT_NEAR(width, 210.0, 0.1);
        EXPECT_NEAR(height, 297.0, 0.1);
    }
    EXPECT_EQ(int(sizes.size()), pages);

    // Nets grown to the limit of a small page: the numbers beside their edges
    // and the packer's gap must not push one that fits onto tiled sheets.
    kivano::TriangleMesh sphere = kivano::makeIcosphere(3, 0.2, 5);
    ASSERT_TRUE(kivano::writeObj(sphere, (dir / "sphere.obj").c_str()));
    Outcome small = unfold({dir / "sphere.obj", "-o", dir / "small.pdf", "--page", "60x80",
                            "--scale", "3", "--limit-page", "--json", dir / "s.json"});
    ASSERT_EQ(small.exit, 0) << small.out;
    EXPECT_EQ(small.out.find("tiled"), std::string::npos) << small.out;
    pages = int(jsonNumber(readAll(dir / "s.json"), "pages"));
    sizes = pdfPageSizes(dir / "small.pdf", pages);
    for (auto [width, height] : sizes) {
        EXPECT_NEAR(width, 60.0, 0.1);
        EXPECT_NEAR(height, 80.0, 0.1);
    }
}

// The fewest-pieces unfolding: pieces that fit the page without a word of
// warning even where the default unfolding needs a page of their own, and
// no more of them; the report says which unfolding ran. A mistyped mode is
// refused by the plug-in's own command.
TEST(Unfold, FewestPiecesFitThePageAndAreNoMoreThanTheDefaults) {
    TempDir dir("kivano-app");
    Outcome fewest = unfold({example("figure.obj"), "-o", dir / "f.pdf", "--pieces", "fewest",
                             "--scale", "3", "--json", dir / "f.json", "--quiet"});
    ASSERT_EQ(fewest.exit, 0) << fewest.out;
    EXPECT_EQ(fewest.out.find("warning"), std::string::npos) << fewest.out;
    std::string json = readAll(dir / "f.json");
    EXPECT_NE(json.find("\"pieces\": \"fewest\""), std::string::npos);
    int pages = int(jsonNumber(json, "pages"));
    std::vector<std::pair<double, double>> sizes = pdfPageSizes(dir / "f.pdf", pages);
    for (auto [width, height] : sizes) {
        EXPECT_NEAR(width, 210.0, 0.1);
        EXPECT_NEAR(height, 297.0, 0.1);
    }
    Outcome plain = unfold({example("figure.obj"), "-o", dir / "d.pdf", "--scale", "3",
                            "--limit-page", "--json", dir / "d.json", "--quiet"});
    ASSERT_EQ(plain.exit, 0) << plain.out;
    std::string defaults = readAll(dir / "d.json");
    EXPECT_NE(defaults.find("\"pieces\": \"default\""), std::string::npos);
    EXPECT_LE(jsonNumber(json, "nets"), jsonNumber(defaults, "nets"));
    EXPECT_LE(jsonNumber(json, "cut_edges"), jsonNumber(defaults, "cut_edges"));

    Outcome bad = unfold({example("cube.obj"), "-o", dir / "b.pdf", "--pieces", "few"});
    EXPECT_NE(bad.exit, 0);
}

// Tiled, the net prints on pages of the size asked for, each named by its
// caption, and the report's numbers are where the tiles print them.
TEST(Unfold, NetTooLargeForThePageIsTiledOnPagesOfTheChosenSize) {
    TempDir dir("kivano-app");
    Outcome run = unfold({example("house.obj"), "-o", dir / "t.pdf", "-o", dir / "t.svg", "--scale",
                          "2", "--json", dir / "t.json"});
    ASSERT_EQ(run.exit, 0) << run.out;
    std::string json = readAll(dir / "t.json");
    int pages = int(jsonNumber(json, "pages"));
    ASSERT_GE(pages, 2);
    EXPECT_EQ(pdfPages(dir / "t.pdf"), pages);
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(run.out, m, std::regex("tiled on ([0-9]+) sheets; use --limit-page")))
        << run.out;
    EXPECT_EQ(std::stoi(m[1]), pages);  // the house is one net

    std::vector<std::pair<double, double>> sizes = pdfPageSizes(dir / "t.pdf", pages);
    EXPECT_EQ(int(sizes.size()), pages);
    for (auto [width, height] : sizes) {
        EXPECT_NEAR(width, 210.0, 0.1);
        EXPECT_NEAR(height, 297.0, 0.1);
    }
    std::regex caption("net 1, sheet ([0-9]+) of ([0-9]+) \\(row ([0-9]+), column ([0-9]+)\\)");
    std::pair<int, int> last{0, 0};
    std::vector<std::string> svgPages;
    for (int p = 1; p <= pages; ++p) {
        svgPages.push_back(dir / ("t-" + std::to_string(p) + ".svg"));
        std::string text = runCommand("pdftotext -layout -f " + std::to_string(p) + " -l " +
                                      std::to_string(p) + " " + shellQuote(dir / "t.pdf") + " -")
                               .out;
        ASSERT_TRUE(std::regex_search(text, m, caption)) << "page " << p << ": " << text;
        EXPECT_EQ(std::stoi(m[1]), p);
        EXPECT_EQ(std::stoi(m[2]), pages);
        std::pair<int, int> place{std::stoi(m[3]), std::stoi(m[4])};  // row by row
        EXPECT_GT(place, last) << "page " << p;
        last = place;
    }
    int leaders = 0;
    expectNumbersAtTheirEdges(dir / "t.pdf", svgPages, json, 3.0, leaders);
    for (const PrintedLabel& label : reportedLabels(json)) {
        EXPECT_TRUE(label.x >= 10 && label.x <= 200 && label.y >= 10 && label.y <= 287)
            << label.text << " at " << label.x << ", " << label.y << " on page " << label.page;
    }
}

TEST(Unfold, ASphereOfMoreNetsThanNamesHoldLosesNoTriangle) {
    // 20,480 triangles: nets and positions past 9999 get the fallback names,
    // and the sheet is read by the objects' records alone.
    TempDir dir("kivano-app");
    kivano::TriangleMesh sphere = kivano::makeIcosphere(5, 0.2, 7);
    ASSERT_EQ(sphere.triangleCount(), 20480u);
    ASSERT_TRUE(kivano::writeObj(sphere, (dir / "sphere.obj").c_str()));
    Outcome run = unfold({dir / "sphere.obj", "-o", dir / "sphere.pdf", "-o", dir / "scene.obj",
                          "--scale", "20", "--limit-page", "--json", dir / "r.json", "--quiet"});
    ASSERT_EQ(run.exit, 0) << run.out;
    // Its edges are too short for five-digit numbers, and it has more
    // triangles than anyone cuts out; nothing else is amiss.
    std::regex warning("warning: (.*)");
    int notes = 0;
    for (auto w = std::sregex_iterator(run.out.begin(), run.out.end(), warning);
         w != std::sregex_iterator(); ++w) {
        std::string text = (*w)[1].str();
        notes += text ==
                 "20,480 triangles are hours of cutting: --faces 2,000 simplifies the "
                 "model first";
        EXPECT_TRUE(text.find("numbers need room") != std::string::npos ||
                    text.find("hours of cutting") != std::string::npos)
            << (*w)[0];
    }
    EXPECT_EQ(notes, 1) << run.out;
    std::string json = readAll(dir / "r.json");
    EXPECT_EQ(jsonNumber(json, "input_triangles"), 20480);
    EXPECT_EQ(jsonNumber(json, "triangle_objects"), 20480);
    // Every object the run left in the scene is on the sheet, tabs included.
    std::string obj = readAll(dir / "scene.obj");
    EXPECT_NE(obj.find("\no unnamed"), std::string::npos);  // the fallback names were used
    size_t objects = 0;
    for (size_t at = obj.find("\no "); at != std::string::npos; at = obj.find("\no ", at + 1))
        ++objects;
    EXPECT_GT(jsonNumber(json, "lug_objects"), 0);
    EXPECT_EQ(double(objects),
              jsonNumber(json, "triangle_objects") + jsonNumber(json, "lug_objects"));
    EXPECT_EQ(pdfPages(dir / "sphere.pdf"), int(jsonNumber(json, "pages")));
}

TEST(Unfold, AHeightChosenForLegibilityGivesEdgesRoomForTheirNumbers) {
    // A sphere 2 cm across: its edges are far too short for their numbers.
    TempDir dir("kivano-app");
    ASSERT_TRUE(kivano::writeObj(kivano::makeIcosphere(3, 0.05, 2), (dir / "s.obj").c_str()));
    Outcome small = unfold({dir / "s.obj", "-o", dir / "s.svg", "--json", dir / "a.json"});
    ASSERT_EQ(small.exit, 0) << small.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        small.out, m,
        std::regex(
            "warning: ([0-9,]+) of ([0-9,]+) numbered cut edges are shorter than ([0-9.]+) mm; "
            "numbers need room: try --height ([0-9]+), or --faces ([0-9,]+) at the current "
            "size\n")))
        << small.out;
    double room = std::stod(m[3]);
    std::string suggested = m[4], faces = std::regex_replace(m[5].str(), std::regex(","), "");
    std::string json = readAll(dir / "a.json");
    // The page offers the same height and budget from the report, as numbers.
    EXPECT_EQ(nlohmann::json::parse(json)["suggestions"],
              nlohmann::json::parse(R"([{"option": "height", "value": )" + suggested +
                                    R"(, "reason": "numbers"}, {"option": "faces", "value": )" +
                                    faces + R"(, "reason": "numbers"}])"));
    // At the current size the budget lengthens the edges as the height would
    // (the bound left loose, so the budget is what stops it).
    Outcome fewer = unfold({dir / "s.obj", "-o", dir / "f.svg", "--faces", faces, "--max-deviation",
                            "5", "--json", dir / "f.json"});
    ASSERT_EQ(fewer.exit, 0) << fewer.out;
    EXPECT_GE(jsonNumber(readAll(dir / "f.json"), "median"), room) << fewer.out;
    EXPECT_LT(jsonNumber(json, "shortest"), room);
    EXPECT_LE(jsonNumber(json, "shortest"), jsonNumber(json, "median"));
    EXPECT_LE(jsonNumber(json, "median"), jsonNumber(json, "longest"));

    // At the suggested height the model has that extent and the warning is gone.
    Outcome sized = unfold(
        {dir / "s.obj", "-o", dir / "t.svg", "--height", suggested, "--json", dir / "b.json"});
    ASSERT_EQ(sized.exit, 0) << sized.out;
    EXPECT_EQ(sized.out.find("numbers need room"), std::string::npos) << sized.out;
    std::string sizedJson = readAll(dir / "b.json");
    EXPECT_EQ(nlohmann::json::parse(sizedJson)["suggestions"], nlohmann::json::array());
    EXPECT_NEAR(jsonNumber(sizedJson, "model_extent_mm"), std::stod(suggested), 0.01);
    EXPECT_GE(jsonNumber(sizedJson, "median"), room);

    // --height and --scale together, or a flat angle past a half turn, are refused.
    EXPECT_NE(unfold({dir / "s.obj", "-o", dir / "u.svg", "--height", "90", "--scale", "2"}).exit,
              0);
    EXPECT_EQ(unfold({dir / "s.obj", "-o", dir / "u.svg", "--flat-angle", "200"}).exit, 2);
    EXPECT_FALSE(fs::exists(dir / "u.svg"));
}

TEST(Unfold, TheReportListsEveryNumberWhereThePdfPrintsItAtItsEdge) {
    TempDir dir("kivano-app");
    Outcome run = unfold({example("figure.obj"), "-o", dir / "f.pdf", "-o", dir / "f.svg", "--json",
                          dir / "f.json", "--quiet"});
    ASSERT_EQ(run.exit, 0) << run.out;
    int leaders = 0;
    expectNumbersAtTheirEdges(dir / "f.pdf", {dir / "f-1.svg", dir / "f-2.svg"},
                              readAll(dir / "f.json"), 3.0, leaders);
    EXPECT_EQ(leaders, 0);  // long edges hold their numbers

    // A sphere 3 cm across, its edges far shorter than its numbers: they
    // shrink onto their tabs and beside them, and each still stands at its
    // edge where pdftotext finds it.
    ASSERT_TRUE(kivano::writeObj(kivano::makeIcosphere(3, 0.05, 2), (dir / "s.obj").c_str()));
    Outcome dense = unfold({dir / "s.obj", "--scale", "1.5", "-o", dir / "s.pdf", "-o",
                            dir / "s.svg", "--json", dir / "s.json", "--quiet"});
    ASSERT_EQ(dense.exit, 0) << dense.out;
    std::string denseJson = readAll(dir / "s.json");
    std::vector<std::string> densePages;
    for (int p = 1; p <= int(jsonNumber(denseJson, "pages")); ++p)
        densePages.push_back(dir / (densePages.empty() && jsonNumber(denseJson, "pages") == 1
                                        ? "s.svg"
                                        : "s-" + std::to_string(p) + ".svg"));
    expectNumbersAtTheirEdges(dir / "s.pdf", densePages, denseJson, 3.0, leaders);
    EXPECT_EQ(leaders, int(jsonNumber(denseJson, "glue_numbers_with_leaders")));
    nlohmann::json labels = nlohmann::json::parse(denseJson)["labels"];
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const nlohmann::json& l) {
        return l.value("kind", "") == "glue" && double(l["size"]) < 2.0;
    })) << "no number shrank below the usual 2 mm";

    // The bunny at the height its warning suggests: numbers stay at their
    // edges, the few without room there are joined to them by a line.
    const std::string bunny = std::string(KIVANO_EXAMPLES) + "/../../shared/models/bunny.obj";
    if (!fs::exists(bunny))
        GTEST_SKIP() << "bunny.obj not present";
    Outcome run2 = unfold({bunny, "-o", dir / "b.pdf", "-o", dir / "b.svg", "--height", "250",
                           "--json", dir / "b.json", "--quiet"});
    ASSERT_EQ(run2.exit, 0) << run2.out;
    std::string json = readAll(dir / "b.json");
    std::vector<std::string> pages;
    for (int p = 1; p <= int(jsonNumber(json, "pages")); ++p)
        pages.push_back(dir / ("b-" + std::to_string(p) + ".svg"));
    expectNumbersAtTheirEdges(dir / "b.pdf", pages, json, 3.0, leaders);
    EXPECT_EQ(leaders, int(jsonNumber(json, "glue_numbers_with_leaders")));
}

// The map is one more page, first, named in every footer; it names the four
// views and only numbers that a piece on the later pages carries.
TEST(Unfold, AMapPageShowsThePiecesFromFourSidesWithTheirNumbers) {
    TempDir dir("kivano-app");
    Outcome plain =
        unfold({example("figure.obj"), "-o", dir / "p.pdf", "--json", dir / "p.json", "--quiet"});
    Outcome mapped = unfold(
        {example("figure.obj"), "-o", dir / "m.pdf", "--json", dir / "m.json", "--map", "--quiet"});
    ASSERT_EQ(plain.exit, 0) << plain.out;
    ASSERT_EQ(mapped.exit, 0) << mapped.out;
    int pages = pdfPages(dir / "m.pdf");
    EXPECT_EQ(pages, pdfPages(dir / "p.pdf") + 1);
    std::string json = readAll(dir / "m.json");
    EXPECT_EQ(jsonNumber(json, "pages"), pages);

    std::set<std::string> pieces;
    for (const PrintedLabel& label : reportedLabels(json))
        if (!label.glue && label.page > 1)
            pieces.insert(label.text);
    EXPECT_EQ(pieces.size(), size_t(jsonNumber(json, "nets")));
    std::set<std::string> views, numbers;
    for (const auto& [word, box] : pdfWords(dir / "m.pdf", 1)) {
        if (word == "front" || word == "right" || word == "back" || word == "left")
            views.insert(word);
        else if (box.minY > 297 - 10)
            continue;  // the footer, below the printable area
        else
            numbers.insert(word);
    }
    EXPECT_EQ(views.size(), 4u);
    EXPECT_GT(numbers.size(), pieces.size() / 2);
    for (const std::string& number : numbers)
        EXPECT_TRUE(pieces.count(number)) << number << " names no piece";
    EXPECT_EQ(numbers.size(), size_t(jsonNumber(json, "nets_numbered")));
}

// ---- what a model names, read for a server that runs hostile uploads -------

namespace {

template <typename T>
std::string bytesOf(std::initializer_list<T> values) {
    std::string bytes(values.size() * sizeof(T), '\0');
    std::memcpy(bytes.data(), std::data(values), bytes.size());  // glTF is little-endian, as we are
    return bytes;
}

// One triangle's corners, texture coordinates and 16-bit indices: 66 bytes.
const std::string kTriangleBytes = bytesOf<float>({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                   bytesOf<float>({0, 0, 1, 0, 0, 1}) +
                                   bytesOf<uint16_t>({0, 1, 2});

// A binary glTF: the JSON chunk, then the triangle as its binary chunk.
std::string glb(std::string json) {
    while (json.size() % 4)
        json += ' ';
    std::string bin = kTriangleBytes + std::string(2, '\0');
    auto word = [](size_t n) { return bytesOf<uint32_t>({uint32_t(n)}); };
    std::string chunks =
        word(json.size()) + "JSON" + json + word(bin.size()) + std::string("BIN\0", 4) + bin;
    return "glTF" + word(2) + word(12 + chunks.size()) + chunks;
}

// The triangle textured with `image`; its texture coordinates lie in the
// file's own chunk, or in the file `uvBuffer` names.
std::string triangleGlb(const std::string& image, const std::string& uvBuffer = "") {
    std::string uvView = uvBuffer.empty() ? R"({"buffer":0,"byteOffset":36,"byteLength":24})"
                                          : R"({"buffer":1,"byteLength":24})";
    std::string more = uvBuffer.empty() ? "" : R"(,{"uri":")" + uvBuffer + R"(","byteLength":24})";
    return glb(
        R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],)"
        R"("materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],)"
        R"("textures":[{"source":0}],"images":[{"uri":")" +
        image +
        R"("}],"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
        R"("min":[0,0,0],"max":[1,1,0]},{"bufferView":1,"componentType":5126,"count":3,)"
        R"("type":"VEC2"}],"bufferViews":[{"buffer":0,"byteLength":36},)" +
        uvView + R"(],"buffers":[{"byteLength":68})" + more + "]}");
}

// glTF 1.0 names its objects; the triangle lies in tri.bin beside it.
std::string triangleGltf1(const std::string& image) {
    return R"({"asset":{"version":"1.0"},"scene":"s","scenes":{"s":{"nodes":["n"]}},)"
           R"("nodes":{"n":{"meshes":["m"]}},"meshes":{"m":{"primitives":[{"attributes":)"
           R"({"POSITION":"p","TEXCOORD_0":"t"},"indices":"i","material":"mat","mode":4}]}},)"
           R"("accessors":{"p":{"bufferView":"v","byteOffset":0,"componentType":5126,"count":3,)"
           R"("type":"VEC3"},"t":{"bufferView":"v","byteOffset":36,"componentType":5126,)"
           R"("count":3,"type":"VEC2"},"i":{"bufferView":"w","byteOffset":0,)"
           R"("componentType":5123,"count":3,"type":"SCALAR"}},"bufferViews":{"v":{"buffer":"b",)"
           R"("byteOffset":0,"byteLength":60},"w":{"buffer":"b","byteOffset":60,"byteLength":6}},)"
           R"("buffers":{"b":{"uri":"tri.bin","byteLength":66}},"materials":{"mat":{"values":)"
           R"({"diffuse":"tex"}}},"textures":{"tex":{"source":"img"}},"images":{"img":{"uri":")" +
           image + R"("}}})";
}

const char kTetrahedron[] =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvt 1 0\nvt 0 1\nusemtl m\n"
    "f 1/1 3/3 2/2\nf 1/1 2/2 4/3\nf 1/1 4/2 3/3\nf 2/1 3/2 4/3\n";

const char kTexturedPly[] =
    "ply\nformat ascii 1.0\ncomment TextureFile ../secret.png\nelement vertex 3\n"
    "property float x\nproperty float y\nproperty float z\nproperty float s\nproperty float t\n"
    "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
    "0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n3 0 1 2\n";

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Whether the sheet of a run in `folder` printed an image: the SVG embeds
// it, the PDF holds it as an image object.
bool printsAnImage(const fs::path& folder) {
    return readAll(folder / "x.svg").find("data:image") != std::string::npos ||
           count(readAll(folder / "x.pdf"), "/Subtype /Image") > 0;
}

}  // namespace

// Each way a model can name a file elsewhere: without --read-within the
// tool prints what it names, as it always did; with it, nothing of the
// file reaches any output and one warning names the reference as written.
TEST(Unfold, FilesAModelNamesOutsideTheReadFolderNeverReachTheSheet) {
    TempDir dir("kivano-app");
    fs::path in = dir.path / "in";
    fs::create_directories(in);
    for (const char* secret : {"secret.png", "secret copy.png", "in/inside.png"})
        fs::copy_file(example("figure_face.png"), dir.path / secret);
    write(dir.path / "evil.mtl", "newmtl m\nmap_Kd secret.png\n");
    write(in / "split.obj", std::string("mtl\\\nlib ../evil.mtl\n") + kTetrahedron);
    write(in / "feeds.obj", std::string("\vmtllib feeds.mtl\n") + kTetrahedron);
    write(in / "feeds.mtl", "newmtl m\n\fmap_Kd ../secret.png\n");
    write(in / "spaces.obj", std::string("mtllib spaces.mtl\n") + kTetrahedron);
    write(in / "spaces.mtl", "newmtl m\nmap_Kd -s 1 1 1 ../secret copy.png\n");
    write(in / "tri.bin", kTriangleBytes);
    write(in / "old.gltf", triangleGltf1("../secret.png"));
    write(in / "image.glb", triangleGlb("../secret.png"));
    write(in / "comment.ply", kTexturedPly);
    const std::vector<std::pair<std::string, std::string>> routes{
        {"split.obj", "../evil.mtl"},         {"feeds.obj", "../secret.png"},
        {"spaces.obj", "../secret copy.png"}, {"old.gltf", "../secret.png"},
        {"image.glb", "../secret.png"},       {"comment.ply", "../secret.png"}};
    const std::vector<std::string> outputs{
        "-o",    "x.pdf",           "-o",     "x.svg",  "-o",
        "x.obj", "--keep-original", "--json", "r.json", "--quiet"};
    for (const auto& [model, reference] : routes) {
        SCOPED_TRACE(model);
        std::vector<std::string> args{"in/" + model};
        args.insert(args.end(), outputs.begin(), outputs.end());
        Outcome open = unfold(args, dir.path);
        ASSERT_EQ(open.exit, 0) << open.out;
        EXPECT_TRUE(printsAnImage(dir.path)) << "the route reads no file";
        args.insert(args.end(), {"--read-within", "in"});
        Outcome gated = unfold(args, dir.path);
        ASSERT_EQ(gated.exit, 0) << gated.out;
        EXPECT_FALSE(printsAnImage(dir.path));
        EXPECT_EQ((readAll(dir.path / "x.obj") + readAll(dir.path / "x.mtl")).find("secret"),
                  std::string::npos);
        std::string json = readAll(dir.path / "r.json");
        EXPECT_EQ(count(json, reference + " lies outside the model's folder"), 1u) << json;
        EXPECT_EQ(json.find(dir.path.string()), std::string::npos) << json;
    }
    // Inside the folder a texture prints; one that is missing is named
    // relative to the job's folder, not by where the folder lies.
    write(in / "inside.obj",
          std::string("mtllib inside.mtl\n") + kTetrahedron + "usemtl gone\nf 1/1 2/2 3/3\n");
    write(in / "inside.mtl", "newmtl m\nmap_Kd inside.png\nnewmtl gone\nmap_Kd gone.png\n");
    Outcome inside = unfold({"in/inside.obj", "--read-within", "in", "-o", "x.pdf", "-o", "x.svg",
                             "--json", "r.json", "--quiet"},
                            dir.path);
    ASSERT_EQ(inside.exit, 0) << inside.out;
    EXPECT_TRUE(printsAnImage(dir.path));
    EXPECT_NE(inside.out.find("texture in/gone.png cannot be read"), std::string::npos)
        << inside.out;
    EXPECT_EQ(inside.out.find(dir.path.string()), std::string::npos) << inside.out;
}

// A buffer the geometry needs cannot be left out: the import fails in one
// sentence naming it, and nothing is written.
TEST(Unfold, AGlbBufferOutsideTheReadFolderFailsTheImport) {
    TempDir dir("kivano-app");
    fs::create_directories(dir.path / "in");
    write(dir.path / "secret.txt", std::string(24, 'S'));
    write(dir.path / "in/buffer.glb", triangleGlb("none.png", "../secret.txt"));
    std::vector<std::string> args{"in/buffer.glb",   "-o",     "x.pdf", "-o", "x.obj",
                                  "--keep-original", "--quiet"};
    ASSERT_EQ(unfold(args, dir.path).exit, 0) << "the route reads no file";
    fs::remove(dir.path / "x.pdf");
    fs::remove(dir.path / "x.obj");
    fs::remove(dir.path / "x.mtl");
    args.insert(args.end(), {"--read-within", "in"});
    Outcome run = unfold(args, dir.path);
    EXPECT_EQ(run.exit, 1) << run.out;
    EXPECT_EQ(count(run.out, "\n"), 1u) << run.out;
    EXPECT_NE(
        run.out.find("kivano: error: cannot import \"in/buffer.glb\": it needs ../secret.txt"),
        std::string::npos)
        << run.out;
    EXPECT_FALSE(fs::exists(dir.path / "x.pdf") || fs::exists(dir.path / "x.obj"));
}

// Every number an option takes has a range a person could want; outside it,
// or not finite, one line says which option and what it takes. No value
// within the range ends the process any other way than with a sheet or a
// sentence.
TEST(Unfold, NumbersOutsideTheirRangeAreRefusedInOneLine) {
    TempDir dir("kivano-app");
    const std::vector<std::vector<std::string>> bad{
        {"--page", "1e9x1e9"},     {"--page", "19x297"},       {"--page", "10000x10000"},
        {"--page", "nanx297"},     {"--scale", "1e300"},       {"--scale", "0"},
        {"--scale", "inf"},        {"--scale", "abc"},         {"--height", "0"},
        {"--height", "nan"},       {"--height", "1e5"},        {"--margin", "105"},
        {"--margin", "-1"},        {"--lug-width", "0"},       {"--lug-width", "1e9"},
        {"--flat-angle", "180"},   {"--flat-angle", "-inf"},   {"--max-pages", "-1"},
        {"--max-pages", "1e9"},    {"--max-pages", "2000000"}, {"--faces", "3"},
        {"--faces", "12.5"},       {"--faces", "1e300"},       {"--max-deviation", "0"},
        {"--max-deviation", "nan"}};
    for (const std::vector<std::string>& option : bad) {
        std::vector<std::string> args{example("cube.obj"), "-o", dir / "x.pdf"};
        args.insert(args.end(), option.begin(), option.end());
        Outcome run = unfold(args);
        SCOPED_TRACE(option[0] + " " + option[1]);
        EXPECT_EQ(run.exit, 2) << run.out;
        EXPECT_EQ(run.out.rfind("kivano: error: ", 0), 0u) << run.out;
        EXPECT_EQ(count(run.out, "\n"), 1u) << run.out;
        EXPECT_NE(run.out.find(option[0]), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("std::"), std::string::npos) << run.out;
    }
    for (const char* page : {"20x20", "20x10000", "400x10000", "2000x2000"}) {
        Outcome run = unfold(
            {example("cube.obj"), "-o", dir / "x.pdf", "--page", page, "--margin", "0", "--quiet"});
        EXPECT_EQ(run.exit, 0) << page << ": " << run.out;
    }
    // A model too large on paper, or too large to measure, is refused
    // before the plug-in runs on it.
    write(dir / "far.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1e300\nf 1 2 3\nf 1 2 4\n");
    write(dir / "apart.obj", "v -1e308 0 0\nv 1e308 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {dir / "far.obj"}, {dir / "apart.obj"}, {example("house.obj"), "--scale", "1e6"}}) {
        std::vector<std::string> withOutput = args;
        withOutput.insert(withOutput.end(), {"-o", dir / "x.pdf", "--quiet"});
        Outcome run = unfold(withOutput);
        EXPECT_EQ(run.exit, 1) << args[0] << ": " << run.out;
        EXPECT_EQ(run.out.rfind("kivano: error: cannot unfold ", 0), 0u) << run.out;
        EXPECT_EQ(count(run.out, "\n"), 1u) << run.out;
    }
}
