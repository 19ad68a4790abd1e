// A uniform grid over the boxes of one net's triangles (each with its placed
// lugs), so that an overlap test looks only at triangles near the one placed.
#pragma once

#include "common/box_grid.h"
#include "geometry/gt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Axis-parallel box of a triangle together with its placed lugs.
using PieceBox = kivano::GridBox;

// A box holding no point yet; growBox makes it hold one.
inline PieceBox emptyPieceBox() {
    return {INFINITY, INFINITY, -INFINITY, -INFINITY};
}

inline void growBox(PieceBox& box, const vec3d& v) {
    box.minx = std::min(box.minx, v.x);
    box.maxx = std::max(box.maxx, v.x);
    box.miny = std::min(box.miny, v.y);
    box.maxy = std::max(box.maxy, v.y);
}

// The box of `count` flat points.
inline PieceBox boxOfPoints(const vec3d* points, int count) {
    PieceBox box = emptyPieceBox();
    for (int i = 0; i < count; ++i)
        growBox(box, points[i]);
    return box;
}

// Closed boxes: touching ones meet.
inline bool boxesMeet(const PieceBox& a, const PieceBox& b) {
    return a.minx <= b.maxx && b.minx <= a.maxx && a.miny <= b.maxy && b.miny <= a.maxy;
}

PieceBox pieceBox(const gt& t);
PieceBox placedPieceBox(const gt& t, const mat3d& rot, const vec3d& trans, const vec3d& pivot);

// True when KIVANO_FULL_SCAN=1 selected the full scan for the current run.
bool fullScanSelected();
// Reads KIVANO_FULL_SCAN again; called at the start of every unfolding.
void readScanSelection();

class NetIndex {
public:
    // Small nets keep only the list of boxes; the grid is built when a net reaches this size.
    static const size_t kGridThreshold = 24;

    // Whether the grid is in use; below the threshold the boxes are scanned.
    bool built() const { return ready; }
    // Number of triangles registered; a net filled while the full scan was
    // selected has none and is scanned whole.
    size_t size() const { return boxes.size(); }

    // Registers t as the next triangle of the net's list, where it lies now.
    void add(const gt& t);

    // Calls visit(position) for every triangle whose box meets `box` grown by
    // a rounding margin (or that cannot be ruled out: non-finite bounds), each
    // once, until visit returns true; returns whether one did.
    template <typename Visit>
    bool anyCandidate(const PieceBox& box, Visit visit) const;

private:
    bool ready = false;
    kivano::BoxGrid grid;         // positions by cell, once built
    std::vector<uint32_t> large;  // boxes too wide for the grid, or not finite
    std::vector<PieceBox> boxes;  // by position in the net's list

    void build();
    void insert(uint32_t position, const PieceBox& box);
    // Cells covered by box plus margin; false when that is not a modest finite range.
    bool cellRange(const PieceBox& box, kivano::CellRange& range) const;
    bool meets(uint32_t position, const PieceBox& box) const;
};

template <typename Visit>
bool NetIndex::anyCandidate(const PieceBox& box, Visit visit) const {
    if (!ready) {
        for (uint32_t position = 0; position < boxes.size(); ++position)
            if (meets(position, box) && visit(position))
                return true;
        return false;
    }
    grid.startQuery();
    for (uint32_t position : large)
        if (meets(position, box) && grid.firstVisit(position) && visit(position))
            return true;
    kivano::CellRange range;
    if (!cellRange(box, range)) {
        for (uint32_t position = 0; position < boxes.size(); ++position)
            if (meets(position, box) && grid.firstVisit(position) && visit(position))
                return true;
        return false;
    }
    return grid.anyFiled(range, [&](uint32_t position) {
        return meets(position, box) && grid.firstVisit(position) && visit(position);
    });
}
