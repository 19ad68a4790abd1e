#include <gtest/gtest.h>

#include <cairo.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "assembly_map.h"
#include "classify_edges.h"
#include "layout.h"
#include "render.h"
#include "test_meshes.h"
#include "text_metrics.h"
#include "texture.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

bool insideQuad(const Lug& lug, Vec2 p) {
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        Vec2 a = lug.p[i], b = lug.p[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

double distanceToOutline(const Lug& lug, Vec2 p) {
    double best = 1e300;
    for (int i = 0; i < 4; ++i) {
        Vec2 a = lug.p[i], b = lug.p[(i + 1) % 4];
        double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        double t =
            len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
    }
    return best;
}

// Every tab of the sample meshes, as the writer gets them.
std::vector<Lug> sampleLugs() {
    std::vector<Lug> lugs;
    for (const Mesh& mesh : sampleMeshes()) {
        Sheet sheet = unfoldSimply(mesh, 0, 4.0);
        for (const Net& net : sheet.nets)
            lugs.insert(lugs.end(), net.lugs.begin(), net.lugs.end());
    }
    return lugs;
}

constexpr double kZoom = 3.0;  // device pixels per point

cairo_surface_t* blankPage(const Page& page) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(page.width * kPointsPerMm * kZoom) + 1,
                                   int(page.height * kPointsPerMm * kZoom) + 1);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    return surface;
}

// The blue channel of the pixel at `mm` on the page: 255 on white paper.
int blueAt(cairo_surface_t* surface, Vec2 mm) {
    int x = int(mm.x * kPointsPerMm * kZoom), y = int(mm.y * kPointsPerMm * kZoom);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return int(row[x * 4]);
}

cairo_surface_t* renderPage(const Sheet& sheet, const Page& page, unsigned layers) {
    cairo_surface_t* surface = blankPage(page);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, kZoom, kZoom);
    Pictures pictures;
    drawPage(cr, sheet, page, layers, pictures);
    cairo_destroy(cr);
    return surface;
}

// The page the plain way: every tab clipped by cairo, every label turned and
// shaped on its own.
Colour colourOf(const Sheet& sheet, const Face& face) {
    return face.material >= 0 ? sheet.materials[face.material].colour : Colour{};
}

