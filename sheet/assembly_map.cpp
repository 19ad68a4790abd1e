#include "assembly_map.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <map>
#include <set>
#include <string>

namespace sheet {

namespace {

constexpr double kViewGap = 6.0;       // mm between two views
constexpr double kCaptionSize = 3.5;   // the name over each view, mm
constexpr double kMapNumberMax = 4.0;  // a piece's number on the map, mm
constexpr double kMapNumberMin = 1.6;  // smaller would not read: the number is left out
// Raster cell (mm) for finding each piece's visible middle; a number then
// stands at most this far from where it would ideally fit.
constexpr double kCell = 0.5;
// Shading: the share of a piece's colour a face keeps when seen edge-on.
constexpr double kAmbient = 0.6;

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 minus(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// The scene's y axis is up. Each view looks along `toward` with `right` to
// its right, as a person walking round the model sees it.
struct View {
    const char* name;
    Vec3 toward, right, up;
};

constexpr View kViews[4] = {
    {"front", {0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
    {"right", {-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    {"back", {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
    {"left", {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
};

Vec3 corner(const ModelTriangle& t, int k) {
    return {t.corner[k][0], t.corner[k][1], t.corner[k][2]};
}

// Where a view puts the model on the page: scene (right, up) to page mm.
struct Frame {
    double scale = 1.0;
    double midRight = 0.0, midUp = 0.0;  // the model's middle in the view
    Vec2 centre;                         // on the page
    Vec2 place(const View& view, Vec3 p) const {
        return {centre.x + (dot(p, view.right) - midRight) * scale,
                centre.y - (dot(p, view.up) - midUp) * scale};
    }
};

struct Extent {
    double lo = 1e300, hi = -1e300;
    void add(double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    double size() const { return hi > lo ? hi - lo : 0.0; }
    double mid() const { return hi >= lo ? (lo + hi) / 2 : 0.0; }
};

Colour shaded(Colour c, double facing) {
    double s = kAmbient + (1.0 - kAmbient) * std::clamp(facing, 0.0, 1.0);
    return {c.r * s, c.g * s, c.b * s};
}

// Which piece each raster cell shows (0 for none), filled in painter's order
// so that the nearest face wins.
struct Raster {
    Box area;
    int columns = 0, rows = 0;
    std::vector<int> owner;

    explicit Raster(const Box& box) : area(box) {
        columns = std::max(1, int(std::ceil(box.width() / kCell)));
        rows = std::max(1, int(std::ceil(box.height() / kCell)));
        owner.assign(size_t(columns) * size_t(rows), 0);
    }

    Vec2 cellCentre(int column, int row) const {
        return {area.minX + (column + 0.5) * kCell, area.minY + (row + 0.5) * kCell};
    }

    void fill(const Vec2 p[3], int number) {
        double minX = std::min({p[0].x, p[1].x, p[2].x}), maxX = std::max({p[0].x, p[1].x, p[2].x});
        double minY = std::min({p[0].y, p[1].y, p[2].y}), maxY = std::max({p[0].y, p[1].y, p[2].y});
        int c0 = std::max(0, int(std::floor((minX - area.minX) / kCell - 0.5)));
        int c1 = std::min(columns - 1, int(std::ceil((maxX - area.minX) / kCell - 0.5)));
        int r0 = std::max(0, int(std::floor((minY - area.minY) / kCell - 0.5)));
        int r1 = std::min(rows - 1, int(std::ceil((maxY - area.minY) / kCell - 0.5)));
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                Vec2 q = cellCentre(c, r);
                double s[3];
                for (int k = 0; k < 3; ++k) {
                    Vec2 a = p[k], b = p[(k + 1) % 3];
                    s[k] = (b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x);
                }
                if ((s[0] >= 0 && s[1] >= 0 && s[2] >= 0) || (s[0] <= 0 && s[1] <= 0 && s[2] <= 0))
                    owner[size_t(r) * size_t(columns) + size_t(c)] = number;
            }
    }

    // Chamfer distance (3 per step, 4 per diagonal step) from each cell to the
    // nearest cell that borders another piece or nothing.
    std::vector<int> depth() const {
        std::vector<int> d(owner.size(), INT_MAX / 2);
        auto at = [&](int c, int r) { return size_t(r) * size_t(columns) + size_t(c); };
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                int o = owner[at(c, r)];
                bool edge = o == 0 || c == 0 || r == 0 || c == columns - 1 || r == rows - 1 ||
                            owner[at(c - 1, r)] != o || owner[at(c + 1, r)] != o ||
                            owner[at(c, r - 1)] != o || owner[at(c, r + 1)] != o;
                if (edge)
                    d[at(c, r)] = 0;
            }
        for (int r = 1; r < rows; ++r)
            for (int c = 1; c + 1 < columns; ++c) {
                int& v = d[at(c, r)];
                v = std::min({v, d[at(c - 1, r)] + 3, d[at(c, r - 1)] + 3, d[at(c - 1, r - 1)] + 4,
                              d[at(c + 1, r - 1)] + 4});
            }
        for (int r = rows - 2; r >= 0; --r)
            for (int c = columns - 2; c >= 1; --c) {
                int& v = d[at(c, r)];
                v = std::min({v, d[at(c + 1, r)] + 3, d[at(c, r + 1)] + 3, d[at(c + 1, r + 1)] + 4,
                              d[at(c - 1, r + 1)] + 4});
            }
        return d;
    }
};

// Where a piece shows best in one view: the cell deepest inside its visible
// part, the radius of free room there, and how many cells it shows.
struct Visible {
    int view = 0;
    Vec2 centre;
    double room = 0.0;
    size_t cells = 0;
};

void findVisible(const Raster& raster, int view, std::map<int, std::vector<Visible>>& seen) {
    std::vector<int> depth = raster.depth();
    std::map<int, std::pair<size_t, size_t>> deepest;  // number: cell, cells shown
    for (size_t i = 0; i < depth.size(); ++i) {
        int o = raster.owner[i];
        if (o == 0)
            continue;
        auto [found, added] = deepest.try_emplace(o, i, 0);
        if (!added && depth[i] > depth[found->second.first])
            found->second.first = i;
        ++found->second.second;
    }
    for (const auto& [number, at] : deepest)
        seen[number].push_back({view,
                                raster.cellCentre(int(at.first % size_t(raster.columns)),
                                                  int(at.first / size_t(raster.columns))),
                                depth[at.first] / 3.0 * kCell, at.second});
}

Label pieceNumber(int number, Vec2 centre, double size) {
    return makeLabel(std::to_string(number), LabelKind::Net, LabelFont::Bold, size, centre, 0.0);
}

bool clearOf(const Label& label, const std::vector<Label>& placed) {
    constexpr double kClearance = 0.3;  // mm between two numbers
    for (const Label& other : placed)
        if (std::abs(label.centre.x - other.centre.x) <
                (label.width + other.width) / 2 + kClearance &&
            std::abs(label.centre.y - other.centre.y) <
                (label.height + other.height) / 2 + kClearance)
            return false;
    return true;
}

// Each piece's number where it shows, as large as fits inside what shows of
// it; a piece that nowhere has room for its number gets it at the smallest
// size in the view that shows most of it, where it covers no other number.
void numberPieces(const std::map<int, std::vector<Visible>>& seen, std::vector<Label>& labels,
                  std::set<int>& numbered) {
    std::vector<Label> fitted;
    for (const auto& [number, views] : seen)
        for (const Visible& v : views) {
            Label unit = pieceNumber(number, v.centre, 1.0);
            double size =
                std::min(kMapNumberMax, v.room / (std::hypot(unit.width, unit.height) / 2));
            if (size < kMapNumberMin)
                continue;
            fitted.push_back(pieceNumber(number, v.centre, size));
            numbered.insert(number);
        }
    for (const auto& [number, views] : seen) {
        if (numbered.count(number))
            continue;
        const Visible* best = &views.front();
        for (const Visible& v : views)
            if (v.cells > best->cells)
                best = &v;
        Label label = pieceNumber(number, best->centre, kMapNumberMin);
        if (!clearOf(label, fitted))
            continue;
        fitted.push_back(label);
        numbered.insert(number);
    }
    labels.insert(labels.end(), fitted.begin(), fitted.end());
}

}  // namespace

Colour pieceColour(int number) {
    // Hues a golden angle apart; light and soft, so black numbers read on them.
    double hue = std::fmod(number * 0.6180339887498949, 1.0) * 6.0;
    double saturation = 0.38, value = 0.98;
    int sector = int(hue) % 6;
    double f = hue - std::floor(hue);
    double p = value * (1 - saturation), q = value * (1 - saturation * f),
           t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0:
        return {value, t, p};
    case 1:
        return {q, value, p};
    case 2:
        return {p, value, t};
    case 3:
        return {p, q, value};
    case 4:
        return {t, p, value};
    default:
        return {value, p, q};
    }
}

MapSummary addAssemblyMap(const std::vector<ModelTriangle>& model, Layout& layout,
                          const LayoutOptions& options) {
    std::map<unsigned, int> numberOf;
    for (const Page& page : layout.pages)
        for (const PlacedNet& placed : page.nets)
            numberOf[placed.geometry.container] = placed.number;

    Page map;
    map.width = options.pageWidth;
    map.height = options.pageHeight;
    Box area = printableArea(map, options);

    Extent right[4], up[4];
    for (const ModelTriangle& t : model)
        for (int k = 0; k < 3; ++k)
            for (int v = 0; v < 4; ++v) {
                right[v].add(dot(corner(t, k), kViews[v].right));
                up[v].add(dot(corner(t, k), kViews[v].up));
            }
    // One scale for all four views, so that they show one model, and the
    // grid of views (two by two, a row or a column) that makes it largest.
    double scale = 0.0, cellW = 0.0, cellH = 0.0;
    int columns = 2;
    for (int tryColumns : {2, 4, 1}) {
        int tryRows = 4 / tryColumns;
        double w = (area.width() - (tryColumns - 1) * kViewGap) / tryColumns;
        double h = (area.height() - (tryRows - 1) * kViewGap) / tryRows - kCaptionSize * 1.5;
        double fit = 1e300;
        for (int v = 0; v < 4; ++v) {
            if (right[v].size() > 0)
                fit = std::min(fit, w / right[v].size());
            if (up[v].size() > 0)
                fit = std::min(fit, h / up[v].size());
        }
        if (!(fit < 1e300))
            fit = 1.0;
        if (w > 0 && h > 0 && fit > scale * 1.05) {
            scale = fit;
            columns = tryColumns;
            cellW = w;
            cellH = h;
        }
    }

    MapSummary summary;
    std::set<int> shown, numbered;
    std::map<int, std::vector<Visible>> seen;
    // Each triangle's unit normal and piece number, the same in every view;
    // a degenerate triangle's zero normal faces no view.
    std::vector<Vec3> normals(model.size());
    std::vector<int> numbers(model.size(), 0);
    for (size_t i = 0; i < model.size(); ++i) {
        const ModelTriangle& t = model[i];
        Vec3 n = cross(minus(corner(t, 1), corner(t, 0)), minus(corner(t, 2), corner(t, 0)));
        double length = std::sqrt(dot(n, n));
        if (length > 0.0)
            normals[i] = {n.x / length, n.y / length, n.z / length};
        if (auto found = numberOf.find(t.container); found != numberOf.end())
            numbers[i] = found->second;
    }
    for (int v = 0; v < 4; ++v) {
        const View& view = kViews[v];
        double left = area.minX + (v % columns) * (cellW + kViewGap);
        double top = area.minY + (v / columns) * (cellH + kCaptionSize * 1.5 + kViewGap);
        map.mapLabels.push_back(makeLabel(view.name, LabelKind::Page, LabelFont::Regular,
                                          kCaptionSize, {left + cellW / 2, top + kCaptionSize / 2},
                                          0.0));
        Frame frame;
        frame.scale = scale;
        frame.midRight = right[v].mid();
        frame.midUp = up[v].mid();
        frame.centre = {left + cellW / 2, top + kCaptionSize * 1.5 + cellH / 2};

        // Faces turned away are dropped; the rest drawn farthest first.
        std::vector<std::pair<double, size_t>> order;
        for (size_t i = 0; i < model.size(); ++i) {
            const ModelTriangle& t = model[i];
            if (!(dot(normals[i], view.toward) < 0.0) || numbers[i] == 0)
                continue;
            double depth = 0.0;
            for (int k = 0; k < 3; ++k)
                depth += dot(corner(t, k), view.toward);
            order.push_back({-depth, i});
        }
        std::sort(order.begin(), order.end());

        Box box{left, top + kCaptionSize * 1.5, left + cellW, top + kCaptionSize * 1.5 + cellH};
        Raster raster(box);
        for (const auto& [negDepth, i] : order) {
            const ModelTriangle& t = model[i];
            int number = numbers[i];
            MapFace face;
            for (int k = 0; k < 3; ++k) {
                face.p[k] = frame.place(view, corner(t, k));
                face.outline[k] = t.cut[k];
            }
            face.fill = shaded(pieceColour(number), -dot(normals[i], view.toward));
            raster.fill(face.p, number);
            map.mapFaces.push_back(face);
            shown.insert(number);
        }
        findVisible(raster, v, seen);
    }
    numberPieces(seen, map.mapLabels, numbered);
    summary.netsShown = int(shown.size());
    summary.netsNumbered = int(numbered.size());
    layout.pages.insert(layout.pages.begin(), std::move(map));
    numberPages(layout, options);
    return summary;
}

}  // namespace sheet
