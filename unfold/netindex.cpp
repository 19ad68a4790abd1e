#include "unfold/netindex.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Boxes wider than this many cells on an axis are kept on a list of their own.
static const int64_t kMaxCellSpan = 64;
// Query boxes covering more cells than this are answered by a scan of the boxes.
static const int64_t kMaxQueryCells = 4096;

static bool fullScan = false;

bool fullScanSelected() {
    return fullScan;
}

void readScanSelection() {
    const char* value = std::getenv("KIVANO_FULL_SCAN");
    fullScan = value && std::strcmp(value, "1") == 0;
}

static void grow(PieceBox& box, const vec3d& v) {
    box.minx = std::min(box.minx, v.x);
    box.maxx = std::max(box.maxx, v.x);
    box.miny = std::min(box.miny, v.y);
    box.maxy = std::max(box.maxy, v.y);
}

// NaN coordinates make the whole box NaN so that it can never be ruled out.
static PieceBox finish(PieceBox box, bool finite) {
    if (!finite)
        box = {NAN, NAN, NAN, NAN};
    return box;
}

static bool isFinite(const vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

PieceBox pieceBox(const gt& t) {
    PieceBox box = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
        grow(box, t.p[k]);
        finite = finite && isFinite(t.p[k]);
        for (int j = 0; j < 2 && t.lugs[k][0]; ++j) {
            grow(box, *t.lugs[k][j]);
            finite = finite && isFinite(*t.lugs[k][j]);
        }
    }
    return finish(box, finite);
}

PieceBox placedPieceBox(const gt& t, const mat3d& rot, const vec3d& trans, const vec3d& pivot) {
    PieceBox box = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
        vec3d v = t.placedVertex(k, rot, trans, pivot);
        grow(box, v);
        finite = finite && isFinite(v);
        for (int j = 0; j < 2 && t.lugs[k][0]; ++j) {
            vec3d l = t.placedLugPoint(k, j, rot, trans, pivot);
            grow(box, l);
            finite = finite && isFinite(l);
        }
    }
    return finish(box, finite);
}

// Far more than the rounding of the 2-D predicates at the box's coordinates,
// far less than any gap that matters on paper.
static double roundingMargin(const PieceBox& box) {
    double magnitude = std::max(std::max(std::fabs(box.minx), std::fabs(box.maxx)),
                                std::max(std::fabs(box.miny), std::fabs(box.maxy)));
    return 1e-6 + 1e-9 * magnitude;
}

uint64_t netIndexCellKey(int64_t x, int64_t y) {
    return (uint64_t(x) << 32) ^ (uint64_t(y) & 0xffffffffull);
}

size_t CellTable::slotOf(uint64_t key) const {
    // Fibonacci hashing spreads neighbouring cells over the table
    size_t mask = keys.size() - 1;
    size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    while (heads[slot] >= 0 && keys[slot] != key)
        slot = (slot + 1) & mask;
    return slot;
}

void CellTable::grow() {
    std::vector<uint64_t> oldKeys(keys.empty() ? 64 : keys.size() * 2);
    std::vector<int32_t> oldHeads(oldKeys.size(), -1);
    keys.swap(oldKeys);
    heads.swap(oldHeads);
    for (size_t slot = 0; slot < oldKeys.size(); ++slot)
        if (oldHeads[slot] >= 0) {
            size_t to = slotOf(oldKeys[slot]);
            keys[to] = oldKeys[slot];
            heads[to] = oldHeads[slot];
        }
}

void CellTable::add(uint64_t key, uint32_t position) {
    // at most half full, so that probes stay short
    if (2 * (used + 1) > keys.size())
        grow();
    size_t slot = slotOf(key);
    if (heads[slot] < 0) {
        keys[slot] = key;
        ++used;
    }
    entries.push_back({position, heads[slot]});
    heads[slot] = int32_t(entries.size() - 1);
}

int32_t CellTable::first(uint64_t key) const {
    if (keys.empty())
        return -1;
    return heads[slotOf(key)];
}

bool NetIndex::meets(uint32_t position, const PieceBox& box) const {
    const PieceBox& own = boxes[position];
    double margin = roundingMargin(box);
    // written so that NaN bounds compare as meeting
    bool apart = own.maxx < box.minx - margin || own.minx > box.maxx + margin ||
                 own.maxy < box.miny - margin || own.miny > box.maxy + margin;
    return !apart;
}

void NetIndex::nextQuery() const {
    // after a wrap-around old marks could pass for new ones
    if (++query == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        query = 1;
    }
}

bool NetIndex::firstVisit(uint32_t position) const {
    if (seen[position] == query)
        return false;
    seen[position] = query;
    return true;
}

static bool cellOf(double coordinate, double cell, int64_t& index) {
    double scaled = std::floor(coordinate / cell);
    // keys hold 32 bits per axis
    if (!(std::fabs(scaled) < 2147483647.0))
        return false;
    index = int64_t(scaled);
    return true;
}

bool NetIndex::cellRange(const PieceBox& box, int64_t range[4]) const {
    double margin = roundingMargin(box);
    if (!cellOf(box.minx - margin, cell, range[0]) || !cellOf(box.miny - margin, cell, range[1]) ||
        !cellOf(box.maxx + margin, cell, range[2]) || !cellOf(box.maxy + margin, cell, range[3]))
        return false;
    return (range[2] - range[0] + 1) * (range[3] - range[1] + 1) <= kMaxQueryCells;
}

void NetIndex::insert(uint32_t position, const PieceBox& box) {
    int64_t x0, y0, x1, y1;
    bool inGrid = cellOf(box.minx, cell, x0) && cellOf(box.miny, cell, y0) &&
                  cellOf(box.maxx, cell, x1) && cellOf(box.maxy, cell, y1);
    if (!inGrid || x1 - x0 >= kMaxCellSpan || y1 - y0 >= kMaxCellSpan) {
        large.push_back(position);
        return;
    }
    for (int64_t x = x0; x <= x1; ++x)
        for (int64_t y = y0; y <= y1; ++y)
            cells.add(netIndexCellKey(x, y), position);
}

// The cell is the mean extent of the net's pieces: most pieces then cover
// one to four cells, and a query visits few.
static double chooseCell(const std::vector<PieceBox>& boxes) {
    double sum = 0;
    size_t counted = 0;
    for (const PieceBox& box : boxes) {
        double extent = std::max(box.maxx - box.minx, box.maxy - box.miny);
        if (std::isfinite(extent) && extent > 0) {
            sum += extent;
            counted++;
        }
    }
    return counted ? sum / double(counted) : 1.0;
}

void NetIndex::build() {
    cell = chooseCell(boxes);
    seen.assign(boxes.size(), query);
    ready = true;
    for (uint32_t position = 0; position < boxes.size(); ++position)
        insert(position, boxes[position]);
}

void NetIndex::add(const gt& t) {
    boxes.push_back(pieceBox(t));
    if (ready) {
        seen.push_back(query);
        insert(uint32_t(boxes.size() - 1), boxes.back());
    } else if (boxes.size() >= kGridThreshold)
        build();
}
