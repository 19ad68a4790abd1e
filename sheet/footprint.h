#pragma once
// What of a net a page must keep for it alone: its faces, tabs, numbers and
// leader lines, each grown by half the gap between nets, as raster cells.
// Every cell such a grown shape touches is taken, so two footprints that
// share no cell keep their nets at least the gap apart.
#include <vector>

#include "layout.h"
#include "shape_packing.h"

namespace sheet {

// A convex polygon of two to four corners, and whether it is cut out (a
// face or a tab) or only printed (a number, a leader line).
struct Piece {
    Vec2 p[4];
    int count = 0;
    bool printed = false;
};

// The pieces of a placed net, in its own frame.
std::vector<Piece> piecesOf(const PlacedNet& placed);

// The cells of `pieces` grown by `cutPad` (faces and tabs) or `printPad`
// (what is only printed), on a grid of `cell` mm whose cell 0, 0 starts at
// `origin` (set here: the grown pieces' least x and y).
CellShape footprintCells(const std::vector<Piece>& pieces, double cell, double cutPad,
                         double printPad, Vec2& origin);

}  // namespace sheet
