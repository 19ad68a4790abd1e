#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include <clipper.hpp>

#include "classify_edges.h"
#include "layout.h"
#include "shapes.h"
#include "test_meshes.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

std::vector<Vec2> corners(const Label& label) {
    auto c = labelCorners(label);
    return {c.begin(), c.end()};
}

std::vector<Vec2> triangle(const Face& face) {
    return {face.p[0], face.p[1], face.p[2]};
}

std::vector<Vec2> quad(const Lug& lug) {
    return {lug.p[0], lug.p[1], lug.p[2], lug.p[3]};
}

Layout laidOut(Sheet& sheet, const LayoutOptions& options) {
    classifyEdges(sheet);
    Layout layout;
    std::string error;
    EXPECT_TRUE(layoutSheet(sheet, options, layout, error)) << error;
    return layout;
}

void expectInside(const Box& area, Vec2 p) {
    EXPECT_GE(p.x, area.minX - 1e-6);
    EXPECT_GE(p.y, area.minY - 1e-6);
    EXPECT_LE(p.x, area.maxX + 1e-6);
    EXPECT_LE(p.y, area.maxY + 1e-6);
}

void expectNetsInsideAndApart(const Page& page, const LayoutOptions& options) {
    Box area = printableArea(page, options);
    for (size_t i = 0; i < page.nets.size(); ++i) {
        const PlacedNet& net = page.nets[i];
        for (const Face& face : net.geometry.faces)
            for (Vec2 p : face.p)
                expectInside(area, p);
        for (const Lug& lug : net.geometry.lugs)
            for (Vec2 p : lug.p)
                expectInside(area, p);
        for (const Label& label : net.labels)
            for (Vec2 p : labelCorners(label))
                expectInside(area, p);
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(boxesOverlap(net.box, page.nets[j].box, 0.0))
                << "nets " << net.number << " and " << page.nets[j].number;
    }
    for (Vec2 p : labelCorners(page.number)) {
        EXPECT_GE(p.x, 0.0);
        EXPECT_LE(p.y, page.height);
        EXPECT_GT(p.y, area.maxY);  // below the nets
    }
}

// No label overprints a line, a face or a tab it is not inside of, or
// another label.
void expectLabelsClear(const PlacedNet& net) {
    const Net& g = net.geometry;
    for (size_t i = 0; i < net.labels.size(); ++i) {
        const Label& label = net.labels[i];
        auto box = corners(label);
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(convexOverlap(box, corners(net.labels[j]), 0.0))
                << label.text << " over " << net.labels[j].text;
        int inside = 0;
        for (const Face& face : g.faces) {
            if (insideConvex(box, triangle(face), 0.1)) {
                ++inside;
                EXPECT_EQ(label.face, int(&face - g.faces.data()));  // decides its ink
                continue;
            }
            EXPECT_FALSE(convexOverlap(box, triangle(face), 0.0)) << "label " << label.text;
        }
        for (const Lug& lug : g.lugs) {
            if (insideConvex(box, quad(lug), 0.1)) {
                ++inside;
                continue;
            }
            EXPECT_FALSE(convexOverlap(box, quad(lug), 0.0)) << "label " << label.text;
        }
        EXPECT_EQ(inside, label.spot == LabelSpot::Beside ? 0 : 1) << "label " << label.text;
        EXPECT_GE(label.size, label.kind == LabelKind::Glue ? kGlueSizeSmallest - 1e-9 : 3.0);
    }
}

std::map<std::string, int> glueTexts(const Layout& layout) {
    std::map<std::string, int> counts;
    for (const Page& page : layout.pages)
        for (const PlacedNet& net : page.nets)
            for (const Label& label : net.labels)
                if (label.kind == LabelKind::Glue)
                    ++counts[label.text];
    return counts;
}

}  // namespace

