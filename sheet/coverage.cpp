#include "coverage.h"

#include <cassert>
#include <cmath>
#include <algorithm>

#include "shapes.h"

namespace sheet {

namespace {

constexpr double kCell = 0.2;  // mm; well under the height of the smallest label
// Far enough for any page; a coordinate beyond it is never marked or found.
constexpr double kLimit = 1e7;

uint64_t tileKey(int64_t tx, int64_t ty) {
    return (uint64_t(tx) << 32) ^ (uint64_t(ty) & 0xffffffffu);
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

double areaOf(std::span<const Vec2> polygon) {
    double area = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

}  // namespace

void Coverage::mark(int64_t cx, int64_t cy) {
    tiles_[tileKey(cx >> kTileShift, cy >> kTileShift)].set(size_t((cy & kTileMask) * kTileCells + (cx & kTileMask)));
}

void Coverage::cover(std::span<const Vec2> polygon) {
    assert(polygon.size() >= 3);
    Box box = boxOf(polygon);
    // a flat polygon covers no cell; a huge or broken one is left out, which
    // only means its trial positions get the full test
    if (areaOf(polygon) == 0.0 ||
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
            for (int64_t cx = x0; cx < x1; ++cx)
                mark(cx, cy);
        }
        row = next;
    }
    lastValid_ = false;
}

const Coverage::Tile* Coverage::tile(uint64_t key) const {
    if (lastValid_ && key == lastKey_)
        return lastTile_;
    auto found = tiles_.find(key);
    lastValid_ = true;
    lastKey_ = key;
    lastTile_ = found == tiles_.end() ? nullptr : &found->second;
    return lastTile_;
}

bool Coverage::covered(Vec2 p) const {
    if (!(p.x > -kLimit && p.x < kLimit && p.y > -kLimit && p.y < kLimit))
        return false;
    int64_t cx = cellOf(p.x), cy = cellOf(p.y);
    const Tile* found = tile(tileKey(cx >> kTileShift, cy >> kTileShift));
    return found && found->test(size_t((cy & kTileMask) * kTileCells + (cx & kTileMask)));
}

}  // namespace sheet
