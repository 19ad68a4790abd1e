#include "box_grid.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace sheet {

BoxGrid::BoxGrid(double cellSize) : cellSize_(cellSize) {
    assert(cellSize > 0.0);
}

int64_t BoxGrid::cellOf(double v) const {
    return int64_t(std::floor(v / cellSize_));
}

void BoxGrid::insert(int id, const Box& box) {
    assert(id >= 0 && !box.empty());
    if (size_t(id) >= seen_.size())
        seen_.resize(size_t(id) + 1, 0);
    for (int64_t cx = cellOf(box.minX); cx <= cellOf(box.maxX); ++cx)
        for (int64_t cy = cellOf(box.minY); cy <= cellOf(box.maxY); ++cy)
            cells_[key(cx, cy)].push_back(id);
}

void BoxGrid::nextQuery() const {
    if (++query_ == 0) {  // wrapped: forget every mark
        std::fill(seen_.begin(), seen_.end(), 0);
        query_ = 1;
    }
}

const std::vector<int>* BoxGrid::cell(int64_t cx, int64_t cy) const {
    auto found = cells_.find(key(cx, cy));
    return found == cells_.end() ? nullptr : &found->second;
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
