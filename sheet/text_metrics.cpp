#include "text_metrics.h"

namespace sheet {

namespace {

// Measured at a large size and scaled, which sidesteps pixel hinting.
constexpr double kMeasureSize = 100.0;

cairo_t* measuringContext() {
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    return cr;
}

}  // namespace

void selectLabelFont(cairo_t* cr, double size, LabelFont font) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                           font == LabelFont::Bold ? CAIRO_FONT_WEIGHT_BOLD
                                                   : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

TextBox measureText(const std::string& text, double size, LabelFont font) {
    cairo_t* cr = measuringContext();
    selectLabelFont(cr, kMeasureSize, font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    double scale = size / kMeasureSize;
    return {extents.x_bearing * scale, extents.y_bearing * scale, extents.width * scale,
            extents.height * scale};
}

}  // namespace sheet
