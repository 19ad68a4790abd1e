#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "classify_edges.h"
#include "labels.h"
#include "polygon_checks.h"
#include "render.h"
#include "sheet_writer.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

// The raster and the skipping along blocked directions only ever turn down
// positions the polygon tests would refuse: every number lands exactly where
// the plain search puts it. Tiny faces and narrow tabs send most numbers
// beside their nets, into crowds of earlier ones.
TEST(GlueLabels, FastSearchPlacesEveryNumberWhereThePlainSearchDoes) {
    size_t beside = 0, compared = 0;
    for (const Mesh& mesh :
         {foldedGrid(14, 9, 0.6), icosahedron(2.5), cube(0.8), octahedron(12.0), icosahedron(40.0)})
        for (unsigned perNet : {0u, 5u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 0.3);
            classifyEdges(sheet);
            for (const Net& net : sheet.nets) {
                std::vector<Label> fast = placeGlueLabels(net, GlueSearch::Fast);
                std::vector<Label> plain = placeGlueLabels(net, GlueSearch::Plain);
                ASSERT_EQ(fast.size(), plain.size());
                for (size_t i = 0; i < fast.size(); ++i) {
                    SCOPED_TRACE("number " + plain[i].text);
                    EXPECT_EQ(fast[i].text, plain[i].text);
                    EXPECT_EQ(fast[i].spot, plain[i].spot);
                    EXPECT_EQ(fast[i].centre.x, plain[i].centre.x);
                    EXPECT_EQ(fast[i].centre.y, plain[i].centre.y);
                    EXPECT_EQ(fast[i].angle, plain[i].angle);
                    EXPECT_EQ(fast[i].size, plain[i].size);
                    beside += plain[i].spot == LabelSpot::Beside;
                    ++compared;
                }
            }
        }
    EXPECT_GT(beside, 100u);
    EXPECT_GT(compared, beside);
}

namespace {

std::vector<double> numbersIn(const std::string& text) {
    static const std::regex number("-?[0-9.]+(e-?[0-9]+)?");
    std::vector<double> out;
    for (auto m = std::sregex_iterator(text.begin(), text.end(), number);
         m != std::sregex_iterator(); ++m)
        out.push_back(std::stod(m->str()));
    return out;
}

// The glue numbers an SVG page prints, read back through the font's glyphs
// (net and page numbers are bold or hold other glyphs), each with its ink
// on the page; and the starts of the page's leader lines, by where they end.
std::multimap<std::string, cl::Path> printedNumbers(const std::string& svg,
                                                    std::vector<std::pair<Vec2, Vec2>>& leaders) {
    std::map<std::string, char> digits;
    std::vector<cairo_glyph_t> glyphs = centredGlyphs("0123456789", 10.0, LabelFont::Regular);
    for (size_t i = 0; i < glyphs.size(); ++i)
        digits["r-" + std::to_string(glyphs[i].index)] = char('0' + i);
    std::map<std::string, Box> outlines;  // each glyph's, from its path's points
    static const std::regex glyph("<path id=\"label-glyph-([rb]-[0-9]+)\" d=\"([^\"]*)\"");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), glyph); m != std::sregex_iterator();
         ++m) {
        std::vector<double> p = numbersIn((*m)[2]);
        for (size_t i = 0; i + 1 < p.size(); i += 2)
            outlines[(*m)[1]].add(Vec2{p[i], p[i + 1]});
    }
    std::multimap<std::string, cl::Path> printed;
    static const std::regex label("<g transform=\"matrix\\(([^)]*)\\)\">((<use[^>]*/>)+)</g>");
    static const std::regex use("#label-glyph-([rb]-[0-9]+)\" x=\"([^\"]+)\" y=\"([^\"]+)\"");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), label); m != std::sregex_iterator();
         ++m) {
        std::vector<double> t = numbersIn((*m)[1]);
        std::string uses = (*m)[2], text;
        Box ink;
        for (auto u = std::sregex_iterator(uses.begin(), uses.end(), use);
             u != std::sregex_iterator(); ++u) {
            text += digits.count((*u)[1]) ? digits[(*u)[1]] : '?';
            const Box& g = outlines[(*u)[1]];
            double x = std::stod((*u)[2]), y = std::stod((*u)[3]);
            ink.add(Vec2{g.minX + x, g.minY + y});
            ink.add(Vec2{g.maxX + x, g.maxY + y});
        }
        auto onPage = [&](double x, double y) {
            return Vec2{(t[0] * x + t[2] * y + t[4]) / kPointsPerMm,
                        (t[1] * x + t[3] * y + t[5]) / kPointsPerMm};
        };
        const Vec2 corners[4] = {onPage(ink.minX, ink.minY), onPage(ink.maxX, ink.minY),
                                 onPage(ink.maxX, ink.maxY), onPage(ink.minX, ink.maxY)};
        if (text.find('?') == std::string::npos)
            printed.insert({text, pathOf(corners, 4)});
    }
    char leaderStyle[64];
    std::snprintf(leaderStyle, sizeof leaderStyle, "stroke-width:%.7g;stroke-linecap:round;",
                  kLeaderWidth * kPointsPerMm);
    size_t at = svg.find(leaderStyle);
    size_t d = at == std::string::npos ? at : svg.find("d=\"", at) + 3;
    std::vector<double> p = d == std::string::npos ? std::vector<double>{}
                                                   : numbersIn(svg.substr(d, svg.find('"', d) - d));
    for (size_t i = 0; i + 3 < p.size(); i += 4)  // M from L to
        leaders.push_back({{p[i] / kPointsPerMm, p[i + 1] / kPointsPerMm},
                           {p[i + 2] / kPointsPerMm, p[i + 3] / kPointsPerMm}});
    return printed;
}

