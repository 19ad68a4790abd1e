#include <gtest/gtest.h>

#include <cairo.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "classify_edges.h"
#include "layout.h"
#include "render.h"
#include "sheet_writer.h"
#include "test_meshes.h"

#include "../test_files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

using namespace sheet;
using namespace sheet::testing;
namespace fs = std::filesystem;

namespace {

int pdfPageCount(const std::string& pdf) {
    std::regex page("/Type\\s*/Page[^s]");
    return int(
        std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

// Two pages' worth: the nets of several meshes together.
Sheet twoPageSheet() {
    Sheet sheet = unfoldSimply(cube(70.0), 0, 4.0);
    Sheet more = unfoldSimply(icosahedron(30.0), 6, 4.0);
    for (Net& net : more.nets)
        sheet.nets.push_back(net);
    return sheet;
}

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        files.push_back(entry.path());
    return files;
}

}  // namespace

TEST(Writer, PdfHoldsEveryPage) {
    TempDir dir("kivano-sheet");
    Sheet sheet = twoPageSheet();
    Layout layout = layoutOf(sheet);
    ASSERT_GE(layout.pages.size(), 2u);
    Pictures pictures;
    std::string error;
    fs::path out = dir.path / "sheet.pdf";
    ASSERT_TRUE(writePdf(out.string(), sheet, layout, pictures, error)) << error;
    std::string pdf = readAll(out);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
    EXPECT_EQ(pdfPageCount(pdf), int(layout.pages.size()));
    EXPECT_EQ(filesIn(dir.path).size(), 1u);  // no temporary file left
}

TEST(Writer, SvgPerPageWithNamedLayersAndOneCutOutlinePerNet) {
    TempDir dir("kivano-sheet");
    Sheet sheet = twoPageSheet();
    Layout layout = layoutOf(sheet);
    Pictures pictures;
    std::string error;
    std::vector<std::string> written;
    ASSERT_TRUE(
        writeSvg((dir.path / "sheet.svg").string(), sheet, layout, pictures, written, error))
        << error;
    ASSERT_EQ(written.size(), layout.pages.size());
    EXPECT_EQ(written[0], (dir.path / "sheet-1.svg").string());
    EXPECT_EQ(filesIn(dir.path).size(), layout.pages.size());
    for (size_t i = 0; i < written.size(); ++i) {
        std::string svg = readAll(written[i]);
        for (const char* layer : {"print", "cut", "mountain", "valley"})
            EXPECT_NE(svg.find(std::string("<g id=\"") + layer + "\""), std::string::npos) << layer;
        size_t cut = svg.find("<g id=\"cut\""), mountain = svg.find("<g id=\"mountain\"");
        std::string cutLayer = svg.substr(cut, mountain - cut);
        std::regex path("<path");
        auto paths = std::distance(std::sregex_iterator(cutLayer.begin(), cutLayer.end(), path),
                                   std::sregex_iterator());
        EXPECT_EQ(size_t(paths), layout.pages[i].nets.size());
        EXPECT_EQ(cutLayer.find("<image"), std::string::npos);  // nothing printed in it
        // Ids of one layer must not clash with another's.
        std::regex id("id=\"([^\"]+)\"");
        std::set<std::string> ids;
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), id); m != std::sregex_iterator();
             ++m)
            EXPECT_TRUE(ids.insert((*m)[1]).second) << (*m)[1];
    }
    EXPECT_EQ(svgPagePaths("a/b.c/page", 2)[1], "a/b.c/page-2");
    EXPECT_EQ(svgPagePaths("x.svg", 1)[0], "x.svg");
}

TEST(Writer, UnwritablePathLeavesNoFileAndNamesIt) {
    TempDir dir("kivano-sheet");
    Sheet sheet = unfoldSimply(cube(20.0), 0, 4.0);
    Layout layout = layoutOf(sheet);
    Pictures pictures;
    std::string error;
    std::string missingDir = (dir.path / "missing" / "sheet.pdf").string();
    EXPECT_FALSE(writePdf(missingDir, sheet, layout, pictures, error));
    EXPECT_NE(error.find(missingDir), std::string::npos);
    // A file where a directory should be.
    std::ofstream(dir.path / "plain") << "x";
    std::vector<std::string> written;
    EXPECT_FALSE(
        writeSvg((dir.path / "plain" / "s.svg").string(), sheet, layout, pictures, written, error));
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(filesIn(dir.path).size(), 1u);
}