cairo_surface_t* renderPlainly(const Sheet& sheet, const Page& page) {
    cairo_surface_t* surface = blankPage(page);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, kZoom, kZoom);
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    for (const PlacedNet& placed : page.nets) {
        for (const Lug& lug : placed.geometry.lugs) {
            cairo_save(cr);
            cairo_move_to(cr, lug.p[0].x, lug.p[0].y);
            for (int i = 1; i < 4; ++i)
                cairo_line_to(cr, lug.p[i].x, lug.p[i].y);
            cairo_close_path(cr);
            cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
            cairo_fill_preserve(cr);
            cairo_clip(cr);
            double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
            for (Vec2 p : lug.p) {
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y);
                maxY = std::max(maxY, p.y);
            }
            for (double d = 0.0; d <= (maxX - minX) + (maxY - minY); d += 1.2) {
                cairo_move_to(cr, minX + d, minY);
                cairo_line_to(cr, minX + d - (maxY - minY), maxY);
            }
            cairo_set_source_rgb(cr, 0.62, 0.62, 0.62);
            cairo_set_line_width(cr, 0.12);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        // Faces of one colour as one shape, as the sheet has always had them.
        std::map<std::array<double, 3>, std::vector<const Face*>> byColour;
        for (const Face& face : placed.geometry.faces) {
            Colour c = colourOf(sheet, face);
            byColour[{c.r, c.g, c.b}].push_back(&face);
        }
        for (const auto& [c, faces] : byColour) {
            for (const Face* face : faces) {
                cairo_move_to(cr, face->p[0].x, face->p[0].y);
                cairo_line_to(cr, face->p[1].x, face->p[1].y);
                cairo_line_to(cr, face->p[2].x, face->p[2].y);
                cairo_close_path(cr);
            }
            cairo_set_source_rgb(cr, c[0], c[1], c[2]);
            cairo_fill(cr);
        }
    }
    // Lines from numbers to their edges, then ticks across the outline at
    // both ends of each seam of several edges.
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const PlacedNet& placed : page.nets)
        for (const Label& label : placed.labels)
            if (label.leader) {
                cairo_move_to(cr, label.leaderFrom.x, label.leaderFrom.y);
                cairo_line_to(cr, label.leaderTo.x, label.leaderTo.y);
            }
    cairo_set_line_width(cr, 0.12);
    cairo_stroke(cr);
    for (const PlacedNet& placed : page.nets)
        for (const Face& face : placed.geometry.faces)
            for (int k = 0; k < 3; ++k) {
                Vec2 a = face.p[k], b = face.p[(k + 1) % 3];
                double l = std::hypot(b.x - a.x, b.y - a.y);
                Vec2 n{-(b.y - a.y) / l * 1.2, (b.x - a.x) / l * 1.2};
                for (auto [marked, at] : {std::pair{face.seamStart[k], a}, {face.seamEnd[k], b}})
                    if (marked) {
                        cairo_move_to(cr, at.x - n.x, at.y - n.y);
                        cairo_line_to(cr, at.x + n.x, at.y + n.y);
                    }
            }
    cairo_set_line_width(cr, 0.25);
    cairo_stroke(cr);
    std::vector<std::pair<const Label*, const Net*>> labels{{&page.number, nullptr}};
    for (const PlacedNet& placed : page.nets)
        for (const Label& label : placed.labels)
            labels.push_back({&label, &placed.geometry});
    for (auto [label, net] : labels) {
        Colour c =
            net && label->face >= 0 ? colourOf(sheet, net->faces[label->face]) : Colour{1, 1, 1};
        bool dark = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b < 0.45;
        cairo_set_source_rgb(cr, dark, dark, dark);
        TextBox box = measureText(label->text, label->size, label->font);
        cairo_save(cr);
        cairo_translate(cr, label->centre.x, label->centre.y);
        cairo_rotate(cr, label->angle);
        selectLabelFont(cr, label->size, label->font);
        cairo_move_to(cr, -box.xBearing - box.width / 2, -box.yBearing - box.height / 2);
        cairo_show_text(cr, label->text.c_str());
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return surface;
}

// Pixels whose colour differs by more than a sixth of the range in a channel.
size_t differingPixels(cairo_surface_t* a, cairo_surface_t* b) {
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    int stride = cairo_image_surface_get_stride(a);
    const unsigned char* pa = cairo_image_surface_get_data(a);
    const unsigned char* pb = cairo_image_surface_get_data(b);
    size_t count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(int(pa[y * stride + x * 4 + c]) - int(pb[y * stride + x * 4 + c])) >
                    42) {
                    ++count;
                    break;
                }
    return count;
}

size_t inkedPixels(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* p = cairo_image_surface_get_data(surface);
    size_t count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            count += p[y * stride + x * 4] < 170;
    return count;
}

}  // namespace

TEST(Render, HatchLinesStayInsideTheirTabAndCoverItAcross) {
    std::vector<Lug> lugs = sampleLugs();
    ASSERT_GT(lugs.size(), 20u);
    for (const Lug& lug : lugs) {
        std::vector<Segment> hatch;
        appendHatch(lug, hatch);
        EXPECT_FALSE(hatch.empty());
        for (const Segment& s : hatch) {
            // Ends on the outline, runs through the inside, at 45 degrees.
            EXPECT_LT(distanceToOutline(lug, s.first), 1e-9);
            EXPECT_LT(distanceToOutline(lug, s.second), 1e-9);
            Vec2 mid{(s.first.x + s.second.x) / 2, (s.first.y + s.second.y) / 2};
            EXPECT_TRUE(insideQuad(lug, mid) || distanceToOutline(lug, mid) < 1e-9);
            EXPECT_NEAR(s.first.x + s.first.y, s.second.x + s.second.y, 1e-9);
        }
        // Along each line, every point inside the tab is on a segment: the
        // clipping loses no piece of a line.
        for (const Segment& s : hatch) {
            double c = s.first.x + s.first.y;
            double minX = std::min({lug.p[0].x, lug.p[1].x, lug.p[2].x, lug.p[3].x});
            double maxX = std::max({lug.p[0].x, lug.p[1].x, lug.p[2].x, lug.p[3].x});
            for (int i = 1; i < 50; ++i) {
                Vec2 p{minX + (maxX - minX) * i / 50.0, 0.0};
                p.y = c - p.x;
                if (!insideQuad(lug, p) || distanceToOutline(lug, p) < 1e-6)
                    continue;
                bool covered = false;
                for (const Segment& t : hatch)
                    covered |= std::fabs(t.first.x + t.first.y - c) < 1e-9 &&
                               p.x <= std::max(t.first.x, t.second.x) &&
                               p.x >= std::min(t.first.x, t.second.x);
                EXPECT_TRUE(covered);
            }
        }
    }
}

