#include "sheet_writer.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <set>
#include <string_view>

#include "common/atomic_file.h"
#include "render.h"

namespace sheet {

namespace {

cairo_status_t writeToFile(void* closure, const unsigned char* data, unsigned int length) {
    FILE* file = static_cast<FILE*>(closure);
    return std::fwrite(data, 1, length, file) == length ? CAIRO_STATUS_SUCCESS
                                                        : CAIRO_STATUS_WRITE_ERROR;
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

bool finish(cairo_surface_t* surface, const std::string& path, std::string& error) {
    cairo_surface_finish(surface);
    cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

// One layer drawn by cairo as an SVG document of its own.
std::string layerSvg(const Sheet& sheet, const Page& page, unsigned layer, Pictures& pictures) {
    std::string out;
    cairo_surface_t* surface = cairo_svg_surface_create_for_stream(
        appendToString, &out, page.width * kPointsPerMm, page.height * kPointsPerMm);
    cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
    cairo_t* cr = cairo_create(surface);
    drawPage(cr, sheet, page, layer, pictures);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return out;
}

// Copies text with `prefix` put after every id definition and reference, in
// one pass: replacing in place moves the rest of a page's text at every id.
std::string prefixIds(std::string_view text, const std::string& prefix) {
    constexpr std::string_view kMarkers[] = {"id=\"", "href=\"#", "url(#"};
    constexpr size_t kCount = std::size(kMarkers);
    size_t next[kCount];
    for (size_t m = 0; m < kCount; ++m)
        next[m] = text.find(kMarkers[m]);
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t at = 0;
    for (;;) {
        size_t first = 0;
        for (size_t m = 1; m < kCount; ++m)
            if (next[m] < next[first])
                first = m;
        if (next[first] == std::string_view::npos)
            break;
        size_t end = next[first] + kMarkers[first].size();
        out.append(text.substr(at, end - at));
        out.append(prefix);
        at = end;
        for (size_t m = 0; m < kCount; ++m)
            if (next[m] < at)
                next[m] = text.find(kMarkers[m], at);
    }
    out.append(text.substr(at));
    return out;
}

// The inside of a layer's document, its ids made unique to the layer so the
// layers can share one document.
std::string layerBody(const std::string& document, const std::string& prefix) {
    size_t open = document.find("<svg");
    size_t start = open == std::string::npos ? open : document.find('>', open);
    size_t end = document.rfind("</svg>");
    if (start == std::string::npos || end == std::string::npos || end < start)
        return {};
    return prefixIds(std::string_view(document).substr(start + 1, end - start - 1), prefix);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

// Numbers are drawn from glyph outlines defined once a page at this size, each
// placed by its own transform: cairo would define every glyph anew for every
// label, since each label is turned by its own angle.
constexpr double kGlyphSize = 100.0;  // points

std::string glyphId(LabelFont font, unsigned long index) {
    return std::string("label-glyph-") + (font == LabelFont::Bold ? "b" : "r") + "-" +
           std::to_string(index);
}

std::string pathData(const cairo_path_t* path) {
    std::string d;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* data = &path->data[i];
        auto point = [&](int k) {
            d += shortNumber(data[k].point.x) + " " + shortNumber(data[k].point.y) + " ";
        };
        switch (data->header.type) {
        case CAIRO_PATH_MOVE_TO:
            d += "M ";
            point(1);
            break;
        case CAIRO_PATH_LINE_TO:
            d += "L ";
            point(1);
            break;
        case CAIRO_PATH_CURVE_TO:
            d += "C ";
            point(1);
            point(2);
            point(3);
            break;
        case CAIRO_PATH_CLOSE_PATH:
            d += "Z ";
            break;
        }
    }
    if (!d.empty())
        d.pop_back();
    return d;
}

std::string glyphDefinition(LabelFont font, unsigned long index) {
    cairo_path_t* outline = glyphOutline(index, kGlyphSize, font);
    std::string svg =
        "<path id=\"" + glyphId(font, index) + "\" d=\"" + pathData(outline) + "\"/>\n";
    cairo_path_destroy(outline);
    return svg;
}

std::string percent(double channel) {
    return shortNumber(channel * 100.0) + "%";
}

std::string labelUse(const Label& label) {
    double scale = label.size * kPointsPerMm / kGlyphSize;
    double c = std::cos(label.angle) * scale, s = std::sin(label.angle) * scale;
    std::string svg = "<g transform=\"matrix(" + shortNumber(c) + " " + shortNumber(s) + " " +
                      shortNumber(-s) + " " + shortNumber(c) + " " +
                      shortNumber(label.centre.x * kPointsPerMm) + " " +
                      shortNumber(label.centre.y * kPointsPerMm) + ")\">";
    for (const cairo_glyph_t& glyph : centredGlyphs(label.text, kGlyphSize, label.font))
        svg += "<use xlink:href=\"#" + glyphId(label.font, glyph.index) + "\" x=\"" +
               shortNumber(glyph.x) + "\" y=\"" + shortNumber(glyph.y) + "\"/>";
    return svg + "</g>\n";
}

std::string linePath(const std::string& d, double width) {
    if (d.empty())
        return "";
    return "<path style=\"fill:none;stroke-width:" + shortNumber(width * kPointsPerMm) +
           ";stroke-linecap:round;stroke:rgb(0%,0%,0%);stroke-opacity:1;\" d=\"" + d + "\"/>\n";
}

void appendLine(std::string& d, Vec2 a, Vec2 b) {
    d += std::string(d.empty() ? "" : " ") + "M " + shortNumber(a.x * kPointsPerMm) + " " +
         shortNumber(a.y * kPointsPerMm) + " L " + shortNumber(b.x * kPointsPerMm) + " " +
         shortNumber(b.y * kPointsPerMm);
}

// The thin lines joining numbers that found no room at their edge to it, and
// the ticks where seams start and end.
std::string marksSvg(const Page& page) {
    std::string leaders, ticks;
    for (const PlacedNet& placed : page.nets)
        for (const Label& label : placed.labels)
            if (label.leader)
                appendLine(leaders, label.leaderFrom, label.leaderTo);
    for (const Segment& tick : seamTicks(page))
        appendLine(ticks, tick.first, tick.second);
    std::string marks;
    for (const Segment& mark : page.alignMarks)
        appendLine(marks, mark.first, mark.second);
    return linePath(leaders, kLeaderWidth) + linePath(ticks, kTickWidth) +
           linePath(marks, kAlignMarkWidth);
}

bool printable(const Label& label) {
    return !label.text.empty() && label.size > 0.0;
}

// The outlines of the glyphs the labels use, each defined once.
std::string glyphDefs(const std::vector<InkedLabel>& labels) {
    std::set<std::pair<LabelFont, unsigned long>> defined;
    std::string defs = "<defs>\n";
    for (const InkedLabel& inked : labels) {
        const Label& label = *inked.label;
        if (!printable(label))
            continue;
        for (const cairo_glyph_t& glyph : centredGlyphs(label.text, kGlyphSize, label.font))
            if (defined.insert({label.font, glyph.index}).second)
                defs += glyphDefinition(label.font, glyph.index);
    }
    return defs + "</defs>\n";
}

// The labels in runs of one ink.
std::string labelUses(const std::vector<InkedLabel>& labels) {
    std::string uses;
    bool open = false;
    Colour ink;
    for (const InkedLabel& inked : labels) {
        const Label& label = *inked.label;
        if (!printable(label))
            continue;
        if (!open || inked.ink.r != ink.r || inked.ink.g != ink.g || inked.ink.b != ink.b) {
            ink = inked.ink;
            uses += std::string(open ? "</g>\n" : "") + "<g style=\"fill:rgb(" + percent(ink.r) +
                    "," + percent(ink.g) + "," + percent(ink.b) + ");fill-opacity:1;\">\n";
            open = true;
        }
        uses += labelUse(label);
    }
    if (open)
        uses += "</g>\n";
    return uses;
}

// The drawn marks and numbers of the print layer. On a tile page those of
// the net are clipped to its window as cairo clips the layers it draws,
// while the footer stands outside it.
std::string printMarksAndNumbers(const Sheet& sheet, const Page& page) {
    std::vector<InkedLabel> labels = pageLabels(sheet, page);
    if (page.clip.empty())
        return marksSvg(page) + glyphDefs(labels) + labelUses(labels);
    std::vector<InkedLabel> footer = footerLabels(page);
    std::vector<InkedLabel> all = labels;
    all.insert(all.end(), footer.begin(), footer.end());
    const Box& clip = page.clip;
    return glyphDefs(all) + "<clipPath id=\"tile-window\"><rect x=\"" +
           shortNumber(clip.minX * kPointsPerMm) + "\" y=\"" +
           shortNumber(clip.minY * kPointsPerMm) + "\" width=\"" +
           shortNumber(clip.width() * kPointsPerMm) + "\" height=\"" +
           shortNumber(clip.height() * kPointsPerMm) + "\"/></clipPath>\n" +
           "<g clip-path=\"url(#tile-window)\">\n" + marksSvg(page) + labelUses(labels) + "</g>\n" +
           labelUses(footer);
}

std::string layerGroup(const std::string& name, const std::string& body) {
    return "<g id=\"" + name + "\" inkscape:groupmode=\"layer\" inkscape:label=\"" + name + "\">" +
           body + "</g>\n";
}

std::string cairoLayer(const Sheet& sheet, const Page& page, unsigned layer,
                       const std::string& name, Pictures& pictures) {
    return layerBody(layerSvg(sheet, page, layer, pictures), name + "-");
}

}  // namespace

bool writePdf(const std::string& path, const Sheet& sheet, const Layout& layout, Pictures& pictures,
              std::string& error) {
    kivano::AtomicFile file;
    if (!file.open(path, error))
        return false;
    double firstW = layout.pages.empty() ? 210.0 : layout.pages.front().width;
    double firstH = layout.pages.empty() ? 297.0 : layout.pages.front().height;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        writeToFile, file.stream(), firstW * kPointsPerMm, firstH * kPointsPerMm);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "kivano");
    cairo_t* cr = cairo_create(surface);
    pictures.findPartners(layout.pages);
    for (const Page& page : layout.pages) {
        cairo_pdf_surface_set_size(surface, page.width * kPointsPerMm, page.height * kPointsPerMm);
        drawPage(cr, sheet, page, kAllLayers, pictures);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    if (!finish(surface, path, error))
        return false;
    return file.commit(error);
}

std::vector<std::string> svgPagePaths(const std::string& path, size_t pages) {
    if (pages <= 1)
        return {path};
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    std::vector<std::string> paths;
    for (size_t i = 1; i <= pages; ++i)
        paths.push_back(path.substr(0, dot) + "-" + std::to_string(i) + path.substr(dot));
    return paths;
}

std::string pageSvg(const Sheet& sheet, const Page& page, Pictures& pictures) {
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"" +
        number(page.width) + "mm\" height=\"" + number(page.height) + "mm\" viewBox=\"0 0 " +
        number(page.width * kPointsPerMm) + " " + number(page.height * kPointsPerMm) + "\">\n";
    svg += layerGroup("print", cairoLayer(sheet, page, kLayerFaces, "print", pictures) +
                                   printMarksAndNumbers(sheet, page));
    svg += layerGroup("cut", cairoLayer(sheet, page, kLayerCut, "cut", pictures));
    svg += layerGroup("mountain", cairoLayer(sheet, page, kLayerMountain, "mountain", pictures));
    svg += layerGroup("valley", cairoLayer(sheet, page, kLayerValley, "valley", pictures));
    svg += "</svg>\n";
    return svg;
}

std::string pagePng(const Sheet& sheet, const Page& page, Pictures& pictures, int width) {
    width = std::clamp(width, kMinPictureWidth, kMaxPictureWidth);
    double pointsWide = page.width * kPointsPerMm, pointsHigh = page.height * kPointsPerMm;
    // cairo draws no image taller than this.
    constexpr double kTallest = 32767.0;
    double scale =
        std::min({width / pointsWide, std::sqrt(kMaxPicturePixels / (pointsWide * pointsHigh)),
                  kTallest / pointsHigh});
    if (scale < width / pointsWide) {
        width = std::max(1, int(std::floor(pointsWide * scale)));
        scale = width / pointsWide;
    }
    int height = std::clamp(int(std::lround(pointsHigh * scale)), 1, int(kTallest));
    // No alpha: the paper is opaque, and the file is smaller without one.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
    drawPage(cr, sheet, page, kAllLayers, pictures);
    cairo_destroy(cr);
    std::string png;
    if (cairo_surface_write_to_png_stream(surface, appendToString, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    cairo_surface_destroy(surface);
    return png;
}

bool writeSvg(const std::string& path, const Sheet& sheet, const Layout& layout, Pictures& pictures,
              std::vector<std::string>& written, std::string& error) {
    std::vector<std::string> paths = svgPagePaths(path, layout.pages.size());
    pictures.findPartners(layout.pages);
    // Every page complete in its temporary file before any is renamed.
    std::vector<std::unique_ptr<kivano::AtomicFile>> files;
    for (size_t i = 0; i < layout.pages.size(); ++i) {
        files.push_back(std::make_unique<kivano::AtomicFile>());
        if (!files.back()->open(paths[i], error))
            return false;
        std::string svg = pageSvg(sheet, layout.pages[i], pictures);
        if (std::fwrite(svg.data(), 1, svg.size(), files.back()->stream()) != svg.size()) {
            error = "cannot write " + paths[i];
            return false;
        }
    }
    written.clear();
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i]->commit(error))
            return false;
        written.push_back(paths[i]);
    }
    return true;
}

}  // namespace sheet