namespace {

// A 16 x 8 texture: left half red, right half blue.
void writeTexture(const fs::path& path, bool jpeg) {
    constexpr int w = 16, h = 8;
    unsigned char rgb[w * h * 3];
    for (int i = 0; i < w * h; ++i) {
        bool left = i % w < w / 2;
        rgb[i * 3] = left ? 255 : 0;
        rgb[i * 3 + 1] = 0;
        rgb[i * 3 + 2] = left ? 0 : 255;
    }
    if (jpeg)
        ASSERT_TRUE(stbi_write_jpg(path.c_str(), w, h, 3, rgb, 100));
    else
        ASSERT_TRUE(stbi_write_png(path.c_str(), w, h, 3, rgb, w * 3));
}

struct Pixel {
    int r, g, b;
};

Pixel pixelAt(cairo_surface_t* surface, Vec2 mm) {
    cairo_surface_flush(surface);
    int x = int(mm.x * kPointsPerMm), y = int(mm.y * kPointsPerMm);
    auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t v = reinterpret_cast<uint32_t*>(row)[x];
    return {int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255)};
}

// One square net of two faces, 40 mm, its UVs spanning the texture, the
// texture's left half (u < 0.5) on the left of the page.
cairo_surface_t* renderSquare(const std::string& texture, Pictures& pictures) {
    Page page;
    page.width = page.height = 60.0;
    PlacedNet net;
    Face a, b;
    a.p[0] = {10, 50};
    a.p[1] = {50, 50};
    a.p[2] = {50, 10};
    a.uv[0] = {0, 0};
    a.uv[1] = {1, 0};
    a.uv[2] = {1, 1};
    b.p[0] = {10, 50};
    b.p[1] = {50, 10};
    b.p[2] = {10, 10};
    b.uv[0] = {0, 0};
    b.uv[1] = {1, 1};
    b.uv[2] = {0, 1};
    a.hasUv = b.hasUv = true;
    a.material = b.material = 0;
    net.geometry.faces = {a, b};
    page.nets.push_back(net);
    Sheet sheet;
    sheet.materials = {{"m", {0.0, 1.0, 0.0}, texture}};
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(page.width * kPointsPerMm) + 1,
                                   int(page.height * kPointsPerMm) + 1);
    cairo_t* cr = cairo_create(surface);
    drawPage(cr, sheet, page, kLayerPrint, pictures);
    cairo_destroy(cr);
    return surface;
}

}  // namespace

TEST(Writer, TexturesMapByUvAndAMissingOneFallsBackToTheColour) {
    TempDir dir("kivano-sheet");
    for (bool jpeg : {false, true}) {
        fs::path file = dir.path / (jpeg ? "t.jpg" : "t.png");
        writeTexture(file, jpeg);
        Pictures pictures;
        cairo_surface_t* surface = renderSquare(file.string(), pictures);
        Pixel left = pixelAt(surface, {15, 30}), right = pixelAt(surface, {45, 30});
        EXPECT_GT(left.r, 200) << file;
        EXPECT_LT(left.b, 60) << file;
        EXPECT_GT(right.b, 200) << file;
        EXPECT_LT(right.r, 60) << file;
        EXPECT_TRUE(pictures.textures.failures().empty());
        cairo_surface_destroy(surface);
    }
    Pictures pictures;
    std::string missing = (dir.path / "none.png").string();
    cairo_surface_t* surface = renderSquare(missing, pictures);
    Pixel p = pixelAt(surface, {30, 40});
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.r, 0);
    ASSERT_EQ(pictures.textures.failures().size(), 1u);
    EXPECT_EQ(pictures.textures.failures().begin()->first, missing);
    cairo_surface_destroy(surface);
}

