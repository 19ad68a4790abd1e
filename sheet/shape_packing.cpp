#include "shape_packing.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "common/xorshift.h"

namespace sheet {

// Gaps this narrow inside one shape hold nothing of another, and closing
// them leaves fewer runs to test.
constexpr int kMergeGap = 2;  // cells
CellShape CellShape::fromSpans(int columns, std::vector<std::vector<CellRun>> spans) {
    CellShape shape;
    shape.columns = columns;
    shape.rows = int(spans.size());
    shape.rowStart.reserve(spans.size() + 1);
    for (std::vector<CellRun>& row : spans) {
        shape.rowStart.push_back(int(shape.runs.size()));
        std::sort(row.begin(), row.end(),
                  [](const CellRun& a, const CellRun& b) { return a.start < b.start; });
        size_t first = shape.runs.size();
        for (const CellRun& span : row) {  // here `length` is the last cell
            CellRun* last = shape.runs.size() > first ? &shape.runs.back() : nullptr;
            if (last && span.start <= last->start + last->length + kMergeGap)
                last->length = std::max(last->length, span.length - last->start + 1);
            else
                shape.runs.push_back({span.start, span.length - span.start + 1});
        }
        for (size_t r = first; r < shape.runs.size(); ++r)
            shape.filled += shape.runs[r].length;
    }
    shape.rowStart.push_back(int(shape.runs.size()));
    return shape;
}

namespace {

// One page: for each cell, how many free cells run from it to the right, or
// for a filled cell, minus how far the next free cell lies (so a search
// jumps over whole filled runs); and for each row its longest free run. A
// shape's run of n cells fits where the page's free run is at least n long.
struct PageCells {
    int columns = 0, rows = 0;
    std::vector<int> freeRun;
    std::vector<int> longest;
    long long free = 0;
    // The longest free run from any cell of each block of kBlock cells of a
    // row: a search for a long run passes whole blocks of short ones at once.
    static constexpr int kBlock = 32;
    int blocks = 0;
    std::vector<int> blockLongest;
    std::vector<long long> freeAbove;  // free cells in the rows above each row (rows + 1 entries)
    int widest = 0;                    // the longest free run of any row
    int failures = 0;                  // shapes tried here in a row that found no room
    bool open = true;

    PageCells(int c, int r)
        : columns(c), rows(r), freeRun(size_t(c) * size_t(r)), longest(r, c), widest(c) {
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i)
                freeRun[size_t(j) * size_t(columns) + size_t(i)] = columns - i;
        free = (long long)c * r;
        blocks = (c + kBlock - 1) / kBlock;
        blockLongest.resize(size_t(blocks) * size_t(r));
        for (int j = 0; j < rows; ++j)
            for (int b = 0; b < blocks; ++b)
                blockLongest[size_t(j) * size_t(blocks) + size_t(b)] = columns - b * kBlock;
        freeAbove.resize(size_t(r) + 1);
        for (int j = 0; j <= r; ++j)
            freeAbove[size_t(j)] = (long long)c * j;
    }

    // A closed page is never searched again.
    void release() {
        std::vector<int>().swap(freeRun);
        std::vector<int>().swap(blockLongest);
        std::vector<int>().swap(longest);
        std::vector<long long>().swap(freeAbove);
    }

    long long freeInRows(int first, int count) const {
        return freeAbove[size_t(first + count)] - freeAbove[size_t(first)];
    }

    int run(int row, int column) const {
        return freeRun[size_t(row) * size_t(columns) + size_t(column)];
    }

    void fill(const CellShape& shape, int column, int row) {
        for (int j = 0; j < shape.rows; ++j) {
            if (shape.row(j).empty())
                continue;
            int* line = &freeRun[size_t(row + j) * size_t(columns)];
            for (const CellRun& r : shape.row(j))
                std::fill_n(line + column + r.start, r.length, 0);
            int longestHere = 0;
            for (int i = columns - 1, freeAhead = 0, toFree = columns; i >= 0; --i) {
                if (line[i] > 0) {
                    freeAhead += 1;
                    toFree = 0;
                    line[i] = freeAhead;
                    longestHere = std::max(longestHere, freeAhead);
                } else {
                    freeAhead = 0;
                    toFree = std::min(toFree + 1, columns);
                    line[i] = -toFree;
                }
            }
            longest[row + j] = longestHere;
            int* blockLine = &blockLongest[size_t(row + j) * size_t(blocks)];
            for (int b = 0; b < blocks; ++b) {
                int most = 0;
                for (int i = b * kBlock; i < std::min(columns, (b + 1) * kBlock); ++i)
                    most = std::max(most, line[i]);
                blockLine[b] = most;
            }
        }
        free -= shape.filled;
        widest = *std::max_element(longest.begin(), longest.end());
        long long taken = 0;
        for (int j = 0; j < shape.rows; ++j) {
            for (const CellRun& r : shape.row(j))
                taken += r.length;
            freeAbove[size_t(row + j) + 1] -= taken;
        }
        for (size_t j = size_t(row + shape.rows) + 1; j < freeAbove.size(); ++j)
            freeAbove[j] -= taken;
    }

