#include "box_grid.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace sheet {

namespace {

// The dense block stops growing here (cells); beyond, cells are hashed.
constexpr int64_t kMaxDense = int64_t(1) << 20;

int64_t farKey(int64_t cx, int64_t cy) {
    return (cx << 32) ^ (cy & 0xffffffff);
}

}  // namespace

BoxGrid::BoxGrid(double cellSize) : cellSize_(cellSize) {
    assert(cellSize > 0.0);
}

int64_t BoxGrid::cellOf(double v) const {
    return int64_t(std::floor(v / cellSize_));
}

// Grows the dense block to hold the cell, by half again on the short side so
// that labels spreading outwards regrow it rarely; false when too large.
bool BoxGrid::reach(int64_t cx, int64_t cy) {
    if (cx >= originX_ && cx < originX_ + columns_ && cy >= originY_ && cy < originY_ + rows_)
        return true;
    // once a cell went to the map, the block must not grow over it
    if (!far_.empty())
        return false;
    int64_t x0 = std::min(cx, originX_), y0 = std::min(cy, originY_);
    int64_t x1 = std::max(cx + 1, originX_ + columns_), y1 = std::max(cy + 1, originY_ + rows_);
    if (columns_ == 0) {
        x0 = cx;
        y0 = cy;
        x1 = cx + 1;
        y1 = cy + 1;
    } else {
        int64_t growX = (x1 - x0) / 2, growY = (y1 - y0) / 2;
        if (cx < originX_) x0 -= growX;
        if (cx >= originX_ + columns_) x1 += growX;
        if (cy < originY_) y0 -= growY;
        if (cy >= originY_ + rows_) y1 += growY;
    }
    if (x1 - x0 > kMaxDense || y1 - y0 > kMaxDense || (x1 - x0) * (y1 - y0) > kMaxDense)
        return false;
    std::vector<std::vector<int>> grown(size_t((x1 - x0) * (y1 - y0)));
    for (int64_t y = 0; y < rows_; ++y)
        for (int64_t x = 0; x < columns_; ++x)
            grown[size_t((originY_ + y - y0) * (x1 - x0) + (originX_ + x - x0))] =
                std::move(dense_[size_t(y * columns_ + x)]);
    dense_ = std::move(grown);
    originX_ = x0;
    originY_ = y0;
    columns_ = x1 - x0;
    rows_ = y1 - y0;
    return true;
}

std::vector<int>& BoxGrid::cellToFill(int64_t cx, int64_t cy) {
    if (reach(cx, cy))
        return dense_[size_t((cy - originY_) * columns_ + (cx - originX_))];
    return far_[farKey(cx, cy)];
}

void BoxGrid::insert(int id, const Box& box) {
    assert(id >= 0 && !box.empty());
    if (size_t(id) >= seen_.size())
        seen_.resize(size_t(id) + 1, 0);
    for (int64_t cx = cellOf(box.minX); cx <= cellOf(box.maxX); ++cx)
        for (int64_t cy = cellOf(box.minY); cy <= cellOf(box.maxY); ++cy)
            cellToFill(cx, cy).push_back(id);
}

void BoxGrid::nextQuery() const {
    if (++query_ == 0) {  // wrapped: forget every mark
        std::fill(seen_.begin(), seen_.end(), 0);
        query_ = 1;
    }
}

const std::vector<int>* BoxGrid::cell(int64_t cx, int64_t cy) const {
    if (cx >= originX_ && cx < originX_ + columns_ && cy >= originY_ && cy < originY_ + rows_) {
        const std::vector<int>& ids = dense_[size_t((cy - originY_) * columns_ + (cx - originX_))];
        return ids.empty() ? nullptr : &ids;
    }
    if (far_.empty())
        return nullptr;
    auto found = far_.find(farKey(cx, cy));
    return found == far_.end() ? nullptr : &found->second;
}

void BoxGrid::query(const Box& box, std::vector<int>& ids) const {
    ids.clear();
    any(box, [&](int id) {
        ids.push_back(id);
        return false;
    });
    std::sort(ids.begin(), ids.end());
}

}  // namespace sheet
