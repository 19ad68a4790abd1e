#include "sheet_writer.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cstdio>
#include <memory>

#include "atomic_file.h"
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
std::string layerSvg(const Sheet& sheet, const Page& page, unsigned layer, TextureCache& textures) {
    std::string out;
    cairo_surface_t* surface = cairo_svg_surface_create_for_stream(
        appendToString, &out, page.width * kPointsPerMm, page.height * kPointsPerMm);
    cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
    cairo_t* cr = cairo_create(surface);
    drawPage(cr, sheet, page, layer, textures);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return out;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The inside of a layer's document, its ids made unique to the layer so the
// layers can share one document.
std::string layerBody(std::string document, const std::string& prefix) {
    size_t open = document.find("<svg");
    size_t start = open == std::string::npos ? open : document.find('>', open);
    size_t end = document.rfind("</svg>");
    if (start == std::string::npos || end == std::string::npos || end < start)
        return {};
    std::string body = document.substr(start + 1, end - start - 1);
    replaceAll(body, "id=\"", "id=\"" + prefix);
    replaceAll(body, "href=\"#", "href=\"#" + prefix);
    replaceAll(body, "url(#", "url(#" + prefix);
    return body;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string layerGroup(const Sheet& sheet, const Page& page, unsigned layer, const char* name,
                       TextureCache& textures) {
    return std::string("<g id=\"") + name + "\" inkscape:groupmode=\"layer\" inkscape:label=\"" +
           name + "\">" + layerBody(layerSvg(sheet, page, layer, textures), std::string(name) + "-") +
           "</g>\n";
}

}  // namespace

bool writePdf(const std::string& path, const Sheet& sheet, const Layout& layout,
              TextureCache& textures, std::string& error) {
    AtomicFile file;
    if (!file.open(path, error))
        return false;
    double firstW = layout.pages.empty() ? 210.0 : layout.pages.front().width;
    double firstH = layout.pages.empty() ? 297.0 : layout.pages.front().height;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        writeToFile, file.stream(), firstW * kPointsPerMm, firstH * kPointsPerMm);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "kivano");
    cairo_t* cr = cairo_create(surface);
    for (const Page& page : layout.pages) {
        cairo_pdf_surface_set_size(surface, page.width * kPointsPerMm, page.height * kPointsPerMm);
        drawPage(cr, sheet, page, kAllLayers, textures);
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

std::string pageSvg(const Sheet& sheet, const Page& page, TextureCache& textures) {
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"" +
        number(page.width) + "mm\" height=\"" + number(page.height) + "mm\" viewBox=\"0 0 " +
        number(page.width * kPointsPerMm) + " " + number(page.height * kPointsPerMm) + "\">\n";
    svg += layerGroup(sheet, page, kLayerPrint, "print", textures);
    svg += layerGroup(sheet, page, kLayerCut, "cut", textures);
    svg += layerGroup(sheet, page, kLayerMountain, "mountain", textures);
    svg += layerGroup(sheet, page, kLayerValley, "valley", textures);
    svg += "</svg>\n";
    return svg;
}

bool writeSvg(const std::string& path, const Sheet& sheet, const Layout& layout,
              TextureCache& textures, std::vector<std::string>& written, std::string& error) {
    std::vector<std::string> paths = svgPagePaths(path, layout.pages.size());
    // Every page complete in its temporary file before any is renamed.
    std::vector<std::unique_ptr<AtomicFile>> files;
    for (size_t i = 0; i < layout.pages.size(); ++i) {
        files.push_back(std::make_unique<AtomicFile>());
        if (!files.back()->open(paths[i], error))
            return false;
        std::string svg = pageSvg(sheet, layout.pages[i], textures);
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