TEST(Layout, NetsOfSampleMeshesStayInsideTheMarginsApartAndLabelledClearly) {
    LayoutOptions options;
    options.packing = Packing::Boxes;  // packed by shape, boxes may overlap: see below
    for (const Mesh& mesh : sampleMeshes())
        for (unsigned perNet : {0u, 2u, 5u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 4.0);
            Layout layout = laidOut(sheet, options);
            ASSERT_FALSE(layout.pages.empty());
            EXPECT_TRUE(layout.oversize.empty());
            size_t nets = 0;
            for (const Page& page : layout.pages) {
                EXPECT_DOUBLE_EQ(page.width, 210.0);
                EXPECT_DOUBLE_EQ(page.height, 297.0);
                expectNetsInsideAndApart(page, options);
                for (const PlacedNet& net : page.nets)
                    expectLabelsClear(net);
                nets += page.nets.size();
            }
            EXPECT_EQ(nets, sheet.nets.size());
            for (auto [text, count] : glueTexts(layout))
                EXPECT_EQ(count, 2) << "glue number " << text;
        }
}

// Every face keeps its side lengths and is not mirrored.
void expectTrueShapes(const Sheet& sheet, const Layout& layout) {
    auto side = [](const Face& face, int k) {
        Vec2 a = face.p[k], b = face.p[(k + 1) % 3];
        return std::hypot(a.x - b.x, a.y - b.y);
    };
    auto turning = [](const Face& f) {
        return (f.p[1].x - f.p[0].x) * (f.p[2].y - f.p[0].y) -
               (f.p[1].y - f.p[0].y) * (f.p[2].x - f.p[0].x);
    };
    for (const Page& page : layout.pages)
        for (const PlacedNet& placed : page.nets) {
            const Net& source = sheet.nets[placed.netIndex];
            ASSERT_EQ(source.faces.size(), placed.geometry.faces.size());
            for (size_t f = 0; f < source.faces.size(); ++f) {
                const Face &from = source.faces[f], &to = placed.geometry.faces[f];
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(side(from, k), side(to, k), 1e-9);
                // the page's y axis points down: a face seen from the
                // front turns the other way there
                EXPECT_LT(turning(from) * turning(to), 0.0);
            }
        }
}

TEST(Layout, TrueScaleAndShapeSurviveThePlacement) {
    Sheet sheet = unfoldSimply(octahedron(30.0), 0, 0.0);
    Layout layout = laidOut(sheet, {});
    expectTrueShapes(sheet, layout);
}

// A strip longer than the printable area is high and wide fits it aslant:
// packed densely it prints whole, in its own shape, inside the margins.
TEST(Layout, DensePackingPrintsWholeANetThatFitsOnlyAslant) {
    Sheet sheet = unfoldSimply(foldedGrid(1, 12, 20.0), 0, 4.0);  // 20 x 240 mm
    Sheet copy = sheet;
    LayoutOptions shapes, dense;
    shapes.pageWidth = dense.pageWidth = 200;
    shapes.pageHeight = dense.pageHeight = 240;
    dense.packing = Packing::Dense;
    Layout upright = laidOut(sheet, shapes);
    ASSERT_EQ(upright.oversize.size(), 1u);
    EXPECT_TRUE(upright.oversize[0].fitsTurned);  // and the warning says what prints it whole
    Layout layout = laidOut(copy, dense);
    EXPECT_TRUE(layout.oversize.empty());
    ASSERT_EQ(layout.pages.size(), 1u);
    expectNetsInsideAndApart(layout.pages[0], dense);
    expectLabelsClear(layout.pages[0].nets[0]);
    expectTrueShapes(copy, layout);
}

TEST(Layout, NetLargerThanThePageGetsItsOwnPageAndIsReported) {
    Sheet sheet = unfoldSimply(cube(120.0), 0, 4.0);  // a net 4 faces long: about 480 mm
    Sheet small = unfoldSimply(octahedron(10.0), 0, 0.0);
    sheet.nets.push_back(small.nets[0]);
    LayoutOptions options;
    Layout layout = laidOut(sheet, options);
    ASSERT_EQ(layout.oversize.size(), 1u);
    EXPECT_EQ(layout.oversize[0].number, 1);
    EXPECT_EQ(layout.oversize[0].container, sheet.nets[0].container);
    EXPECT_GT(std::max(layout.oversize[0].width, layout.oversize[0].height), 297.0);
    EXPECT_FALSE(layout.oversize[0].fitsTurned);  // longer than the page's diagonal
    ASSERT_EQ(layout.pages.size(), 2u);
    for (const Page& page : layout.pages) {
        expectNetsInsideAndApart(page, options);
        if (page.oversize) {
            ASSERT_EQ(page.nets.size(), 1u);
            EXPECT_EQ(page.nets[0].number, 1);
        }
    }
}

