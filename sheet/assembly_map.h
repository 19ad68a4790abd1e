#pragma once
// The assembly map: a page that shows the model from the front, the right,
// the back and the left, flat-shaded, each piece in a colour of its own and
// marked with the number it carries on the sheet, so that a builder sees
// where every piece goes.
#include "layout.h"
#include "sheet_model.h"

namespace sheet {

struct MapSummary {
    int netsNumbered = 0;  // nets whose number stands in at least one view
    int netsShown = 0;     // nets seen in at least one view
};

// Puts the map of `model` in front of the layout's pages, in the page size
// of the first of them (or of `options`), and numbers every page again.
// Nets are matched to their printed numbers through Net::container.
MapSummary addAssemblyMap(const std::vector<ModelTriangle>& model, Layout& layout,
                          const LayoutOptions& options);

// The fill of a piece numbered `number` before shading: light, so that its
// number reads, and far from the colour of the pieces numbered near it.
Colour pieceColour(int number);

}  // namespace sheet