    // Whether the shape fits with its cell 0, 0 on (column, row); where not,
    // `skip` says how many columns further right the next try can start.
    // Rows are tried in `order`: those with the longest runs, likeliest to
    // fail, first.
    bool fits(const CellShape& shape, int column, int row, const std::vector<int>& order,
              int& skip) const {
        for (int j : order) {
            for (const CellRun& r : shape.row(j)) {
                int at = column + r.start;
                int room = run(row + j, at);
                if (room >= r.length)
                    continue;
                // on to the next free run of this row long enough for this
                // run, hopping over free runs too short and filled ones
                int to = at;
                const int* blockLine = &blockLongest[size_t(row + j) * size_t(blocks)];
                while (to < columns && room < r.length) {
                    int block = to / kBlock;
                    if (blockLine[block] < r.length)
                        to = (block + 1) * kBlock;  // no run long enough starts in the rest of it
                    else
                        to += room > 0 ? room : -room;
                    room = to < columns ? run(row + j, to) : 0;
                }
                skip = to - at;
                return false;
            }
        }
        return true;
    }
};

struct Spot {
    int column = 0, row = 0, turns = 0;
    bool found = false;
};

// The longest run of each row, for ruling rows of the page out at once, and
// the rows from the longest run to the shortest.
struct RowNeeds {
    std::vector<int> longest;
    std::vector<int> order;
};

RowNeeds rowNeeds(const CellShape& shape) {
    RowNeeds needs;
    needs.longest.assign(size_t(shape.rows), 0);
    for (int j = 0; j < shape.rows; ++j)
        for (const CellRun& r : shape.row(j))
            needs.longest[j] = std::max(needs.longest[j], r.length);
    needs.order.resize(size_t(shape.rows));
    std::iota(needs.order.begin(), needs.order.end(), 0);
    std::stable_sort(needs.order.begin(), needs.order.end(),
                     [&](int a, int b) { return needs.longest[a] > needs.longest[b]; });
    return needs;
}

// The topmost, then leftmost spot for one turn, above `limitRow` only.
bool findSpot(const PageCells& page, const CellShape& shape, const RowNeeds& needs, int limitRow,
              int& column, int& row) {
    const std::vector<int>& longest = needs.longest;
    if (shape.columns > page.columns || shape.rows > page.rows)
        return false;
    int lastRow = std::min(page.rows - shape.rows, limitRow);
    // A page row too full for the least of the shape's rows rules out every
    // spot that would cover it.
    int least = longest[size_t(needs.order.back())];
    for (int y = 0; y <= lastRow; ++y) {
        if (page.freeInRows(y, shape.rows) < shape.filled)
            continue;
        bool possible = true;
        for (int j : needs.order) {
            if (page.longest[y + j] >= longest[j])
                continue;
            possible = false;
            if (page.longest[y + j] < least)
                y += j;
            break;
        }
        if (!possible)
            continue;
        for (int x = 0; x <= page.columns - shape.columns;) {
            int skip = 1;
            if (page.fits(shape, x, y, needs.order, skip)) {
                column = x;
                row = y;
                return true;
            }
            x += skip;
        }
    }
    return false;
}

}  // namespace

CellShape halfTurn(const CellShape& shape) {
    CellShape turned;
    turned.columns = shape.columns;
    turned.rows = shape.rows;
    turned.filled = shape.filled;
    turned.runs.reserve(shape.runs.size());
    turned.rowStart.reserve(size_t(shape.rows) + 1);
    for (int j = shape.rows - 1; j >= 0; --j) {
        turned.rowStart.push_back(int(turned.runs.size()));
        std::span<const CellRun> from = shape.row(j);
        for (auto run = from.rbegin(); run != from.rend(); ++run)
            turned.runs.push_back({shape.columns - run->start - run->length, run->length});
    }
    turned.rowStart.push_back(int(turned.runs.size()));
    return turned;
}

