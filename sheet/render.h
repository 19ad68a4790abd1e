#pragma once
// Draws one laid-out page with cairo, in points, layer by layer: what is
// printed (faces, tabs, numbers), then the cut lines, the mountain folds and
// the valley folds, so a cutter can take one layer alone.
#include <cairo.h>

#include <vector>

#include "layout.h"
#include "outline.h"
#include "sheet_model.h"
#include "texture.h"

namespace sheet {

enum Layer : unsigned {
    kLayerPrint = 1u,
    kLayerCut = 2u,
    kLayerMountain = 4u,
    kLayerValley = 8u,
    kAllLayers = 15u,
};

constexpr double kPointsPerMm = 72.0 / 25.4;

// The diagonal hatch lines that shade a tab, cut off where they leave it,
// appended to `out`.
void appendHatch(const Lug& lug, std::vector<Segment>& out);

void drawPage(cairo_t* cr, const Sheet& sheet, const Page& page, unsigned layers,
              TextureCache& textures);

}  // namespace sheet
