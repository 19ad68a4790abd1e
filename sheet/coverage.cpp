#include "coverage.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "shapes.h"

namespace sheet {

namespace {

constexpr double kCell = 0.2;  // mm; well under the height of the smallest label
// Far enough for any page; a coordinate beyond it is never marked or found.
constexpr double kLimit = 1e7;

// The dense directory holds at most this many slots per tile in use (and at
// least kMinDirectory): a long thin net would otherwise spread it over its
// whole box. Tiles beyond it are found by hashing.
constexpr int64_t kSlotsPerTile = 8;
constexpr int64_t kMinDirectory = 4096;

uint64_t tileKey(int64_t tx, int64_t ty) {
    return (uint64_t(tx) << 32) ^ (uint64_t(ty) & 0xffffffffull);
}

// std::floor is a library call on the baseline instruction set, and this
// runs several times for every trial position of every label.
int64_t cellOf(double v) {
    double scaled = v * (1.0 / kCell);
    int64_t i = int64_t(scaled);
    return scaled < double(i) ? i - 1 : i;
}

// Where the horizontal line at y crosses the convex polygon: [lo, hi],
// shrunk a little so that rounding never takes a point outside for one
// inside; false when the line misses it.
bool rowSpan(std::span<const Vec2> polygon, double y, double& lo, double& hi) {
    lo = INFINITY;
    hi = -INFINITY;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if ((y < a.y && y < b.y) || (y > a.y && y > b.y) || a.y == b.y)
            continue;
        double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    const double slack = 1e-9;
    lo += slack;
    hi -= slack;
    return lo <= hi;
}

}  // namespace

void Coverage::markRow(int64_t cy, int64_t fromX, int64_t toX) {
    int64_t ty = cy >> kTileShift;
    for (int64_t tx = fromX >> kTileShift; tx <= (toX - 1) >> kTileShift; ++tx) {
        int64_t limit = std::max(kMinDirectory, kSlotsPerTile * int64_t(tiles_.size() + 1));
        uint32_t* found = directory_.reach(tx, ty, limit);
        uint32_t& slot = found ? *found : hashed_[tileKey(tx, ty)];
        if (!slot) {
            tiles_.emplace_back();
            slot = uint32_t(tiles_.size());
        }
        // the cells of this tile in [fromX, toX), as bits of its row
        int64_t first = std::max(fromX, tx << kTileShift) & kTileMask;
        int64_t last = (std::min(toX, (tx + 1) << kTileShift) - 1) & kTileMask;
        uint32_t bits = uint32_t((uint64_t(2) << last) - (uint64_t(1) << first));
        tiles_[slot - 1][size_t(cy & kTileMask)] |= bits;
    }
}

void Coverage::cover(std::span<const Vec2> polygon) {
    assert(polygon.size() >= 3);
    Box box = boxOf(polygon);
    // a flat polygon covers no cell; a huge or broken one is left out, which
    // only means its trial positions get the full test
    if (signedArea(polygon) == 0.0 ||
        !(box.minX > -kLimit && box.maxX < kLimit && box.minY > -kLimit && box.maxY < kLimit))
        return;
    int64_t y0 = int64_t(std::ceil(box.minY / kCell)), y1 = int64_t(std::floor(box.maxY / kCell));
    double lo, hi, nextLo, nextHi;
    bool row = rowSpan(polygon, double(y0) * kCell, lo, hi);
    for (int64_t cy = y0; cy < y1; ++cy, lo = nextLo, hi = nextHi) {
        bool next = rowSpan(polygon, double(cy + 1) * kCell, nextLo, nextHi);
        // a cell is covered when its four corners are: the polygon is convex
        if (row && next) {
            int64_t x0 = int64_t(std::ceil(std::max(lo, nextLo) / kCell));
            int64_t x1 = int64_t(std::floor(std::min(hi, nextHi) / kCell));
            if (x0 < x1)
                markRow(cy, x0, x1);
        }
        row = next;
    }
}

bool Coverage::covered(Vec2 p) const {
    if (!(p.x > -kLimit && p.x < kLimit && p.y > -kLimit && p.y < kLimit))
        return false;
    int64_t cx = cellOf(p.x), cy = cellOf(p.y);
    int64_t tx = cx >> kTileShift, ty = cy >> kTileShift;
    const uint32_t* slot = directory_.find(tx, ty);
    if (!slot && !hashed_.empty()) {
        auto found = hashed_.find(tileKey(tx, ty));
        slot = found == hashed_.end() ? nullptr : &found->second;
    }
    return slot && *slot && (tiles_[*slot - 1][size_t(cy & kTileMask)] >> (cx & kTileMask) & 1u);
}

}  // namespace sheet
