#pragma once
// A fine raster of the cells lying wholly inside some convex shape. A point
// in a covered cell is inside a shape, so whatever contains that point
// overlaps it: one lookup turns down most trial positions of a label in a
// crowded spot before any polygon test.
#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "common/dense_block.h"
#include "sheet_model.h"

namespace sheet {

class Coverage {
public:
    // Marks every cell of the raster that lies inside the convex polygon.
    void cover(std::span<const Vec2> polygon);
    // Whether p lies in a marked cell (and so inside some covered polygon).
    bool covered(Vec2 p) const;

private:
    static constexpr int kTileShift = 5;  // a tile is 32 x 32 cells
    static constexpr int64_t kTileCells = int64_t(1) << kTileShift;
    static constexpr int64_t kTileMask = kTileCells - 1;
    using Tile = std::array<uint32_t, kTileCells>;  // a row of cells a word, bit x for cell x

    // Tiles live in a dense directory over the tile range marked so far,
    // found by index rather than by hashing.
    // Marks the cells [fromX, toX) of row cy.
    void markRow(int64_t cy, int64_t fromX, int64_t toX);

    std::vector<Tile> tiles_;
    kivano::DenseBlock<uint32_t> directory_;         // 1 + index into tiles_; 0: no tile
    std::unordered_map<uint64_t, uint32_t> hashed_;  // the same, beyond the directory
};

}  // namespace sheet
