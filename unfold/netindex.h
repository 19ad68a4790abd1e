// A uniform grid over the boxes of one net's triangles (each with its placed
// lugs), so that an overlap test looks only at triangles near the one placed.
#pragma once

#include "geometry/gt.h"

#include <cstdint>
#include <vector>

// Axis-parallel box of a triangle together with its placed lugs.
struct PieceBox {
    double minx, miny, maxx, maxy;
};

PieceBox pieceBox(const gt& t);
PieceBox placedPieceBox(const gt& t, const mat3d& rot, const vec3d& trans, const vec3d& pivot);

// True when KIVANO_FULL_SCAN=1 selected the full scan for the current run.
bool fullScanSelected();
// Reads KIVANO_FULL_SCAN again; called at the start of every unfolding.
void readScanSelection();

// Cell key -> the positions whose boxes touch that cell: one flat table with
// open addressing and the positions chained in one array, so that filling a
// net's grid allocates only as the table grows, not once per cell.
class CellTable {
public:
    void add(uint64_t key, uint32_t position);
    // First entry of the cell's chain, or -1.
    int32_t first(uint64_t key) const;
    int32_t next(int32_t entry) const { return entries[size_t(entry)].next; }
    uint32_t position(int32_t entry) const { return entries[size_t(entry)].position; }

private:
    struct Entry {
        uint32_t position;
        int32_t next;
    };
    std::vector<uint64_t> keys;
    std::vector<int32_t> heads;  // -1: the slot is free
    std::vector<Entry> entries;
    size_t used = 0;

    size_t slotOf(uint64_t key) const;
    void grow();
};

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
    double cell = 0;
    CellTable cells;
    std::vector<uint32_t> large;  // boxes too wide for the grid, or not finite
    std::vector<PieceBox> boxes;  // by position in the net's list
    mutable std::vector<uint32_t> seen;
    mutable uint32_t query = 0;

    void build();
    void insert(uint32_t position, const PieceBox& box);
    // Cells covered by box plus margin; false when that is not a modest finite range.
    bool cellRange(const PieceBox& box, int64_t range[4]) const;
    bool meets(uint32_t position, const PieceBox& box) const;
    bool firstVisit(uint32_t position) const;
    void nextQuery() const;
};

uint64_t netIndexCellKey(int64_t x, int64_t y);

template <typename Visit>
bool NetIndex::anyCandidate(const PieceBox& box, Visit visit) const {
    if (!ready) {
        for (uint32_t position = 0; position < boxes.size(); ++position)
            if (meets(position, box) && visit(position))
                return true;
        return false;
    }
    nextQuery();
    for (uint32_t position : large)
        if (meets(position, box) && firstVisit(position) && visit(position))
            return true;
    int64_t range[4];
    if (!cellRange(box, range)) {
        for (uint32_t position = 0; position < boxes.size(); ++position)
            if (meets(position, box) && firstVisit(position) && visit(position))
                return true;
        return false;
    }
    for (int64_t x = range[0]; x <= range[2]; ++x)
        for (int64_t y = range[1]; y <= range[3]; ++y) {
            for (int32_t entry = cells.first(netIndexCellKey(x, y)); entry >= 0;
                 entry = cells.next(entry)) {
                uint32_t position = cells.position(entry);
                if (meets(position, box) && firstVisit(position) && visit(position))
                    return true;
            }
        }
    return false;
}