TEST(Render, HatchIsTheSameWhicheverWayATabRunsAndEmptyForAPoint) {
    for (const Lug& lug : sampleLugs()) {
        Lug reversed = lug;
        std::reverse(std::begin(reversed.p), std::end(reversed.p));
        std::vector<Segment> a, b;
        appendHatch(lug, a);
        appendHatch(reversed, b);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(a[i].first.x, b[i].first.x, 1e-9);
            EXPECT_NEAR(a[i].second.y, b[i].second.y, 1e-9);
        }
    }
    Lug point;
    for (Vec2& p : point.p)
        p = {5.0, 7.0};
    std::vector<Segment> none;
    appendHatch(point, none);
    EXPECT_TRUE(none.empty());
}

TEST(Render, CentredGlyphsPutTheInkBoxCentreOnTheOrigin) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    for (LabelFont font : {LabelFont::Regular, LabelFont::Bold})
        for (const char* text : {"1", "17", "4096", "12 / 30"})
            for (double size : {5.0, 9.9213, 14.17}) {
                SCOPED_TRACE(std::string(text) + " at " + std::to_string(size));
                std::vector<cairo_glyph_t> glyphs = centredGlyphs(text, size, font);
                ASSERT_FALSE(glyphs.empty());
                selectLabelFont(cr, size, font);
                cairo_text_extents_t ink;
                cairo_glyph_extents(cr, glyphs.data(), int(glyphs.size()), &ink);
                // cairo gives the bearings from the first glyph's origin.
                EXPECT_NEAR(glyphs[0].x + ink.x_bearing + ink.width / 2, 0.0, 1e-3 * size);
                EXPECT_NEAR(glyphs[0].y + ink.y_bearing + ink.height / 2, 0.0, 1e-3 * size);
                TextBox box = measureText(text, size, font);
                EXPECT_NEAR(ink.width, box.width, 1e-3 * size);
                EXPECT_NEAR(ink.height, box.height, 1e-3 * size);
            }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

// Tabs, faces and numbers drawn in runs look as drawn one by one: same
// hatching, same numbers in the same places and directions.
TEST(Render, PagesLookAsDrawnOneThingAtATime) {
    for (const Mesh& mesh : sampleMeshes()) {
        SCOPED_TRACE(mesh.name);
        Sheet sheet = unfoldSimply(mesh, 0, 4.0);
        Layout layout = layoutOf(sheet);
        ASSERT_FALSE(layout.pages.empty());
        for (const Page& page : layout.pages) {
            cairo_surface_t* ours = renderPage(sheet, page, kLayerPrint);
            cairo_surface_t* plain = renderPlainly(sheet, page);
            size_t inked = inkedPixels(plain);
            EXPECT_GT(inked, 100u);
            // Antialiasing may differ at a few pixels along glyph edges; a
            // number moved by a tenth of a millimetre differs at hundreds.
            EXPECT_LT(differingPixels(ours, plain), 200u);
            cairo_surface_destroy(ours);
            cairo_surface_destroy(plain);
        }
    }
}

