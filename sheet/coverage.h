#pragma once
// A fine raster of the cells lying wholly inside some convex shape. A point
// in a covered cell is inside a shape, so whatever contains that point
// overlaps it: one lookup turns down most trial positions of a label in a
// crowded spot before any polygon test.
#include <bitset>
#include <cstdint>
#include <span>
#include <unordered_map>

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
    using Tile = std::bitset<kTileCells * kTileCells>;

    void mark(int64_t cx, int64_t cy);

    const Tile* tile(uint64_t key) const;

    std::unordered_map<uint64_t, Tile> tiles_;
    // Trial positions come in runs close together: the last tile found.
    mutable bool lastValid_ = false;  // lastKey_ was looked up since the last change
    mutable uint64_t lastKey_ = 0;
    mutable const Tile* lastTile_ = nullptr;
};

}  // namespace sheet
