#pragma once
// A net too large for the printable area, printed across sheets of the
// chosen page size instead of on one large page: each sheet shows a window
// of the net, neighbouring windows share a strip so that the sheets can be
// laid on each other and glued, crosses in that strip line two sheets up
// exactly, and a caption tells where each sheet goes.
#include "layout.h"

namespace sheet {

constexpr double kTileOverlap = 10.0;   // mm that neighbouring windows share
constexpr double kAlignMarkHalf = 3.0;  // an alignment cross reaches this far each way, mm

// Replaces every oversize page by the tiles of its net that hold some of it,
// each of the page size of `options`, counts them in layout.oversize and
// numbers the pages again. Tiles are taken row by row from the net's top
// left corner.
void tileOversizePages(Layout& layout, const LayoutOptions& options);

}  // namespace sheet
