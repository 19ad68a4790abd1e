#include "text_metrics.h"

#include <cassert>
#include <unordered_map>
#include <utility>

namespace sheet {

namespace {

// Measured at a large size and scaled, which sidesteps pixel hinting.
constexpr double kMeasureSize = 100.0;

cairo_t* measuringContext() {
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    return cr;
}

// A text's glyphs and ink box at the measuring size.
struct Shaped {
    TextBox box;
    std::vector<cairo_glyph_t> glyphs;
};

// Placement measures a number at each size it tries and drawing needs
// its glyphs again, so each text is shaped once and kept.
const Shaped& shaped(const std::string& text, LabelFont font) {
    static std::unordered_map<std::string, Shaped> cache[2];
    std::unordered_map<std::string, Shaped>& forFont = cache[font == LabelFont::Bold];
    auto found = forFont.find(text);
    if (found != forFont.end())
        return found->second;
    cairo_t* cr = measuringContext();
    selectLabelFont(cr, kMeasureSize, font);
    Shaped shape;
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    shape.box = {extents.x_bearing, extents.y_bearing, extents.width, extents.height};
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    cairo_status_t status = cairo_scaled_font_text_to_glyphs(
        cairo_get_scaled_font(cr), 0.0, 0.0, text.c_str(), int(text.size()), &glyphs, &count,
        nullptr, nullptr, nullptr);
    if (status == CAIRO_STATUS_SUCCESS)
        shape.glyphs.assign(glyphs, glyphs + count);
    cairo_glyph_free(glyphs);
    return forFont.emplace(text, std::move(shape)).first->second;
}

}  // namespace

void selectLabelFont(cairo_t* cr, double size, LabelFont font) {
    cairo_select_font_face(
        cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
        font == LabelFont::Bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

TextBox measureText(const std::string& text, double size, LabelFont font) {
    const TextBox& box = shaped(text, font).box;
    double scale = size / kMeasureSize;
    return {box.xBearing * scale, box.yBearing * scale, box.width * scale, box.height * scale};
}

std::vector<cairo_glyph_t> centredGlyphs(const std::string& text, double size, LabelFont font) {
    assert(size > 0.0);
    const Shaped& shape = shaped(text, font);
    double scale = size / kMeasureSize;
    double dx = -(shape.box.xBearing + shape.box.width / 2);
    double dy = -(shape.box.yBearing + shape.box.height / 2);
    std::vector<cairo_glyph_t> glyphs = shape.glyphs;
    for (cairo_glyph_t& glyph : glyphs) {
        glyph.x = (glyph.x + dx) * scale;
        glyph.y = (glyph.y + dy) * scale;
    }
    return glyphs;
}

cairo_path_t* glyphOutline(unsigned long index, double size, LabelFont font) {
    cairo_t* cr = measuringContext();
    selectLabelFont(cr, size, font);
    cairo_glyph_t glyph{index, 0.0, 0.0};
    cairo_new_path(cr);
    cairo_glyph_path(cr, &glyph, 1);
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    return path;
}

}  // namespace sheet
