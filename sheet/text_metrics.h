#pragma once
// Sizes, glyphs and glyph outlines of label texts, all from the font the
// sheet is drawn with, so placement and drawing agree.
#include <string>
#include <vector>

#include <cairo.h>

namespace sheet {

enum class LabelFont { Regular, Bold };

struct TextBox {
    double xBearing = 0.0;  // from the text origin to the ink box, as cairo gives it
    double yBearing = 0.0;
    double width = 0.0;  // ink box
    double height = 0.0;
};

// The ink box of text at font size `size` (any length unit; the result is in
// the same unit). Unhinted, so it scales exactly with the size.
TextBox measureText(const std::string& text, double size, LabelFont font);

// The glyphs of text at font size `size`, placed so that the centre of their
// ink box is the origin: drawn with cairo_show_glyphs under the label font at
// that size, they are the text centred on the current origin.
std::vector<cairo_glyph_t> centredGlyphs(const std::string& text, double size, LabelFont font);

// The outline of one glyph of the label font at font size `size`, its origin
// at (0, 0), y downwards. The caller frees it with cairo_path_destroy.
cairo_path_t* glyphOutline(unsigned long index, double size, LabelFont font);

// Sets the cairo context's font to the label font at `size` user units.
void selectLabelFont(cairo_t* cr, double size, LabelFont font);

}  // namespace sheet
