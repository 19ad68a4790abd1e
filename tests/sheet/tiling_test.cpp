// Tiles of a net too large for the page, checked against the net as it lay
// on a large page of its own.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "classify_edges.h"
#include "render.h"
#include "test_meshes.h"
#include "tiling.h"

using namespace sheet;
using namespace sheet::testing;

namespace {

struct Tiled {
    Sheet sheet;
    PlacedNet whole;  // the oversize net on its own page
    Layout layout;
};

// A cube net about 480 mm long beside a small net that fits a page.
Tiled tiledCube(const LayoutOptions& options) {
    Tiled t;
    t.sheet = unfoldSimply(cube(120.0), 0, 4.0);
    t.sheet.nets.push_back(unfoldSimply(octahedron(10.0), 0, 0.0).nets[0]);
    classifyEdges(t.sheet);
    std::string error;
    EXPECT_TRUE(layoutSheet(t.sheet, options, t.layout, error)) << error;
    for (const Page& page : t.layout.pages)
        if (page.oversize)
            t.whole = page.nets.at(0);
    tileOversizePages(t.layout, options);
    return t;
}

std::vector<const Page*> tilesOf(const Layout& layout) {
    std::vector<const Page*> tiles;
    for (const Page& page : layout.pages)
        if (!page.clip.empty())
            tiles.push_back(&page);
    return tiles;
}

// How far a tile's net was moved from where it lay on its own page.
Vec2 offsetOf(const Page& tile, const PlacedNet& whole) {
    return {tile.nets.at(0).box.minX - whole.box.minX, tile.nets.at(0).box.minY - whole.box.minY};
}

// The part of the whole net a tile shows, in the frame of its own page.
Box windowOf(const Page& tile, const PlacedNet& whole) {
    Vec2 d = offsetOf(tile, whole);
    return {tile.clip.minX - d.x, tile.clip.minY - d.y, tile.clip.maxX - d.x, tile.clip.maxY - d.y};
}

std::vector<Vec2> samplePoints(const PlacedNet& net) {
    std::vector<Vec2> points;
    for (const Face& face : net.geometry.faces) {
        Vec2 centre{(face.p[0].x + face.p[1].x + face.p[2].x) / 3,
                    (face.p[0].y + face.p[1].y + face.p[2].y) / 3};
        points.push_back(centre);
        for (int k = 0; k < 3; ++k) {
            Vec2 a = face.p[k], b = face.p[(k + 1) % 3];
            points.push_back(a);
            points.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2});
        }
    }
    for (const Lug& lug : net.geometry.lugs)
        points.insert(points.end(), std::begin(lug.p), std::end(lug.p));
    for (const Label& label : net.labels)
        points.push_back(label.centre);
    return points;
}

// How deep a point lies inside a window, from the sides that cut across the
// net (the others lie at or beyond its box); below zero outside it.
double depthInside(Vec2 p, const Box& window, const Box& net) {
    constexpr double kEps = 1e-6;
    if (p.x < window.minX - kEps || p.x > window.maxX + kEps || p.y < window.minY - kEps ||
        p.y > window.maxY + kEps)
        return -1.0;
    double depth = 1e300;
    if (window.minX > net.minX + kEps)
        depth = std::min(depth, p.x - window.minX);
    if (window.maxX < net.maxX - kEps)
        depth = std::min(depth, window.maxX - p.x);
    if (window.minY > net.minY + kEps)
        depth = std::min(depth, p.y - window.minY);
    if (window.maxY < net.maxY - kEps)
        depth = std::min(depth, window.maxY - p.y);
    return depth;
}

LayoutOptions smallPage() {
    LayoutOptions options;
    options.pageWidth = 100.0;
    options.pageHeight = 120.0;
    options.margin = 5.0;
    return options;
}

}  // namespace