// Tabs share one fill: two that overlap, one running each way, must not
// cancel out where they meet.
TEST(Render, OverlappingTabsRunningOppositeWaysStayFilled) {
    Page page;
    page.width = page.height = 40.0;
    PlacedNet placed;
    Lug a, b;
    a.p[0] = {5, 5};
    a.p[1] = {25, 5};
    a.p[2] = {25, 25};
    a.p[3] = {5, 25};
    b.p[0] = {15, 15};
    b.p[1] = {15, 35};
    b.p[2] = {35, 35};
    b.p[3] = {35, 15};
    placed.geometry.lugs = {a, b};
    page.nets.push_back(placed);
    Sheet sheet;
    cairo_surface_t* surface = renderPage(sheet, page, kLayerFaces);
    cairo_surface_flush(surface);
    auto grey = [&](Vec2 mm) { return blueAt(surface, mm); };
    // Between the hatch lines of both tabs the light fill shows, not the page.
    EXPECT_LT(grey({20.2, 20.2}), 245);
    EXPECT_LT(grey({8.2, 8.2}), 245);
    EXPECT_EQ(grey({2.0, 2.0}), 255);
    cairo_surface_destroy(surface);
}

// A label with nothing to print must not leave the next one without its font.
TEST(Render, NumbersAfterAnEmptyLabelKeepTheirFont) {
    Page page;
    page.width = page.height = 50.0;
    PlacedNet placed;
    placed.labels.push_back(makeLabel("", LabelKind::Glue, LabelFont::Regular, 6.0, {25, 25}, 0.3));
    placed.labels.push_back(
        makeLabel("48", LabelKind::Glue, LabelFont::Regular, 6.0, {25, 25}, 0.3));
    page.nets.push_back(placed);
    Sheet sheet;
    cairo_surface_t* ours = renderPage(sheet, page, kLayerNumbers);
    cairo_surface_t* plain = renderPlainly(sheet, page);
    EXPECT_GT(inkedPixels(plain), 100u);
    EXPECT_LT(differingPixels(ours, plain), 50u);
    cairo_surface_destroy(ours);
    cairo_surface_destroy(plain);
}

// Faces without a colour of their own print as paper; a chosen colour prints.
TEST(Render, OnlyChosenColoursCostInk) {
    Page page;
    page.width = page.height = 40.0;
    PlacedNet placed;
    Sheet sheet;
    sheet.materials = {Material{"initialShadingGroup", {0.5, 0.5, 0.5}, "", true},
                       Material{"paintSG", {0.5, 0.5, 0.5}, "", false}};
    for (int f = 0; f < 3; ++f) {
        Face face;
        double x = 2.0 + 12.0 * f;
        face.p[0] = {x, 5};
        face.p[1] = {x + 10, 5};
        face.p[2] = {x, 30};
        face.material = f - 1;  // none, the default group, a chosen one
        placed.geometry.faces.push_back(face);
    }
    page.nets.push_back(placed);
    cairo_surface_t* surface = renderPage(sheet, page, kLayerFaces);
    cairo_surface_flush(surface);
    auto grey = [&](Vec2 mm) { return blueAt(surface, mm); };
    EXPECT_EQ(grey({4.0, 10.0}), 255);
    EXPECT_EQ(grey({16.0, 10.0}), 255);
    EXPECT_NEAR(grey({28.0, 10.0}), 128, 2);
    cairo_surface_destroy(surface);
}

