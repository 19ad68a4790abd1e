#include "common/box_grid.h"

#include <algorithm>
#include <cmath>

namespace kivano {

// Cells a dense block may hold per entry filed, and at least.
constexpr int64_t kDenseCellsPerEntry = 8;
constexpr int64_t kMinDenseCells = 1024;

size_t CellTable::slotOf(uint64_t key) const {
    // Fibonacci hashing spreads neighbouring cells over the table
    size_t mask = slots.size() - 1;
    size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    while (slots[slot].chain.head >= 0 && slots[slot].key != key)
        slot = (slot + 1) & mask;
    return slot;
}

void CellTable::grow() {
    std::vector<Slot> old(slots.empty() ? 64 : slots.size() * 2, Slot{0, {}});
    slots.swap(old);
    for (const Slot& from : old)
        if (from.chain.head >= 0)
            slots[slotOf(from.key)] = from;
}

CellTable::Chain& CellTable::chainToFill(int64_t x, int64_t y) {
    int64_t limit = std::max(kMinDenseCells, kDenseCellsPerEntry * int64_t(entries.size() + 1));
    if (Chain* chain = hashed ? dense.find(x, y) : dense.reach(x, y, limit))
        return *chain;
    hashed = true;
    // at most half full, so that probes stay short
    if (2 * (used + 1) > slots.size())
        grow();
    uint64_t key = cellKey(x, y);
    Slot& slot = slots[slotOf(key)];
    if (slot.chain.head < 0) {
        slot.key = key;
        ++used;
    }
    return slot.chain;
}

void CellTable::add(int64_t x, int64_t y, uint32_t id) {
    Chain& chain = chainToFill(x, y);
    int32_t entry = int32_t(entries.size());
    entries.push_back({id, -1});
    if (chain.head < 0)
        chain.head = entry;
    else
        entries[size_t(chain.tail)].next = entry;
    chain.tail = entry;
}

int32_t CellTable::hashedFirst(uint64_t key) const {
    if (slots.empty())
        return -1;
    return slots[slotOf(key)].chain.head;
}

static bool cellOf(double coordinate, double cell, int64_t& index) {
    double scaled = std::floor(coordinate / cell);
    // keys hold 32 bits per axis
    if (!(std::fabs(scaled) < 2147483647.0))
        return false;
    index = int64_t(scaled);
    return true;
}

bool BoxGrid::cellsOf(const GridBox& box, CellRange& range) const {
    return cellOf(box.minx, cell, range.x0) && cellOf(box.miny, cell, range.y0) &&
           cellOf(box.maxx, cell, range.x1) && cellOf(box.maxy, cell, range.y1);
}

void BoxGrid::reserveIds(size_t count) {
    if (count > seen.size())
        seen.resize(count, 0);
}

void BoxGrid::insert(uint32_t id, const CellRange& range) {
    reserveIds(size_t(id) + 1);
    for (int64_t x = range.x0; x <= range.x1; ++x)
        for (int64_t y = range.y0; y <= range.y1; ++y)
            cells.add(x, y, id);
}

void BoxGrid::insert(uint32_t id, const GridBox& box) {
    CellRange range;
    if (cellsOf(box, range))
        insert(id, range);
}

void BoxGrid::startQuery() const {
    // after a wrap-around old marks could pass for new ones
    if (++currentQuery == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        currentQuery = 1;
    }
}

void BoxGrid::query(const GridBox& box, std::vector<uint32_t>& ids) const {
    ids.clear();
    any(box, [&](uint32_t id) {
        ids.push_back(id);
        return false;
    });
    std::sort(ids.begin(), ids.end());
}

}  // namespace kivano