TEST(Tiling, TilesOfThePageSizeShowTheWholeNetWithTheOverlap) {
    for (const LayoutOptions& options : {LayoutOptions{}, smallPage()}) {
        SCOPED_TRACE(options.pageWidth);
        Tiled t = tiledCube(options);
        ASSERT_EQ(t.layout.oversize.size(), 1u);
        std::vector<const Page*> tiles = tilesOf(t.layout);
        EXPECT_GE(tiles.size(), 2u);
        EXPECT_EQ(t.layout.oversize[0].sheets, int(tiles.size()));
        EXPECT_EQ(t.layout.pages.size(), tiles.size() + 1);  // and the small net's page
        for (size_t i = 0; i < t.layout.pages.size(); ++i) {
            const Page& page = t.layout.pages[i];
            EXPECT_FALSE(page.oversize);
            EXPECT_EQ(page.width, options.pageWidth);
            EXPECT_EQ(page.height, options.pageHeight);
            EXPECT_EQ(page.number.text,
                      std::to_string(i + 1) + " / " + std::to_string(t.layout.pages.size()));
        }
        // Every point of the net is printed, and where a sheet ends it lies
        // at least half the overlap inside the next one.
        for (Vec2 p : samplePoints(t.whole)) {
            double deepest = -1.0;
            for (const Page* tile : tiles)
                deepest = std::max(deepest, depthInside(p, windowOf(*tile, t.whole), t.whole.box));
            EXPECT_GE(deepest, kTileOverlap / 2 - 1e-6) << p.x << ", " << p.y;
        }
    }
}

TEST(Tiling, EachAlignmentCrossLiesAtTheSamePlaceOfTheNetOnANeighbour) {
    Tiled t = tiledCube(smallPage());
    std::vector<const Page*> tiles = tilesOf(t.layout);
    size_t crosses = 0;
    for (const Page* tile : tiles) {
        Vec2 d = offsetOf(*tile, t.whole);
        for (size_t m = 0; m < tile->alignMarks.size(); m += 2) {
            const Segment& across = tile->alignMarks[m];
            Vec2 c{(across.first.x + across.second.x) / 2 - d.x,
                   (across.first.y + across.second.y) / 2 - d.y};
            ++crosses;
            int shown = 0;  // tiles that print the whole cross at this point of the net
            for (const Page* other : tiles) {
                Box w = windowOf(*other, t.whole);
                Vec2 od = offsetOf(*other, t.whole);
                bool whole = c.x - kAlignMarkHalf >= w.minX && c.x + kAlignMarkHalf <= w.maxX &&
                             c.y - kAlignMarkHalf >= w.minY && c.y + kAlignMarkHalf <= w.maxY;
                bool marked = false;
                for (size_t n = 0; n < other->alignMarks.size(); n += 2) {
                    const Segment& s = other->alignMarks[n];
                    marked = marked || std::hypot((s.first.x + s.second.x) / 2 - od.x - c.x,
                                                  (s.first.y + s.second.y) / 2 - od.y - c.y) < 1e-6;
                }
                shown += whole && marked;
            }
            EXPECT_GE(shown, 2) << c.x << ", " << c.y;
        }
    }
    EXPECT_GT(crosses, 0u);
}

TEST(Tiling, ATilePrintsNothingOutsideItsWindowButItsFooter) {
    Tiled t = tiledCube(LayoutOptions{});
    const Page& tile = *tilesOf(t.layout).at(0);
    constexpr double kZoom = 2.0;                // device pixels per point
    constexpr double kAntialias = 0.5;           // mm a clipped edge may bleed
    const double footer = tile.clip.maxY + 1.0;  // below it the caption and number
    int w = int(tile.width * kPointsPerMm * kZoom), h = int(tile.height * kPointsPerMm * kZoom);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, kZoom, kZoom);
    Pictures pictures;
    drawPage(cr, t.sheet, tile, kAllLayers, pictures);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    size_t inside = 0, outside = 0, inFooter = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (data[y * stride + x * 4] == 255)
                continue;
            double mx = x / kZoom / kPointsPerMm, my = y / kZoom / kPointsPerMm;
            bool inWindow = mx > tile.clip.minX - kAntialias && mx < tile.clip.maxX + kAntialias &&
                            my > tile.clip.minY - kAntialias && my < tile.clip.maxY + kAntialias;
            inside += inWindow;
            inFooter += !inWindow && my > footer;
            outside += !inWindow && my <= footer;
        }
    cairo_surface_destroy(surface);
    EXPECT_GT(inside, 0u);
    EXPECT_GT(inFooter, 0u);
    EXPECT_EQ(outside, 0u);
}
