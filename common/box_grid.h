#pragma once
// A uniform grid over boxes keyed by id, so that "what lies near here" costs
// the few boxes nearby rather than all of them. Cells live in one flat table
// with open addressing and the ids chained in one array, so that filling a
// grid allocates only as the table grows, not once per cell.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/dense_block.h"

namespace kivano {

struct GridBox {
    double minx, miny, maxx, maxy;
};

// Inclusive range of cells.
struct CellRange {
    int64_t x0, y0, x1, y1;
    int64_t count() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
};

// Cell (x, y) -> one key; each axis keeps its low 32 bits.
inline uint64_t cellKey(int64_t x, int64_t y) {
    return (uint64_t(x) << 32) ^ (uint64_t(y) & 0xffffffffull);
}

// Cell -> the ids whose boxes touch that cell, in the order added. Cells
// near the ones filled so far live in a dense block found by index; the
// block grows only while it stays within a few cells per entry, so that its
// memory follows the work rather than the spread of the boxes, and cells
// beyond it go to a hash table.
class CellTable {
public:
    void add(int64_t x, int64_t y, uint32_t id);
    // First entry of the cell's chain, or -1.
    int32_t first(int64_t x, int64_t y) const {
        if (const Chain* chain = dense.find(x, y))
            return chain->head;
        return hashed ? hashedFirst(cellKey(x, y)) : -1;
    }
    int32_t next(int32_t entry) const { return entries[size_t(entry)].next; }
    uint32_t id(int32_t entry) const { return entries[size_t(entry)].id; }

private:
    struct Entry {
        uint32_t id;
        int32_t next;
    };
    struct Chain {
        int32_t head = -1;  // -1: no entry yet
        int32_t tail = -1;
    };
    struct Slot {
        uint64_t key;
        Chain chain;  // head -1: the slot is free
    };
    DenseBlock<Chain> dense;
    bool hashed = false;  // once a cell is hashed the block stops growing over it
    std::vector<Slot> slots;
    std::vector<Entry> entries;
    size_t used = 0;

    Chain& chainToFill(int64_t x, int64_t y);
    int32_t hashedFirst(uint64_t key) const;
    size_t slotOf(uint64_t key) const;
    void grow();
};

class BoxGrid {
public:
    explicit BoxGrid(double cellSize = 1.0) : cell(cellSize) {}

    double cellSize() const { return cell; }
    // The cells box touches; false when a bound is not finite or lies beyond
    // what a cell key holds.
    bool cellsOf(const GridBox& box, CellRange& range) const;

    // Adds id to every cell of range.
    void insert(uint32_t id, const CellRange& range);
    // Adds id to every cell its box touches; a box that has no cells is not added.
    void insert(uint32_t id, const GridBox& box);
    // Makes room to mark ids below count, for callers that also visit ids
    // they keep outside the grid.
    void reserveIds(size_t count);

    // Forgets which ids the last query visited.
    void startQuery() const;
    // True the first time id is asked since startQuery.
    bool firstVisit(uint32_t id) const {
        if (seen[id] == currentQuery)
            return false;
        seen[id] = currentQuery;
        return true;
    }

    // Calls visit(id) for every id filed in a cell of range, column by column
    // and in the order added within a cell, so an id touching several cells
    // comes once per cell; stops when visit returns true and says whether one did.
    template <typename Visit>
    bool anyFiled(const CellRange& range, Visit visit) const;

    // Whether `hit` holds for any id near `box`, each id asked at most once;
    // stops at the first that does.
    template <typename Hit>
    bool any(const GridBox& box, Hit hit) const;
    // Every id whose box lies in a cell that `box` touches, each once, sorted.
    // Callers test the boxes themselves.
    void query(const GridBox& box, std::vector<uint32_t>& ids) const;

private:
    double cell;
    CellTable cells;
    mutable std::vector<uint32_t> seen;  // per id: the query that last saw it
    mutable uint32_t currentQuery = 0;
};

template <typename Visit>
bool BoxGrid::anyFiled(const CellRange& range, Visit visit) const {
    for (int64_t x = range.x0; x <= range.x1; ++x)
        for (int64_t y = range.y0; y <= range.y1; ++y)
            for (int32_t entry = cells.first(x, y); entry >= 0; entry = cells.next(entry))
                if (visit(cells.id(entry)))
                    return true;
    return false;
}

template <typename Hit>
bool BoxGrid::any(const GridBox& box, Hit hit) const {
    CellRange range;
    if (!cellsOf(box, range))
        return false;
    startQuery();
    return anyFiled(range, [&](uint32_t id) { return firstVisit(id) && hit(id); });
}

}  // namespace kivano