// Every reference in a page points at something the page defines, so no
// layer's ids were renamed without their uses or the other way round; and a
// page's numbers share one outline per glyph however many of them there are.
TEST(Writer, SvgReferencesResolveAndNumbersShareTheirGlyphs) {
    TempDir dir("kivano-sheet");
    Sheet sheet = twoPageSheet();
    Sheet more = unfoldSimply(foldedGrid(4, 4, 15.0), 0, 4.0);
    sheet.nets.push_back(more.nets.front());
    // Textured faces bring images and patterns that the faces refer to.
    writeTexture(dir.path / "t.png", false);
    sheet.materials.push_back({"textured", {}, (dir.path / "t.png").string()});
    for (Face& face : sheet.nets.front().faces) {
        face.material = int(sheet.materials.size()) - 1;
        face.hasUv = true;
        face.uv[1] = {1, 0};
        face.uv[2] = {0, 1};
    }
    Layout layout = layoutOf(sheet);
    Pictures pictures;
    size_t images = 0;
    for (const Page& page : layout.pages) {
        std::string svg = pageSvg(sheet, page, pictures);
        std::set<std::string> ids;
        std::regex id("id=\"([^\"]+)\"");
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), id); m != std::sregex_iterator();
             ++m)
            ids.insert((*m)[1]);
        std::regex reference("(?:href=\"#|url\\(#)([^\")]+)");
        size_t references = 0;
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), reference);
             m != std::sregex_iterator(); ++m, ++references)
            EXPECT_TRUE(ids.count((*m)[1])) << (*m)[1];
        size_t labels = 1;
        std::set<char> characters{'/', ' '};
        for (const PlacedNet& placed : page.nets) {
            labels += placed.labels.size();
            for (const Label& label : placed.labels)
                characters.insert(label.text.begin(), label.text.end());
        }
        std::string print = svg.substr(0, svg.find("<g id=\"cut\""));
        std::regex numberRun("<g transform=\"matrix\\(");
        EXPECT_EQ(size_t(std::distance(std::sregex_iterator(print.begin(), print.end(), numberRun),
                                       std::sregex_iterator())),
                  labels);
        std::regex glyph("<path id=\"label-glyph-");
        auto glyphs = std::distance(std::sregex_iterator(print.begin(), print.end(), glyph),
                                    std::sregex_iterator());
        EXPECT_LE(size_t(glyphs), 2 * characters.size());  // regular and bold
        EXPECT_GT(references, labels);
        images += svg.find("<image") != std::string::npos;
    }
    EXPECT_GT(images, 0u);
}

// A page's picture is bounded whatever it is asked for: the width held to
// its range, and a page hundreds of times taller than wide drawn narrower
// rather than as a picture of gigabytes.
TEST(Writer, APagesPictureStaysWithinItsBounds) {
    Sheet sheet = twoPageSheet();
    Layout layout = layoutOf(sheet);
    Pictures pictures;
    pictures.findPartners(layout.pages);
    auto size = [](const std::string& png) {
        auto word = [&](size_t at) {
            uint32_t v = 0;
            for (size_t b = 0; b < 4 && at + b < png.size(); ++b)
                v = v << 8 | static_cast<unsigned char>(png[at + b]);
            return double(v);
        };
        return std::make_pair(word(16), word(20));
    };
    Page page = layout.pages.front();
    std::swap(page.width, page.height);  // landscape: within the pixels at any width
    auto [wide, high] = size(pagePng(sheet, page, pictures, 1 << 30));
    EXPECT_EQ(wide, kMaxPictureWidth);
    EXPECT_NEAR(high, wide * page.height / page.width, 1.0);
    page.width = 20.0;
    page.height = 10000.0;
    auto [narrow, tall] = size(pagePng(sheet, page, pictures, kMaxPictureWidth));
    EXPECT_GT(narrow, 0.0);
    EXPECT_LE(narrow * tall, kMaxPicturePixels);
    EXPECT_NEAR(tall / narrow, 500.0, 10.0);
}