// Open lines grown by `by` mm all round.
cl::Paths grown(const cl::Paths& lines, double by) {
    cl::ClipperOffset offset(2.0, 0.01 * 1e6);  // rounds true to 0.01 mm
    offset.AddPaths(lines, cl::jtRound, cl::etOpenRound);
    cl::Paths out;
    offset.Execute(out, by * 1e6);
    return out;
}

}  // namespace

// Real meshes shrunk until their edges are far shorter than the numbers,
// so that numbers crowd onto tabs and around the nets. Read back from the
// SVG pages alone: each number is printed once for every edge bearing it,
// within reach of such an edge or its tab or at the start of a leader
// from such an edge's middle, and no two numbers' inks meet.
TEST(GlueLabels, ShrunkModelsPrintEveryNumberAtAnEdgeBearingIt) {
    constexpr double kReach = kNearEdge;  // mm, from an ink box to its edge
    constexpr double kOnLine = 0.05;      // mm, a leader's end from what it joins
    size_t small = 0, onTab = 0, led = 0;
    for (double radius : {24.0, 12.0, 6.0}) {
        SCOPED_TRACE("radius " + std::to_string(radius));
        Sheet sheet = unfoldSimply(geodesicSphere(3, radius), 40, 4.0);
        Layout layout = layoutOf(sheet);
        Pictures pictures;
        for (const Page& page : layout.pages) {
            std::map<std::string, cl::Paths> near;  // where each number may stand
            std::map<std::string, size_t> bearing;
            std::vector<std::pair<Vec2, Vec2>> leaders;
            auto printed = printedNumbers(pageSvg(sheet, page, pictures), leaders);
            for (const PlacedNet& net : page.nets) {
                for (const Face& f : net.geometry.faces)
                    for (int k = 0; k < 3; ++k) {
                        if (f.kind[k] != EdgeKind::Cut || !f.labelled[k])
                            continue;
                        std::string text = std::to_string(f.glue[k]);
                        Vec2 a = f.p[k], b = f.p[(k + 1) % 3],
                             mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
                        ++bearing[text];
                        const Vec2 edge[2] = {a, b};
                        cl::Paths zone = grown({pathOf(edge, 2)}, kReach);
                        for (auto [from, to] : leaders)
                            if (std::hypot(to.x - mid.x, to.y - mid.y) < kOnLine)
                                zone.push_back(grown({pathOf(&from, 1)}, kOnLine).front());
                        near[text].insert(near[text].end(), zone.begin(), zone.end());
                    }
                for (const Lug& lug : net.geometry.lugs)
                    if (net.geometry.faces[lug.face].labelled[lug.edge])
                        near[std::to_string(net.geometry.faces[lug.face].glue[lug.edge])].push_back(
                            grown({pathOf(lug.p, 4)}, kReach).front());
                for (const Label& l : net.labels) {
                    bool shrunk = l.kind == LabelKind::Glue && l.size < kGlueSizeMin;
                    small += shrunk, onTab += shrunk && l.spot == LabelSpot::Lug, led += l.leader;
                }
            }
            cl::Paths inks;
            double each = 0.0;  // inks that overlap cover less together
            for (const auto& [text, ink] : printed) {
                EXPECT_GT(sharedArea({ink}, near[text]), 0.0) << "number " << text;
                inks.push_back(ink);
                each += std::fabs(cl::Area(ink)) / 1e12;
            }
            EXPECT_NEAR(sharedArea(inks, inks), each, 1e-6);
            for (const auto& [text, count] : bearing)
                EXPECT_EQ(printed.count(text), count) << "number " << text;
        }
    }
    // the crowd the test is for: numbers below the usual sizes, on tabs
    // too, and with leaders
    EXPECT_GT(small, 0u);
    EXPECT_GT(onTab, 0u);
    EXPECT_GT(led, 0u);
}
