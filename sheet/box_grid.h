#pragma once
// A uniform grid over boxes, so that "what lies near here" costs the few
// shapes nearby rather than all of a large net's.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "dense_block.h"
#include "shapes.h"

namespace sheet {

class BoxGrid {
public:
    explicit BoxGrid(double cellSize);

    void insert(int id, const Box& box);
    // Every id whose box lies in a cell that `box` touches, each once, in
    // insertion order. Callers test the shapes themselves.
    void query(const Box& box, std::vector<int>& ids) const;

    // Whether `hit` holds for any id near `box`, each id asked at most once,
    // in no particular order; stops at the first that does.
    template <typename Hit>
    bool any(const Box& box, Hit&& hit) const;

private:
    int64_t cellOf(double v) const;
    void nextQuery() const;
    const std::vector<int>* cell(int64_t cx, int64_t cy) const;
    std::vector<int>& cellToFill(int64_t cx, int64_t cy);

    double cellSize_;
    // Cells in a dense block over the range filled so far, found by index;
    // cells that would make the block unreasonably large go to a map.
    DenseBlock<std::vector<int>> dense_;
    std::unordered_map<int64_t, std::vector<int>> far_;
    mutable std::vector<uint32_t> seen_;  // per id: the query that last saw it
    mutable uint32_t query_ = 0;
};

template <typename Hit>
bool BoxGrid::any(const Box& box, Hit&& hit) const {
    nextQuery();
    for (int64_t cx = cellOf(box.minX); cx <= cellOf(box.maxX); ++cx)
        for (int64_t cy = cellOf(box.minY); cy <= cellOf(box.maxY); ++cy) {
            const std::vector<int>* ids = cell(cx, cy);
            if (!ids)
                continue;
            for (int id : *ids)
                if (seen_[id] != query_) {
                    seen_[id] = query_;
                    if (hit(id))
                        return true;
                }
        }
    return false;
}

}  // namespace sheet
