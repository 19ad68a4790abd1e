#pragma once
// Draws one laid-out page with cairo, in points, layer by layer: what is
// printed (faces and tabs, then numbers), then the cut lines, the mountain
// folds and the valley folds, so a cutter can take one layer alone.
#include <cairo.h>

#include <vector>

#include "layout.h"
#include "net_picture.h"
#include "outline.h"
#include "sheet_model.h"
#include "texture.h"

namespace sheet {

enum Layer : unsigned {
    kLayerFaces = 1u,  // faces and tabs
    kLayerCut = 2u,
    kLayerMountain = 4u,
    kLayerValley = 8u,
    kLayerNumbers = 16u,  // glue, net and page numbers, leader lines
    kLayerPrint = kLayerFaces | kLayerNumbers,
    kAllLayers = kLayerPrint | kLayerCut | kLayerMountain | kLayerValley,
};

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kLeaderWidth = 0.12;  // mm, the line from a number to its edge

struct InkedLabel {
    const Label* label;
    Colour ink;
};

// Every number of a page with the ink it prints in (white on dark faces), in
// runs of one font, size and ink, so each run needs its font and colour once.
// A tile page's own texts stand outside its clip and are footerLabels'.
std::vector<InkedLabel> pageLabels(const Sheet& sheet, const Page& page);
// The page number and caption of a tile page, which its clip must spare;
// none on any other page.
std::vector<InkedLabel> footerLabels(const Page& page);

// The short ticks across the outline where a seam of several edges starts
// and ends, in page millimetres.
std::vector<Segment> seamTicks(const Page& page);
constexpr double kTickWidth = 0.25;       // mm
constexpr double kAlignMarkWidth = 0.15;  // the crosses that line tiles up

// The diagonal hatch lines that shade a tab, cut off where they leave it,
// appended to `out`.
void appendHatch(const Lug& lug, std::vector<Segment>& out);

void drawPage(cairo_t* cr, const Sheet& sheet, const Page& page, unsigned layers,
              Pictures& pictures);

}  // namespace sheet