namespace {

// The shapes packed in `order`, each freed once placed where `consume`.
ShapePackResult packInOrder(std::vector<ShapeItem>& items, const std::vector<size_t>& order,
                            bool consume, int columns, int rows) {
    ShapePackResult result;
    result.placements.resize(items.size());
    // A page on which this many shapes in a row found no room is full for
    // the rest: trying every later shape on it is what makes packing slow.
    constexpr int kGiveUpAfter = 64;
    std::vector<PageCells> pages;
    std::vector<int> pageIndex;  // packing page -> result page (oversize pages interleave)
    for (size_t i : order) {
        ShapeItem& given = items[i];
        const size_t half = given.turns.size();
        std::vector<CellShape> turns(2 * half);
        for (size_t t = 0; t < half; ++t) {
            turns[t + half] = halfTurn(given.turns[t]);
            turns[t] = consume ? std::move(given.turns[t]) : given.turns[t];
        }
        const int count = int(turns.size());
        std::vector<RowNeeds> needs(turns.size());
        for (int t = 0; t < count; ++t)
            needs[t] = rowNeeds(turns[t]);
        Spot best;
        size_t p = 0;
        // Some row of the page must hold the shape's longest run, in some turn.
        int widest = INT_MAX;
        for (int t = 0; t < count; ++t)
            if (!needs[t].order.empty())
                widest = std::min(widest, needs[t].longest[size_t(needs[t].order.front())]);
        for (; p < pages.size() && !best.found; ++p) {
            PageCells& page = pages[p];
            if (!page.open || page.free < turns[0].filled || page.widest < widest)
                continue;
            // The turn whose lower edge ends highest, then leftmost: the
            // packed part of the page keeps an even border.
            int bestBottom = INT_MAX;
            for (int t = 0; t < count; ++t) {
                const CellShape& shape = turns[t];
                int column = 0, row = 0;
                int limit = bestBottom == INT_MAX ? rows : bestBottom - shape.rows;
                if (!findSpot(page, shape, needs[t], limit, column, row))
                    continue;
                int bottom = row + shape.rows;
                if (bottom < bestBottom || (bottom == bestBottom && column < best.column)) {
                    best = {column, row, t, true};
                    bestBottom = bottom;
                }
            }
            if (best.found)
                break;
            page.open = ++page.failures < kGiveUpAfter;
            if (!page.open)
                page.release();
        }
        ShapePlacement& placed = result.placements[i];
        if (!best.found) {
            PageCells fresh(columns, rows);
            for (int t = 0; t < count && !best.found; ++t) {
                int column = 0, row = 0;
                if (findSpot(fresh, turns[t], needs[t], rows, column, row))
                    best = {column, row, t, true};
            }
            if (!best.found) {
                placed = {result.pages++, 0, 0, 0, true};
                result.filled.push_back(turns[0].filled);
                continue;
            }
            pages.push_back(std::move(fresh));
            pageIndex.push_back(result.pages++);
            result.filled.push_back(0);
            p = pages.size() - 1;
        }
        pages[p].fill(turns[best.turns], best.column, best.row);
        pages[p].failures = 0;
        placed = {pageIndex[p], best.column, best.row, best.turns, false};
        result.filled[size_t(pageIndex[p])] += turns[best.turns].filled;
    }
    return result;
}

}  // namespace

bool packsTighter(const ShapePackResult& a, const ShapePackResult& b) {
    auto oversize = [](const ShapePackResult& r) {
        return std::count_if(r.placements.begin(), r.placements.end(),
                             [](const ShapePlacement& at) { return at.oversize; });
    };
    if (oversize(a) != oversize(b))
        return oversize(a) < oversize(b);
    if (a.pages != b.pages)
        return a.pages < b.pages;
    return !a.filled.empty() && a.filled.back() < b.filled.back();
}

ShapePackResult packShapes(std::vector<ShapeItem> items, int columns, int rows, int orders) {
    assert(orders >= 1);
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t(0));
    auto filled = [&](size_t i) { return items[i].turns[0].filled; };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return filled(a) > filled(b); });
    if (orders == 1)
        return packInOrder(items, order, true, columns, rows);
    // Largest first leaves the small shapes for the hollows; which large one
    // goes first decides what hollows there are. Each further order weighs
    // every size by a factor between 1/2 and 2 from a fixed sequence (the
    // same sheet on every machine): the order with the fewest pages wins,
    // then the one whose last page holds least.
    ShapePackResult best = packInOrder(items, order, false, columns, rows);
    kivano::Xorshift random;
    auto next = [&] { return double(random() >> 11) / double(uint64_t(1) << 53); };
    std::vector<double> weight(items.size());
    for (int k = 1; k < orders; ++k) {
        for (size_t i = 0; i < items.size(); ++i)
            weight[i] = double(filled(i)) * std::exp2(2.0 * next() - 1.0);
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return weight[a] > weight[b]; });
        ShapePackResult tried = packInOrder(items, order, k + 1 == orders, columns, rows);
        if (packsTighter(tried, best))
            best = std::move(tried);
    }
    return best;
}

}  // namespace sheet
