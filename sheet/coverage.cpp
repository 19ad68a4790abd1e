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

// Beyond this many tiles in the directory a shape is left unmarked (which
// only costs its trial positions the full test).
constexpr int64_t kMaxDirectory = int64_t(1) << 22;

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

bool Coverage::reach(int64_t tx, int64_t ty) {
    if (tx >= originX_ && tx < originX_ + columns_ && ty >= originY_ && ty < originY_ + rows_)
        return true;
    // grow by half again on the side that is short, so that a cloud of
    // labels spreading outwards regrows the directory rarely
    int64_t x0 = std::min(tx, originX_), y0 = std::min(ty, originY_);
    int64_t x1 = std::max(tx + 1, originX_ + columns_), y1 = std::max(ty + 1, originY_ + rows_);
    if (columns_ == 0) {
        x0 = tx;
        y0 = ty;
        x1 = tx + 1;
        y1 = ty + 1;
    } else {
        int64_t growX = (x1 - x0) / 2, growY = (y1 - y0) / 2;
        if (tx < originX_) x0 -= growX;
        if (tx >= originX_ + columns_) x1 += growX;
        if (ty < originY_) y0 -= growY;
        if (ty >= originY_ + rows_) y1 += growY;
    }
    if ((x1 - x0) * (y1 - y0) > kMaxDirectory)
        return false;
    std::vector<uint32_t> grown(size_t((x1 - x0) * (y1 - y0)), 0);
    for (int64_t y = 0; y < rows_; ++y)
        for (int64_t x = 0; x < columns_; ++x)
            grown[size_t((originY_ + y - y0) * (x1 - x0) + (originX_ + x - x0))] = directory_[size_t(y * columns_ + x)];
    directory_ = std::move(grown);
    originX_ = x0;
    originY_ = y0;
    columns_ = x1 - x0;
    rows_ = y1 - y0;
    return true;
}

void Coverage::markRow(int64_t cy, int64_t fromX, int64_t toX) {
    int64_t ty = cy >> kTileShift;
    for (int64_t tx = fromX >> kTileShift; tx <= (toX - 1) >> kTileShift; ++tx) {
        if (!reach(tx, ty))
            return;
        uint32_t& slot = directory_[size_t((ty - originY_) * columns_ + (tx - originX_))];
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
    int64_t tx = (cx >> kTileShift) - originX_, ty = (cy >> kTileShift) - originY_;
    if (tx < 0 || tx >= columns_ || ty < 0 || ty >= rows_)
        return false;
    uint32_t slot = directory_[size_t(ty * columns_ + tx)];
    return slot && (tiles_[slot - 1][size_t(cy & kTileMask)] >> (cx & kTileMask) & 1u);
}

}  // namespace sheet
