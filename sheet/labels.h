#pragma once
// Where the glue numbers of a net go: the number of every paired cut edge
// inside its face along the edge, else on the edge's tab, else beside the net
// off the edge. No label overprints a line, a face it does not belong to, a
// tab or another label. A net where some number finds no room near its edge
// is numbered again closely, in smaller numbers hugging the outline, and
// only the numbers that still find none get leader lines; every other net
// keeps its numbers exactly where they were.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "shapes.h"
#include "sheet_model.h"
#include "text_metrics.h"

namespace sheet {

enum class LabelKind { Glue, Net, Page };
enum class LabelSpot { Face, Lug, Beside };

struct Label {
    std::string text;
    LabelKind kind = LabelKind::Glue;
    LabelSpot spot = LabelSpot::Face;
    LabelFont font = LabelFont::Regular;
    Vec2 centre;         // centre of the ink box, mm
    double angle = 0.0;  // reading direction, radians (y grows downwards)
    double size = 0.0;   // font size, mm
    double width = 0.0;  // ink box along and across the reading direction
    double height = 0.0;
    int face = -1;  // the face it is printed on (LabelSpot::Face)
    // The edge a glue number names: edge `edge` of face `edgeFace` of its net.
    int edgeFace = -1;
    int edge = -1;
    // A number that found no room near its edge is joined to the edge's
    // middle by a thin line from the nearest point of its box.
    bool leader = false;
    Vec2 leaderFrom, leaderTo;
    // On a tile, whose faces are only those near it: the whole seam side the
    // number names, as seamSidePoints gave it before the net was cut down.
    std::vector<Vec2> seam;
};

// A glue number's ink box stays this close to its edge (mm), or a leader
// line joins the two.
constexpr double kNearEdge = 3.0;

// Glue numbers run from this size down to the smallest still legible.
constexpr double kGlueSizeMax = 3.5;
constexpr double kGlueSizeMin = 2.0;
// Where a net's edges are far too short for those, its numbers shrink with
// their edges down to this, the smallest that still prints readably.
constexpr double kGlueSizeSmallest = 1.2;
constexpr double kDenseSizePerEdge = 1.0;  // a crowded net's number size per mm of its edge
// A crowded net's edges lie close together: a number without a leader
// stands this close to its own edge or tab (mm), or it could be read as a
// neighbour's.
constexpr double kDenseNear = 1.0;
constexpr double kNetNumberSize = 5.0;

std::array<Vec2, 4> labelCorners(const Label& label);

// A label with its box measured, centred on `centre`, reading along `angle`
// (turned by half a turn where it would read upside down).
Label makeLabel(std::string text, LabelKind kind, LabelFont font, double size, Vec2 centre,
                double angle);

// Glue labels of one net whose points are in the page's frame (mm, y downwards).
// Fast turns down crowded positions through a raster and skips along a
// blocked direction; Plain tests every position polygon by polygon, and is
// kept to check that both place every number in the same spot.
enum class GlueSearch { Fast, Plain };
// With `within`, numbers placed off the net stay inside that box wherever
// some spot in it is free.
std::vector<Label> placeGlueLabels(const Net& net, GlueSearch search = GlueSearch::Fast,
                                   const std::optional<Box>& within = std::nullopt);

}  // namespace sheet