TEST(Layout, TinyEdgesPutTheirNumbersOnTabsOrBesideTheNet) {
    // Two 3 mm triangles glued along one edge, one with a wide tab there.
    Sheet sheet;
    for (int n = 0; n < 2; ++n) {
        Net net;
        Face face;
        face.p[0] = {0, 0};
        face.p[1] = {3, 0};
        face.p[2] = {1.5, 2.4};
        face.edgeId[0] = 3;
        net.faces = {face};
        net.container = unsigned(n);
        sheet.nets.push_back(net);
    }
    Lug lug;
    lug.face = 0;
    lug.edge = 0;
    lug.p[0] = {3, 0};
    lug.p[1] = {0, 0};
    lug.p[2] = {-2, -8};
    lug.p[3] = {5, -8};
    sheet.nets[0].lugs = {lug};
    Layout layout = laidOut(sheet, {});
    std::map<unsigned, LabelSpot> spotOfNet;
    for (const Page& page : layout.pages)
        for (const PlacedNet& net : page.nets) {
            expectLabelsClear(net);
            for (const Label& label : net.labels)
                if (label.kind == LabelKind::Glue) {
                    EXPECT_EQ(label.text, "1");
                    spotOfNet[net.netIndex] = label.spot;
                }
        }
    EXPECT_EQ(spotOfNet[0], LabelSpot::Lug);
    EXPECT_EQ(spotOfNet[1], LabelSpot::Beside);

    // A small cube: numbers wherever they fit, still clear and paired.
    Sheet cubeSheet = unfoldSimply(cube(6.0), 0, 4.0);
    Layout cubeLayout = laidOut(cubeSheet, {});
    for (const Page& page : cubeLayout.pages)
        for (const PlacedNet& net : page.nets)
            expectLabelsClear(net);
    for (auto [text, count] : glueTexts(cubeLayout))
        EXPECT_EQ(count, 2);
}

TEST(Layout, SubMillimetreFacesKeepEveryNumberClearAndPaired) {
    // Faces far smaller than a number: each number is tested against many
    // grid cells' worth of tiny shapes, and labels dwarf the cells.
    size_t numbers = 0;
    for (const Mesh& mesh : {foldedGrid(14, 9, 0.6), icosahedron(2.5), cube(0.8)})
        for (unsigned perNet : {0u, 6u}) {
            SCOPED_TRACE(mesh.name + " / " + std::to_string(perNet));
            Sheet sheet = unfoldSimply(mesh, perNet, 0.3);
            Layout layout = laidOut(sheet, {});
            for (const Page& page : layout.pages)
                for (const PlacedNet& net : page.nets)
                    expectLabelsClear(net);
            auto texts = glueTexts(layout);
            numbers += texts.size();
            for (auto [text, count] : texts)
                EXPECT_EQ(count, 2) << "number " << text;
        }
    EXPECT_GT(numbers, 0u);
}

TEST(Layout, RefusesOptionsWithoutPrintableArea) {
    Sheet sheet = unfoldSimply(cube(10.0), 0, 0.0);
    classifyEdges(sheet);
    Layout layout;
    std::string error;
    LayoutOptions options;
    options.margin = 120.0;
    EXPECT_FALSE(layoutSheet(sheet, options, layout, error));
    EXPECT_NE(error.find("margin"), std::string::npos);
    options.margin = -1.0;
    EXPECT_FALSE(layoutSheet(sheet, options, layout, error));
}