// A cube of six pieces, one per side: each view of the map shows the one
// side that faces it, in that piece's colour, and never the side behind it.
TEST(Render, TheMapShowsEachSideOfTheModelFromItsOwnView) {
    struct Side {
        int axis;
        double sign;
    };
    const Side sides[6] = {{2, 1}, {0, 1}, {2, -1}, {0, -1}, {1, 1}, {1, -1}};
    std::vector<ModelTriangle> model;
    Layout layout;
    layout.pages.emplace_back();
    for (int s = 0; s < 6; ++s) {
        int u = (sides[s].axis + 1) % 3, v = (sides[s].axis + 2) % 3;
        float quad[4][3];
        const double du[4] = {-1, 1, 1, -1}, dv[4] = {-1, -1, 1, 1};
        for (int c = 0; c < 4; ++c) {
            quad[c][sides[s].axis] = float(sides[s].sign);
            quad[c][u] = float(du[c]);
            quad[c][v] = float(dv[c]);
        }
        // (u, v, axis) is right-handed, so counter-clockwise in (u, v) faces +axis.
        for (int t = 0; t < 2; ++t) {
            ModelTriangle tri;
            tri.container = unsigned(40 + s);
            int order[3] = {0, 1 + t, 2 + t};
            if (sides[s].sign < 0)
                std::swap(order[1], order[2]);
            for (int k = 0; k < 3; ++k)
                std::copy(quad[order[k]], quad[order[k]] + 3, tri.corner[k]);
            model.push_back(tri);
        }
        PlacedNet placed;
        placed.geometry.container = unsigned(40 + s);
        placed.number = s + 1;
        layout.pages[0].nets.push_back(placed);
    }
    LayoutOptions options;
    MapSummary summary = addAssemblyMap(model, layout, options);
    ASSERT_EQ(layout.pages.size(), 2u);
    EXPECT_EQ(summary.netsShown, 4);  // top and bottom face no view
    EXPECT_EQ(summary.netsNumbered, 4);

    Sheet sheet;
    Page map = layout.pages[0];
    map.nets.clear();
    cairo_surface_t* surface = renderPage(sheet, map, kLayerPrint);
    cairo_surface_flush(surface);
    // The commonest colour other than paper and ink in each quarter of the page.
    auto commonest = [&](double x0, double y0, double x1, double y1) {
        std::map<std::array<int, 3>, int> seen;
        int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = int(y0 * kPointsPerMm * kZoom); y < int(y1 * kPointsPerMm * kZoom); y += 2)
            for (int x = int(x0 * kPointsPerMm * kZoom); x < int(x1 * kPointsPerMm * kZoom);
                 x += 2) {
                const unsigned char* p = data + y * stride + x * 4;
                std::array<int, 3> rgb{p[2], p[1], p[0]};
                if (rgb[0] + rgb[1] + rgb[2] < 700 && rgb[0] + rgb[1] + rgb[2] > 150)
                    ++seen[rgb];
            }
        auto best = std::max_element(seen.begin(), seen.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
        return best == seen.end() ? std::array<int, 3>{-1, -1, -1} : best->first;
    };
    auto expected = [](int number) {
        Colour c = pieceColour(number);
        return std::array<int, 3>{int(std::lround(c.r * 255)), int(std::lround(c.g * 255)),
                                  int(std::lround(c.b * 255))};
    };
    double w = map.width, h = map.height;
    // front, right, back, left: the sides +z, +x, -z, -x, pieces 1 to 4.
    std::array<int, 3> quarters[4] = {commonest(0, 0, w / 2, h / 2), commonest(w / 2, 0, w, h / 2),
                                      commonest(0, h / 2, w / 2, h), commonest(w / 2, h / 2, w, h)};
    for (int q = 0; q < 4; ++q)
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(quarters[q][channel], expected(q + 1)[channel], 2) << "view " << q;
    cairo_surface_destroy(surface);
}

// cairo's PDF writer scans an image with an alpha channel in full for every
// face it fills: with a large texture on many faces that took minutes. An
// image whose pixels are all opaque must therefore load as an opaque one,
// with its colours, and a transparent pixel must keep the alpha channel.
TEST(Render, TexturesWithoutTransparentPixelsLoadOpaque) {
    std::string dir = ::testing::TempDir();
    for (bool transparent : {false, true}) {
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
        cairo_t* cr = cairo_create(image);
        cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
        cairo_paint(cr);
        if (transparent) {
            cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
            cairo_rectangle(cr, 0, 0, 1, 1);
            cairo_fill(cr);
        }
        cairo_destroy(cr);
        std::string path = dir + (transparent ? "/clear.png" : "/opaque.png");
        ASSERT_EQ(cairo_surface_write_to_png(image, path.c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(image);

        std::string error;
        cairo_surface_t* loaded = sheet::loadTexture(path, error);
        ASSERT_NE(loaded, nullptr) << error;
        EXPECT_EQ(cairo_image_surface_get_format(loaded),
                  transparent ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24);
        cairo_surface_flush(loaded);
        const unsigned char* data = cairo_image_surface_get_data(loaded);
        uint32_t pixel =
            reinterpret_cast<const uint32_t*>(data + cairo_image_surface_get_stride(loaded))[2];
        EXPECT_EQ(pixel & 0xffffff, 0x336699u);
        cairo_surface_destroy(loaded);
    }
}
