#pragma once
// Packs shapes by their true outline rather than their boxes: each shape is
// a raster of cells it may not share with another (drawn conservatively, so
// two shapes on free cells never come closer than the gap they were drawn
// with), tried in its four quarter turns, each at its topmost, then leftmost
// free spot; of these the one whose lower edge ends highest wins, on the
// first page that has room. Largest first, so that small shapes fill the
// hollows and the corners the large ones leave. Deterministic.
#include <array>
#include <span>
#include <vector>

namespace sheet {

// The cells of one shape: for each row, the runs of filled cells.
struct CellRun {
    int start = 0;
    int length = 0;
};

struct CellShape {
    int columns = 0;
    int rows = 0;
    // Row after row, in one array: a run list per row would cost a heap
    // block per row of every shape in four turns.
    std::vector<CellRun> runs;
    std::vector<int> rowStart;  // row j's runs are runs[rowStart[j] .. rowStart[j + 1])
    long long filled = 0;

    std::span<const CellRun> row(int j) const {
        return {runs.data() + rowStart[size_t(j)], runs.data() + rowStart[size_t(j) + 1]};
    }

    // From each row's spans of touched cells (first, last; any order, may
    // overlap), merged into runs.
    static CellShape fromSpans(int columns, std::vector<std::vector<CellRun>> spans);
};

// A shape in the turns of its first half turn, evenly spaced clockwise:
// turns[t] holds the cells of the shape turned t half turns / turns.size()
// (two: the first two quarter turns). The turns of the other half are these
// turned by half a turn, made only when the shape's turn to be packed comes.
struct ShapeItem {
    std::vector<CellShape> turns;
};

struct ShapePlacement {
    int page = -1;
    int column = 0;  // the shape's cell 0, 0 lands on this cell of the page
    int row = 0;
    int turns = 0;          // t < turns.size(): turns[t]; beyond, turns[t - size] half turned
    bool oversize = false;  // fits no page in any turn: a page of its own
};

struct ShapePackResult {
    std::vector<ShapePlacement> placements;  // one per item, in item order
    int pages = 0;                           // including the oversize ones
    std::vector<long long> filled;           // per page: cells taken
};

// The same cells turned half a turn about their box: (x, y) -> (-x, -y)
// seen from the cells' own corner. Exact, so an upright box stays upright.
CellShape halfTurn(const CellShape& shape);

// Of two packings of the same shapes, the one with fewer shapes too large
// for the page (each tiles over several), then fewer pages, then less on
// its last page (the more even use of the others).
bool packsTighter(const ShapePackResult& a, const ShapePackResult& b);

// Takes the items over: each is freed once placed. With more than one
// order, the shapes are packed in each of that many orders of about their
// size and the fewest pages kept.
ShapePackResult packShapes(std::vector<ShapeItem> items, int columns, int rows, int orders = 1);

}  // namespace sheet