// Packed by their true shapes, nets nest in each other's hollows; Clipper,
// not the packer's raster, checks that no two nets' cut outlines come closer
// than the gap, that no number touches another net's outline or numbers,
// that all stays inside the margins and that every net keeps its numbers.
TEST(Layout, NetsPackedByShapeNeverOverlapAndKeepTheirNumbers) {
    namespace cl = ClipperLib;
    constexpr double kScale = 1000.0;  // Clipper's integers: micrometres
    auto path = [&](std::initializer_list<Vec2> points) {
        cl::Path out;
        for (Vec2 p : points)
            out.push_back(
                {cl::cInt(std::llround(p.x * kScale)), cl::cInt(std::llround(p.y * kScale))});
        if (cl::Area(out) < 0)
            cl::ReversePath(out);
        return out;
    };
    LayoutOptions shapes, boxes;
    shapes.pageWidth = boxes.pageWidth = 120;
    shapes.pageHeight = boxes.pageHeight = 150;
    boxes.packing = Packing::Boxes;
    std::map<std::string, size_t> pagesInQuarterTurns;
    const std::vector<Mesh> meshes = sampleMeshes();
    for (Packing packing : {Packing::Shapes, Packing::Dense})
        for (const Mesh& mesh : meshes)
            for (unsigned perNet : {2u, 5u}) {
                std::string name = mesh.name + " " + std::to_string(&mesh - meshes.data()) + " / " +
                                   std::to_string(perNet);
                SCOPED_TRACE(name + (packing == Packing::Dense ? " densely" : ""));
                shapes.packing = packing;
                Sheet sheet = unfoldSimply(mesh, perNet, 4.0);
                Sheet copy = sheet;
                Layout layout = laidOut(sheet, shapes);
                Layout reference = laidOut(copy, boxes);
                if (packing == Packing::Shapes)
                    pagesInQuarterTurns[name] = layout.pages.size();
                else
                    EXPECT_LE(layout.pages.size(), pagesInQuarterTurns[name]);
                expectTrueShapes(sheet, layout);
                std::map<unsigned, size_t> labelsOf;
                for (const Page& page : reference.pages)
                    for (const PlacedNet& net : page.nets)
                        labelsOf[net.netIndex] = net.labels.size();
                size_t nets = 0;
                for (const Page& page : layout.pages) {
                    Box area = printableArea(page, shapes);
                    // Cut outlines grown by half the gap, numbers by a hair:
                    // neither may meet the other net's.
                    std::vector<cl::Paths> grown;
                    auto grow = [&](const cl::Paths& parts, double by) {
                        cl::Paths merged, out;
                        cl::SimplifyPolygons(parts, merged, cl::pftNonZero);
                        cl::ClipperOffset offset;
                        offset.AddPaths(merged, cl::jtRound, cl::etClosedPolygon);
                        offset.Execute(out, by * kScale);
                        return out;
                    };
                    for (const PlacedNet& net : page.nets) {
                        EXPECT_EQ(net.labels.size(), labelsOf[net.netIndex])
                            << "net " << net.number;
                        cl::Paths cut, printed;
                        for (const Face& face : net.geometry.faces)
                            cut.push_back(path({face.p[0], face.p[1], face.p[2]}));
                        for (const Lug& lug : net.geometry.lugs)
                            cut.push_back(path({lug.p[0], lug.p[1], lug.p[2], lug.p[3]}));
                        for (const Label& label : net.labels) {
                            auto c = labelCorners(label);
                            printed.push_back(path({c[0], c[1], c[2], c[3]}));
                        }
                        for (const cl::Paths* parts : {&cut, &printed})
                            for (const cl::Path& part : *parts)
                                for (const cl::IntPoint& p : part)
                                    expectInside(area, {p.X / kScale, p.Y / kScale});
                        cl::Paths both = grow(cut, shapes.netGap / 2 - 0.01),
                                  numbers = grow(printed, 0.2);
                        both.insert(both.end(), numbers.begin(), numbers.end());
                        grown.push_back(both);
                    }
                    for (size_t i = 0; i < grown.size(); ++i)
                        for (size_t j = 0; j < i; ++j) {
                            cl::Clipper clipper;
                            clipper.AddPaths(grown[i], cl::ptSubject, true);
                            clipper.AddPaths(grown[j], cl::ptClip, true);
                            cl::Paths common;
                            clipper.Execute(cl::ctIntersection, common, cl::pftNonZero,
                                            cl::pftNonZero);
                            EXPECT_TRUE(common.empty())
                                << "nets " << page.nets[i].number << " and " << page.nets[j].number;
                        }
                    nets += page.nets.size();
                }
                EXPECT_EQ(nets, labelsOf.size());
                EXPECT_LE(layout.pages.size(), reference.pages.size());
            }
}
