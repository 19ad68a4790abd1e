#include "unfold/netindex.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Boxes wider than this many cells on an axis are kept on a list of their own.
static const int64_t kMaxCellSpan = 64;
// Query boxes covering more cells than this are answered by a scan of the boxes.
static const int64_t kMaxQueryCells = 4096;

static bool fullScan = false;

bool fullScanSelected() {
    return fullScan;
}

void readScanSelection() {
    const char* value = std::getenv("KIVANO_FULL_SCAN");
    fullScan = value && std::strcmp(value, "1") == 0;
}

// NaN coordinates make the whole box NaN so that it can never be ruled out.
static PieceBox finish(PieceBox box, bool finite) {
    if (!finite)
        box = {NAN, NAN, NAN, NAN};
    return box;
}

static bool isFinite(const vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

PieceBox pieceBox(const gt& t) {
    PieceBox box = emptyPieceBox();
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
        growBox(box, t.p[k]);
        finite = finite && isFinite(t.p[k]);
        for (int j = 0; j < 2 && t.lugs[k][0]; ++j) {
            growBox(box, *t.lugs[k][j]);
            finite = finite && isFinite(*t.lugs[k][j]);
        }
    }
    return finish(box, finite);
}

PieceBox placedPieceBox(const gt& t, const mat3d& rot, const vec3d& trans, const vec3d& pivot) {
    PieceBox box = emptyPieceBox();
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
        vec3d v = t.placedVertex(k, rot, trans, pivot);
        growBox(box, v);
        finite = finite && isFinite(v);
        for (int j = 0; j < 2 && t.lugs[k][0]; ++j) {
            vec3d l = t.placedLugPoint(k, j, rot, trans, pivot);
            growBox(box, l);
            finite = finite && isFinite(l);
        }
    }
    return finish(box, finite);
}

// Far more than the rounding of the 2-D predicates at the box's coordinates,
// far less than any gap that matters on paper.
static double roundingMargin(const PieceBox& box) {
    double magnitude = std::max(std::max(std::fabs(box.minx), std::fabs(box.maxx)),
                                std::max(std::fabs(box.miny), std::fabs(box.maxy)));
    return 1e-6 + 1e-9 * magnitude;
}

bool NetIndex::meets(uint32_t position, const PieceBox& box) const {
    const PieceBox& own = boxes[position];
    double margin = roundingMargin(box);
    // written so that NaN bounds compare as meeting
    bool apart = own.maxx < box.minx - margin || own.minx > box.maxx + margin ||
                 own.maxy < box.miny - margin || own.miny > box.maxy + margin;
    return !apart;
}

bool NetIndex::cellRange(const PieceBox& box, kivano::CellRange& range) const {
    double margin = roundingMargin(box);
    PieceBox grown = {box.minx - margin, box.miny - margin, box.maxx + margin, box.maxy + margin};
    return grid.cellsOf(grown, range) && range.count() <= kMaxQueryCells;
}

void NetIndex::insert(uint32_t position, const PieceBox& box) {
    kivano::CellRange range;
    if (!grid.cellsOf(box, range) || range.x1 - range.x0 >= kMaxCellSpan ||
        range.y1 - range.y0 >= kMaxCellSpan) {
        large.push_back(position);
        return;
    }
    grid.insert(position, range);
}

// The cell is the mean extent of the net's pieces: most pieces then cover
// one to four cells, and a query visits few.
static double chooseCell(const std::vector<PieceBox>& boxes) {
    double sum = 0;
    size_t counted = 0;
    for (const PieceBox& box : boxes) {
        double extent = std::max(box.maxx - box.minx, box.maxy - box.miny);
        if (std::isfinite(extent) && extent > 0) {
            sum += extent;
            counted++;
        }
    }
    return counted ? sum / double(counted) : 1.0;
}

void NetIndex::build() {
    grid = kivano::BoxGrid(chooseCell(boxes));
    grid.reserveIds(boxes.size());
    ready = true;
    for (uint32_t position = 0; position < boxes.size(); ++position)
        insert(position, boxes[position]);
}

void NetIndex::add(const gt& t) {
    boxes.push_back(pieceBox(t));
    if (ready) {
        grid.reserveIds(boxes.size());
        insert(uint32_t(boxes.size() - 1), boxes.back());
    } else if (boxes.size() >= kGridThreshold)
        build();
}
