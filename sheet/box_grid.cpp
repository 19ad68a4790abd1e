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

std::vector<int>& BoxGrid::cellToFill(int64_t cx, int64_t cy) {
    // once a cell went to the map, the block must not grow over it
    std::vector<int>* ids = far_.empty() ? dense_.reach(cx, cy, kMaxDense) : dense_.find(cx, cy);
    return ids ? *ids : far_[farKey(cx, cy)];
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
    if (const std::vector<int>* ids = dense_.find(cx, cy))
        return ids->empty() ? nullptr : ids;
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
