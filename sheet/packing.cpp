#include "packing.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <numeric>

namespace sheet {

namespace {

constexpr double kEps = 1e-9;

struct Rect {
    double x, y, w, h;
};

struct Bin {
    double width, height;
    std::vector<Rect> freeRects;
};

struct Fit {
    bool found = false;
    bool turned = false;
    Rect rect{};
    double shortSide = std::numeric_limits<double>::max();
    double longSide = std::numeric_limits<double>::max();
};

bool fitsIn(double w, double h, double areaW, double areaH) {
    return w <= areaW + kEps && h <= areaH + kEps;
}

void tryFit(const Rect& space, double w, double h, bool turned, Fit& best) {
    if (!fitsIn(w, h, space.w, space.h))
        return;
    double shortSide = std::min(space.w - w, space.h - h);
    double longSide = std::max(space.w - w, space.h - h);
    if (shortSide < best.shortSide || (shortSide == best.shortSide && longSide < best.longSide))
        best = {true, turned, {space.x, space.y, w, h}, shortSide, longSide};
}

Fit findFit(const Bin& bin, const PackItem& item, double gap) {
    Fit best;
    for (const Rect& space : bin.freeRects) {
        tryFit(space, item.width + gap, item.height + gap, false, best);
        tryFit(space, item.turnedWidth + gap, item.turnedHeight + gap, true, best);
    }
    return best;
}

bool overlaps(const Rect& a, const Rect& b) {
    return a.x < b.x + b.w - kEps && b.x < a.x + a.w - kEps && a.y < b.y + b.h - kEps &&
           b.y < a.y + a.h - kEps;
}

bool contains(const Rect& outer, const Rect& inner) {
    return inner.x >= outer.x - kEps && inner.y >= outer.y - kEps &&
           inner.x + inner.w <= outer.x + outer.w + kEps &&
           inner.y + inner.h <= outer.y + outer.h + kEps;
}

// The parts of a free rectangle that the used one leaves free, each maximal.
void splitFree(const Rect& space, const Rect& used, std::vector<Rect>& out) {
    if (used.x > space.x + kEps)
        out.push_back({space.x, space.y, used.x - space.x, space.h});
    if (used.x + used.w < space.x + space.w - kEps)
        out.push_back({used.x + used.w, space.y, space.x + space.w - used.x - used.w, space.h});
    if (used.y > space.y + kEps)
        out.push_back({space.x, space.y, space.w, used.y - space.y});
    if (used.y + used.h < space.y + space.h - kEps)
        out.push_back({space.x, used.y + used.h, space.w, space.y + space.h - used.y - used.h});
}

void pruneContained(std::vector<Rect>& rects) {
    std::vector<Rect> kept;
    for (size_t i = 0; i < rects.size(); ++i) {
        bool redundant = false;
        for (size_t j = 0; j < rects.size() && !redundant; ++j) {
            if (i == j || !contains(rects[j], rects[i]))
                continue;
            // Of two equal rectangles keep the first.
            redundant = !contains(rects[i], rects[j]) || j < i;
        }
        if (!redundant)
            kept.push_back(rects[i]);
    }
    rects.swap(kept);
}

void place(Bin& bin, const Rect& used) {
    std::vector<Rect> next;
    for (const Rect& space : bin.freeRects) {
        if (overlaps(space, used))
            splitFree(space, used, next);
        else
            next.push_back(space);
    }
    pruneContained(next);
    bin.freeRects.swap(next);
}

// Largest first: big nets decide the pages, small ones fill the holes.
std::vector<size_t> packingOrder(const std::vector<PackItem>& items) {
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        double areaA = items[a].width * items[a].height;
        double areaB = items[b].width * items[b].height;
        return areaA > areaB;
    });
    return order;
}

bool isOversize(const PackItem& item, double areaW, double areaH) {
    return !fitsIn(item.width, item.height, areaW, areaH) &&
           !fitsIn(item.turnedWidth, item.turnedHeight, areaW, areaH);
}

// An own page for a net too large for any: the orientation that strays
// least beyond the normal page.
void placeOversize(const PackItem& item, double areaW, double areaH, PackResult& result,
                   size_t index) {
    double upright = std::max(item.width / areaW, item.height / areaH);
    double turned = std::max(item.turnedWidth / areaW, item.turnedHeight / areaH);
    bool turn = turned < upright;
    PackPage page;
    page.width = turn ? item.turnedWidth : item.width;
    page.height = turn ? item.turnedHeight : item.height;
    page.oversize = true;
    result.pages.push_back(page);
    result.placements[index] = {int(result.pages.size()) - 1, 0.0, 0.0, turn};
}

}  // namespace

PackResult packRectangles(const std::vector<PackItem>& items, double areaWidth, double areaHeight,
                          double gap) {
    assert(areaWidth > 0.0 && areaHeight > 0.0 && gap >= 0.0);
    PackResult result;
    result.placements.resize(items.size());
    // Gaps go after each item; the extra gap lets the last one touch the border.
    double binW = areaWidth + gap, binH = areaHeight + gap;
    std::vector<Bin> bins;
    std::vector<int> binPage;

    for (size_t index : packingOrder(items)) {
        const PackItem& item = items[index];
        if (isOversize(item, areaWidth, areaHeight)) {
            placeOversize(item, areaWidth, areaHeight, result, index);
            continue;
        }
        size_t b = 0;
        Fit fit;
        for (; b < bins.size(); ++b)
            if ((fit = findFit(bins[b], item, gap)).found)
                break;
        if (b == bins.size()) {
            bins.push_back({binW, binH, {{0.0, 0.0, binW, binH}}});
            result.pages.push_back({areaWidth, areaHeight, false});
            binPage.push_back(int(result.pages.size()) - 1);
            fit = findFit(bins[b], item, gap);
            assert(fit.found);
        }
        place(bins[b], fit.rect);
        result.placements[index] = {binPage[b], fit.rect.x, fit.rect.y, fit.turned};
    }
    return result;
}

}  // namespace sheet
