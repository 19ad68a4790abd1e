#pragma once
// Cells of a plane grid kept in one dense block over the range used so far,
// found by index rather than by hashing. The block grows to hold new cells.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace kivano {

template <typename Cell>
class DenseBlock {
public:
    // The cell at (x, y), or nullptr when the block does not reach it.
    Cell* find(int64_t x, int64_t y) { return holds(x, y) ? &cells_[index(x, y)] : nullptr; }
    const Cell* find(int64_t x, int64_t y) const {
        return holds(x, y) ? &cells_[index(x, y)] : nullptr;
    }

    // The cell at (x, y), growing the block to reach it: by half again on
    // each side that is short, so that shapes spreading outwards regrow it
    // rarely. nullptr when the block would pass maxCells cells.
    Cell* reach(int64_t x, int64_t y, int64_t maxCells) {
        if (holds(x, y))
            return &cells_[index(x, y)];
        int64_t x0 = x, y0 = y, x1 = x + 1, y1 = y + 1;
        if (columns_ > 0) {
            x0 = std::min(x, x0_);
            y0 = std::min(y, y0_);
            x1 = std::max(x + 1, x0_ + columns_);
            y1 = std::max(y + 1, y0_ + rows_);
            int64_t growX = (x1 - x0) / 2, growY = (y1 - y0) / 2;
            if (x < x0_)
                x0 -= growX;
            if (x >= x0_ + columns_)
                x1 += growX;
            if (y < y0_)
                y0 -= growY;
            if (y >= y0_ + rows_)
                y1 += growY;
        }
        if (x1 - x0 > maxCells || y1 - y0 > maxCells || (x1 - x0) * (y1 - y0) > maxCells)
            return nullptr;
        std::vector<Cell> grown(size_t((x1 - x0) * (y1 - y0)));
        for (int64_t row = 0; row < rows_; ++row)
            for (int64_t column = 0; column < columns_; ++column)
                grown[size_t((y0_ + row - y0) * (x1 - x0) + (x0_ + column - x0))] =
                    std::move(cells_[size_t(row * columns_ + column)]);
        cells_ = std::move(grown);
        x0_ = x0;
        y0_ = y0;
        columns_ = x1 - x0;
        rows_ = y1 - y0;
        return &cells_[index(x, y)];
    }

private:
    bool holds(int64_t x, int64_t y) const {
        return x >= x0_ && x < x0_ + columns_ && y >= y0_ && y < y0_ + rows_;
    }
    size_t index(int64_t x, int64_t y) const { return size_t((y - y0_) * columns_ + (x - x0_)); }

    std::vector<Cell> cells_;
    int64_t x0_ = 0, y0_ = 0, columns_ = 0, rows_ = 0;
};

}  // namespace kivano
