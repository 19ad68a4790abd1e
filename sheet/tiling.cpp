#include "tiling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "seams.h"

namespace sheet {

namespace {

// Lines reach this far past the geometry they follow (half a cut line, a
// seam's tick): what lies this close to a window is drawn on its tile, and
// the clip cuts it off at the window's border.
constexpr double kLineReach = 2.0;
// The caption stands in the footer, left of the page number, at the page
// number's size unless a narrow page needs it smaller.
constexpr double kCaptionSizeMin = 2.0;
constexpr double kCaptionGap = 3.0;  // mm between the caption and the page number
const char* const kWidestPageNumber = "8888 / 8888";

// The windows over an oversize page's nets, in that page's frame.
struct Grid {
    double left = 0.0, top = 0.0;      // the first window's corner
    double width = 0.0, height = 0.0;  // of a window: the printable area
    double overlap = 0.0;
    int columns = 1, rows = 1;

    Box window(int row, int column) const {
        double x = left + column * (width - overlap), y = top + row * (height - overlap);
        return {x, y, x + width, y + height};
    }
};

// Windows of `window` that cover `extent`, each starting `overlap` before
// the previous one ends.
int windowsAlong(double extent, double window, double overlap) {
    if (extent <= window)
        return 1;
    return 1 + int(std::ceil((extent - window) / (window - overlap) - 1e-9));
}

Grid gridOver(const Box& content, const Box& area) {
    Grid grid;
    grid.left = content.minX;
    grid.top = content.minY;
    grid.width = area.width();
    grid.height = area.height();
    // A page too small for the usual overlap still advances by most of itself.
    grid.overlap = std::min(kTileOverlap, std::min(grid.width, grid.height) / 4);
    grid.columns = windowsAlong(content.width(), grid.width, grid.overlap);
    grid.rows = windowsAlong(content.height(), grid.height, grid.overlap);
    return grid;
}

std::array<Vec2, 4> cornersOf(const Box& box) {
    return {Vec2{box.minX, box.minY}, Vec2{box.maxX, box.minY}, Vec2{box.maxX, box.maxY},
            Vec2{box.minX, box.maxY}};
}

bool meets(std::span<const Vec2> shape, const Box& box) {
    return boxesOverlap(boxOf(shape), box, 0.0);
}

// Whether any face, tab or number of the net shows inside the window.
bool showsIn(const PlacedNet& net, const Box& window) {
    std::array<Vec2, 4> frame = cornersOf(window);
    for (const Face& face : net.geometry.faces)
        if (meets(face.p, window) && convexOverlap(face.p, frame, 0.0))
            return true;
    for (const Lug& lug : net.geometry.lugs)
        if (meets(lug.p, window) && convexOverlap(lug.p, frame, 0.0))
            return true;
    for (const Label& label : net.labels) {
        std::array<Vec2, 4> corners = labelCorners(label);
        if (meets(corners, window) && convexOverlap(corners, frame, 0.0))
            return true;
    }
    return false;
}

// The part of a net drawn on the tile of `reach`: the faces, tabs and
// numbers that come near it, with every face they name; the faces keep their
// order, so they draw as they would on one page.
PlacedNet partNear(const PlacedNet& net, const Box& reach) {
    const std::vector<Face>& faces = net.geometry.faces;
    std::vector<char> needed(faces.size(), 0);
    auto need = [&](int face) {
        if (face >= 0 && size_t(face) < faces.size())
            needed[size_t(face)] = 1;
    };
    for (size_t f = 0; f < faces.size(); ++f)
        if (meets(faces[f].p, reach))
            needed[f] = 1;
    std::vector<const Lug*> lugs;
    for (const Lug& lug : net.geometry.lugs)
        if (meets(lug.p, reach)) {
            lugs.push_back(&lug);
            need(int(lug.face));
        }
    std::vector<const Label*> labels;
    for (const Label& label : net.labels) {
        Box leader;
        if (label.leader) {
            leader.add(label.leaderFrom);
            leader.add(label.leaderTo);
        }
        if (meets(labelCorners(label), reach) ||
            (label.leader && boxesOverlap(leader, reach, 0.0))) {
            labels.push_back(&label);
            need(label.face);
            need(label.edgeFace);
        }
    }

    PlacedNet part;
    part.netIndex = net.netIndex;
    part.number = net.number;
    part.turned = net.turned;
    part.box = net.box;
    part.geometry.container = net.geometry.container;
    std::vector<int> index(faces.size(), -1);
    for (size_t f = 0; f < faces.size(); ++f)
        if (needed[f]) {
            index[f] = int(part.geometry.faces.size());
            part.geometry.faces.push_back(faces[f]);
        }
    auto renumber = [&](int face) {
        return face >= 0 && size_t(face) < faces.size() ? index[size_t(face)] : -1;
    };
    for (const Lug* lug : lugs) {
        part.geometry.lugs.push_back(*lug);
        part.geometry.lugs.back().face = unsigned(renumber(int(lug->face)));
    }
    for (const Label* label : labels) {
        part.labels.push_back(*label);
        if (label->kind == LabelKind::Glue && label->edgeFace >= 0 &&
            size_t(label->edgeFace) < faces.size())
            part.labels.back().seam = seamSidePoints(net.geometry, label->edgeFace, label->edge);
        part.labels.back().face = renumber(label->face);
        part.labels.back().edgeFace = renumber(label->edgeFace);
    }
    return part;
}

Vec2 shifted(Vec2 p, Vec2 by) {
    return {p.x + by.x, p.y + by.y};
}

void shift(PlacedNet& net, Vec2 by) {
    for (Face& face : net.geometry.faces)
        for (Vec2& p : face.p)
            p = shifted(p, by);
    for (Lug& lug : net.geometry.lugs)
        for (Vec2& p : lug.p)
            p = shifted(p, by);
    for (Label& label : net.labels) {
        label.centre = shifted(label.centre, by);
        label.leaderFrom = shifted(label.leaderFrom, by);
        label.leaderTo = shifted(label.leaderTo, by);
        for (Vec2& p : label.seam)
            p = shifted(p, by);
    }
    net.box = {net.box.minX + by.x, net.box.minY + by.y, net.box.maxX + by.x, net.box.maxY + by.y};
}

struct Place {
    int row = 0, column = 0;
};

// Crosses on the middle lines of the strips a window shares with the
// neighbours that are printed, at both ends and halfway along: each lies at
// the same place of the net on both sheets, so two sheets line up by laying
// their crosses on each other. In the frame of the oversize page.
std::vector<Segment> alignMarks(const Grid& grid, Place at, const std::vector<char>& printed) {
    auto prints = [&](int row, int column) {
        return row >= 0 && row < grid.rows && column >= 0 && column < grid.columns &&
               printed[size_t(row * grid.columns + column)];
    };
    Box window = grid.window(at.row, at.column);
    double half = grid.overlap / 2;
    double xs[3] = {window.minX + half, (window.minX + window.maxX) / 2, window.maxX - half};
    double ys[3] = {window.minY + half, (window.minY + window.maxY) / 2, window.maxY - half};
    bool marked[3][3] = {};  // [x][y]
    for (int k = 0; k < 3; ++k) {
        marked[0][k] |= prints(at.row, at.column - 1);
        marked[2][k] |= prints(at.row, at.column + 1);
        marked[k][0] |= prints(at.row - 1, at.column);
        marked[k][2] |= prints(at.row + 1, at.column);
    }
    std::vector<Segment> marks;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (marked[i][j]) {
                Vec2 c{xs[i], ys[j]};
                marks.push_back({{c.x - kAlignMarkHalf, c.y}, {c.x + kAlignMarkHalf, c.y}});
                marks.push_back({{c.x, c.y - kAlignMarkHalf}, {c.x, c.y + kAlignMarkHalf}});
            }
    return marks;
}

Label caption(int net, int sheet, int sheets, Place place, const Page& page, const Box& area) {
    std::string text = "net " + std::to_string(net) + ", sheet " + std::to_string(sheet) + " of " +
                       std::to_string(sheets) + " (row " + std::to_string(place.row + 1) +
                       ", column " + std::to_string(place.column + 1) + ")";
    double room = page.width / 2 -
                  measureText(kWidestPageNumber, kPageNumberSize, LabelFont::Regular).width / 2 -
                  kCaptionGap - area.minX;
    double width = measureText(text, kPageNumberSize, LabelFont::Regular).width;
    double size =
        width > room ? std::max(kCaptionSizeMin, kPageNumberSize * room / width) : kPageNumberSize;
    Label label = makeLabel(text, LabelKind::Page, LabelFont::Regular, size, {}, 0.0);
    // Level with the page number, in the band below the printable area.
    label.centre = {area.minX + label.width / 2, (area.maxY + page.height) / 2};
    return label;
}

std::vector<Page> tilesOf(const Page& oversize, const LayoutOptions& options) {
    Page blank;
    blank.width = options.pageWidth;
    blank.height = options.pageHeight;
    Box area = printableArea(blank, options);
    Box content;
    for (const PlacedNet& net : oversize.nets)
        content.add(net.box);
    Grid grid = gridOver(content, area);

    std::vector<Page> tiles;
    std::vector<Place> places;
    std::vector<char> printed(size_t(grid.rows * grid.columns), 0);
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column) {
            Box window = grid.window(row, column);
            if (std::none_of(oversize.nets.begin(), oversize.nets.end(),
                             [&](const PlacedNet& net) { return showsIn(net, window); }))
                continue;
            Box reach{window.minX - kLineReach, window.minY - kLineReach, window.maxX + kLineReach,
                      window.maxY + kLineReach};
            Page tile = blank;
            tile.clip = area;
            for (const PlacedNet& net : oversize.nets)
                tile.nets.push_back(partNear(net, reach));
            tiles.push_back(std::move(tile));
            places.push_back({row, column});
            printed[size_t(row * grid.columns + column)] = 1;
        }
    // Marks and captions once every tile is known to print or not.
    int number = oversize.nets.empty() ? 0 : oversize.nets.front().number;
    for (size_t i = 0; i < tiles.size(); ++i) {
        Box window = grid.window(places[i].row, places[i].column);
        Vec2 by{area.minX - window.minX, area.minY - window.minY};
        for (PlacedNet& net : tiles[i].nets)
            shift(net, by);
        for (const Segment& mark : alignMarks(grid, places[i], printed))
            tiles[i].alignMarks.push_back({shifted(mark.first, by), shifted(mark.second, by)});
        tiles[i].caption =
            caption(number, int(i) + 1, int(tiles.size()), places[i], tiles[i], area);
    }
    return tiles;
}

}  // namespace

void tileOversizePages(Layout& layout, const LayoutOptions& options) {
    std::vector<Page> pages;
    for (Page& page : layout.pages) {
        if (!page.oversize || page.nets.empty()) {
            pages.push_back(std::move(page));
            continue;
        }
        std::vector<Page> tiles = tilesOf(page, options);
        for (OversizeNet& net : layout.oversize)
            if (net.number == page.nets.front().number)
                net.sheets = int(tiles.size());
        for (Page& tile : tiles)
            pages.push_back(std::move(tile));
    }
    layout.pages = std::move(pages);
    numberPages(layout, options);
}

}  // namespace sheet
