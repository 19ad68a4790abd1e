#include "layout.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "footprint.h"
#include "packing.h"
#include "shape_packing.h"

namespace sheet {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNumberClearance = 0.8;  // between a net's number and the net
// The true-shape packer's raster: finer packs tighter, coarser packs faster.
constexpr double kPackingCell = 0.5;  // mm
// Numbers and leader lines are not cut: they need only keep clear of
// another net's numbers and cut lines, not the whole cutting gap.
constexpr double kPrintPad = 0.4;  // mm
// Packed densely, each net is tried in this many turns evenly spaced over a
// whole turn (a multiple of 4, so that quarter turns are among them), in
// up to this many orders, fewer for many nets: each order costs a packing.
constexpr int kDenseTurns = 48;
constexpr int kDenseOrders = 20;
constexpr int kDenseNetOrders = 2000;  // nets times orders at most
// Nested nets stand close to each other, so a smaller number tells them
// apart as well; it is the glue numbers' largest size, in bold.
constexpr double kNestedNumberSize = kGlueSizeMax;

double bottomBand(const LayoutOptions& options) {
    return options.frame().bottom();
}

// The scene's y axis points up, the page's down: mirror, which keeps the
// faces seen from the side their normals point to.
void toPageFrame(Net& net) {
    for (Face& face : net.faces)
        for (Vec2& p : face.p)
            p.y = -p.y;
    for (Lug& lug : net.lugs)
        for (Vec2& p : lug.p)
            p.y = -p.y;
}

template <typename Fn>
void forEachPoint(PlacedNet& placed, Fn fn) {
    for (Face& face : placed.geometry.faces)
        for (Vec2& p : face.p)
            p = fn(p);
    for (Lug& lug : placed.geometry.lugs)
        for (Vec2& p : lug.p)
            p = fn(p);
    for (Label& label : placed.labels) {
        label.centre = fn(label.centre);
        label.leaderFrom = fn(label.leaderFrom);
        label.leaderTo = fn(label.leaderTo);
    }
}

Box boxOfNet(const PlacedNet& placed) {
    Box box = boxOf(placed.geometry);
    for (const Label& label : placed.labels)
        for (Vec2 p : labelCorners(label))
            box.add(p);
    return box;
}

// A turned net's number reads upright again where the turn took it.
void uprightNumber(PlacedNet& placed) {
    for (Label& label : placed.labels)
        if (label.kind == LabelKind::Net) {
            label = makeLabel(label.text, LabelKind::Net, LabelFont::Bold, label.size, label.centre,
                              0.0);
            label.spot = LabelSpot::Beside;
        }
}

Label netNumberLabel(int number);
Label nestedNumberLabel(int number);
double bandHeight(const Label& number);

// Where the glue numbers of a net that fits the printable area, upright or
// turned, may stand off it and still leave it fitting; none for a net too
// large either way. The net's number adds a band above the net: on the page
// when nets are packed as boxes, in the net's own frame (turning with it)
// when they are packed by shape.
std::optional<Box> roomForNumbers(const Box& box, int number, const Layout& layout,
                                  Packing packing) {
    bool byShape = packing != Packing::Boxes;
    Label label = byShape ? nestedNumberLabel(number) : netNumberLabel(number);
    double band =
        byShape ? kNumberClearance + std::max(label.width, label.height) : bandHeight(label);
    double W = layout.printableWidth, H = layout.printableHeight;
    double w = box.width(), h = box.height();
    double dx, dy;
    if (w <= W && h + band <= H) {
        dx = W - w;
        dy = H - band - h;
    } else if (byShape && h + band <= W && w <= H) {
        dx = H - w;
        dy = W - band - h;
    } else if (!byShape && h <= W && w + band <= H) {
        dx = H - band - w;
        dy = W - h;
    } else
        return std::nullopt;
    return Box{box.minX - dx / 2, box.minY - dy / 2, box.maxX + dx / 2, box.maxY + dy / 2};
}

// The net in its own frame: mirrored, labelled, its box starting at 0, 0.
// Numbers off the net's edges may widen it beyond the printable area that
// the net itself fits (a net grown to the page's limit does): then they are
// placed again, kept within the room the page leaves.
PlacedNet prepareNet(Net&& net, unsigned index, int number, const Layout& layout, Packing packing) {
    PlacedNet placed;
    placed.netIndex = index;
    placed.number = number;
    placed.geometry = std::move(net);
    toPageFrame(placed.geometry);
    placed.labels = placeGlueLabels(placed.geometry);
    Box box = boxOfNet(placed);
    std::optional<Box> room = roomForNumbers(boxOf(placed.geometry), number, layout, packing);
    if (room && !roomForNumbers(box, number, layout, packing)) {
        placed.labels = placeGlueLabels(placed.geometry, GlueSearch::Fast, room);
        box = boxOfNet(placed);
    }
    forEachPoint(placed, [&](Vec2 p) { return Vec2{p.x - box.minX, p.y - box.minY}; });
    placed.box = {0.0, 0.0, box.width(), box.height()};
    return placed;
}

// The net's number reads upright above it, whichever way the net is turned:
// the packer keeps a band for it in both orientations.
Label netNumberLabel(int number) {
    return makeLabel(std::to_string(number), LabelKind::Net, LabelFont::Bold, kNetNumberSize, {},
                     0.0);
}

Label nestedNumberLabel(int number) {
    return makeLabel(std::to_string(number), LabelKind::Net, LabelFont::Bold, kNestedNumberSize, {},
                     0.0);
}

double bandHeight(const Label& number) {
    return number.height + 2 * kNumberClearance;
}

PackItem packItem(const PlacedNet& placed, const Label& number) {
    double w = placed.box.width(), h = placed.box.height(), band = bandHeight(number);
    return {std::max(w, number.width), h + band, std::max(h, number.width), w + band};
}

// Labels keep reading upright whichever way their net turns.
void turnLabels(PlacedNet& placed, double angle = kPi / 2) {
    for (Label& label : placed.labels) {
        Label turned = makeLabel(label.text, label.kind, label.font, label.size, label.centre,
                                 label.angle + angle);
        turned.spot = label.spot;
        turned.face = label.face;
        turned.edgeFace = label.edgeFace;
        turned.edge = label.edge;
        turned.leader = label.leader;
        turned.leaderFrom = label.leaderFrom;
        turned.leaderTo = label.leaderTo;
        label = turned;
    }
}

// A quarter turn clockwise on the page, keeping the box at 0, 0.
void turn(PlacedNet& placed) {
    double height = placed.box.height();
    forEachPoint(placed, [&](Vec2 p) { return Vec2{height - p.y, p.x}; });
    turnLabels(placed);
    placed.box = {0.0, 0.0, placed.box.height(), placed.box.width()};
    placed.turned = true;
}

// A quarter turn clockwise about the page's origin.
void turnAboutOrigin(PlacedNet& placed) {
    forEachPoint(placed, [&](Vec2 p) { return Vec2{-p.y, p.x}; });
    turnLabels(placed);
}

// `angle` radians clockwise about the page's origin.
void turnAboutOrigin(PlacedNet& placed, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    forEachPoint(placed, [&](Vec2 p) { return Vec2{c * p.x - s * p.y, s * p.x + c * p.y}; });
    turnLabels(placed, angle);
}

void moveTo(PlacedNet& placed, double x, double y) {
    forEachPoint(placed, [&](Vec2 p) { return Vec2{p.x + x, p.y + y}; });
    placed.box = {x, y, x + placed.box.width(), y + placed.box.height()};
}

Page makePage(const PackPage& packed, const LayoutOptions& options) {
    Page page;
    page.oversize = packed.oversize;
    page.width = packed.oversize ? packed.width + 2 * options.margin : options.pageWidth;
    page.height =
        packed.oversize ? packed.height + options.margin + bottomBand(options) : options.pageHeight;
    return page;
}

void addToPage(Layout& layout, int index, PlacedNet&& placed) {
    Page& page = layout.pages[size_t(index)];
    if (page.oversize)
        layout.oversize.push_back(
            {placed.number, placed.geometry.container, placed.box.width(), placed.box.height()});
    page.nets.push_back(std::move(placed));
}

// Each net in its box, with a band above it for its number.
void packBoxes(std::vector<PlacedNet>& nets, const LayoutOptions& options, Layout& layout) {
    std::vector<Label> numbers;
    std::vector<PackItem> items;
    for (const PlacedNet& placed : nets) {
        numbers.push_back(netNumberLabel(placed.number));
        items.push_back(packItem(placed, numbers.back()));
    }
    PackResult packed =
        packRectangles(items, layout.printableWidth, layout.printableHeight, options.netGap);

    for (const PackPage& p : packed.pages)
        layout.pages.push_back(makePage(p, options));
    for (size_t i = 0; i < nets.size(); ++i) {
        const PackPlacement& at = packed.placements[i];
        PlacedNet& placed = nets[i];
        Label& number = numbers[i];
        if (at.turned)
            turn(placed);
        double x = options.margin + at.x, y = options.margin + at.y;
        moveTo(placed, x, y + bandHeight(number));
        number.centre = {x + number.width / 2, y + number.height / 2};
        number.spot = LabelSpot::Beside;
        placed.labels.push_back(number);
        placed.box.add(Vec2{x, y});
        placed.box.add(Vec2{x + number.width, y});
        addToPage(layout, at.page, std::move(placed));
    }
}

// The box of an upright label centred on `c`.
Piece uprightBox(const Label& label, Vec2 c) {
    double w = label.width / 2, h = label.height / 2;
    return {{{c.x - w, c.y - h}, {c.x + w, c.y - h}, {c.x + w, c.y + h}, {c.x - w, c.y + h}}, 4};
}

// The net's number just above its topmost point, where nothing of the net
// is, and as far from it as half its longer side: turned with the net to
// any side, it can stand upright there (and half its diagonal where it
// turns by other than quarter turns: its corner reaches furthest then).
Label numberAbove(int netNumber, const std::vector<Piece>& pieces, bool quarters) {
    Label number = nestedNumberLabel(netNumber);
    number.spot = LabelSpot::Beside;
    Vec2 top{0.0, INFINITY};
    for (const Piece& piece : pieces)
        for (int k = 0; k < piece.count; ++k)
            if (piece.p[k].y < top.y)
                top = piece.p[k];
    double half = quarters ? std::max(number.width, number.height) / 2
                           : std::hypot(number.width, number.height) / 2;
    number.centre = {top.x, top.y - kNumberClearance - half};
    return number;
}

// The packer keeps half the gap between nets around each one, also along
// the page's edge; a net as large as the printable area then fits no page.
// Alone on a page it needs no gap: it takes one if it fits upright or turned
// (its number upright above it either way), and is left turned if it must.
bool fitsAlone(PlacedNet& placed, const Layout& layout) {
    auto fits = [&](const PlacedNet& net) {
        Box box = boxOfNet(net);
        return box.width() <= layout.printableWidth && box.height() <= layout.printableHeight;
    };
    if (fits(placed))
        return true;
    PlacedNet turned = placed;
    turnAboutOrigin(turned);
    uprightNumber(turned);
    if (!fits(turned))
        return false;
    placed = std::move(turned);
    placed.turned = true;
    return true;
}

// `p` turned by `t` of `count` evenly spaced turns clockwise; quarter
// turns exactly, so that packing in quarter turns gives the same shapes
// however many turns there are.
Vec2 turnedBy(Vec2 p, int t, int count) {
    int quarter = count / 4;
    if (t % quarter == 0) {
        for (int k = 0; k < t / quarter; ++k)
            p = {-p.y, p.x};
        return p;
    }
    double angle = 2.0 * kPi * t / count, c = std::cos(angle), s = std::sin(angle);
    return {c * p.x - s * p.y, s * p.x + c * p.y};
}

// The net turned as `turnedBy` turns its pieces, labels reading as before.
void turnPlaced(PlacedNet& placed, int t, int count) {
    int quarter = count / 4;
    if (t % quarter == 0) {
        for (int k = 0; k < t / quarter; ++k)
            turnAboutOrigin(placed);
        return;
    }
    turnAboutOrigin(placed, 2.0 * kPi * t / count);
}

// The nets' footprints in `count` turns evenly spaced over a whole turn,
// each with its number above it, and where each footprint's cell 0, 0 lies
// in the net's own frame.
struct DrawnNets {
    int count = 4;
    std::vector<ShapeItem> items;
    std::vector<std::vector<Vec2>> origins;
    std::vector<Label> numbers;
};

DrawnNets drawNets(const std::vector<PlacedNet>& nets, int count, const LayoutOptions& options) {
    // Turns drawn: those of the first half turn; the other half are these
    // turned by half a turn, which keeps the upright number upright.
    const int drawn = count / 2;
    DrawnNets out{count,
                  std::vector<ShapeItem>(nets.size()),
                  std::vector<std::vector<Vec2>>(nets.size(), std::vector<Vec2>(size_t(count))),
                  {}};
    for (size_t i = 0; i < nets.size(); ++i) {
        std::vector<Piece> pieces = piecesOf(nets[i]);
        const Label& number =
            out.numbers.emplace_back(numberAbove(nets[i].number, pieces, count == 4));
        pieces.push_back(uprightBox(number, number.centre));
        pieces.back().printed = true;
        const std::vector<Piece> upright = pieces;
        out.items[i].turns.resize(size_t(drawn));
        for (int t = 0; t < drawn; ++t) {
            for (size_t k = 0; k < pieces.size(); ++k)
                for (int c = 0; c < pieces[k].count; ++c)
                    pieces[k].p[c] = turnedBy(upright[k].p[c], t, count);
            pieces.back() = uprightBox(number, turnedBy(number.centre, t, count));
            pieces.back().printed = true;
            Vec2& origin = out.origins[i][size_t(t)];
            const CellShape& cells = out.items[i].turns[size_t(t)] =
                footprintCells(pieces, kPackingCell, options.netGap / 2, kPrintPad, origin);
            // (x, y) -> (-x, -y) takes the cells' far corner to their origin
            out.origins[i][size_t(t + drawn)] = {-(origin.x + cells.columns * kPackingCell),
                                                 -(origin.y + cells.rows * kPackingCell)};
        }
    }
    return out;
}

// Every net by its true shape, in the turn that puts it topmost, then
// leftmost, on the first page with room for it. Densely, it is also tried
// at every angle of `kDenseTurns` in several orders, the tighter packing
// kept: never more pages than in quarter turns.
void packTrueShapes(std::vector<PlacedNet>& nets, const LayoutOptions& options, Layout& layout) {
    int columns = int(std::floor(layout.printableWidth / kPackingCell));
    int rows = int(std::floor(layout.printableHeight / kPackingCell));
    DrawnNets drawn = drawNets(nets, 4, options);
    ShapePackResult packed = packShapes(std::move(drawn.items), columns, rows);
    if (options.packing == Packing::Dense) {
        DrawnNets turned = drawNets(nets, kDenseTurns, options);
        int orders = std::clamp(kDenseNetOrders / std::max(1, int(nets.size())), 1, kDenseOrders);
        ShapePackResult tighter = packShapes(std::move(turned.items), columns, rows, orders);
        if (packsTighter(tighter, packed)) {
            packed = std::move(tighter);
            drawn = std::move(turned);
        }
    }
    // A net too large for the page in quarter turns may fit it at another
    // angle: a person is told what would print it whole.
    std::vector<bool> fitsTurned(nets.size(), false);
    if (options.packing != Packing::Dense)
        for (size_t i = 0; i < nets.size(); ++i)
            if (packed.placements[i].oversize) {
                DrawnNets alone = drawNets({nets[i]}, kDenseTurns, options);
                fitsTurned[i] =
                    !packShapes(std::move(alone.items), columns, rows).placements[0].oversize;
            }
    const int count = drawn.count;
    for (size_t i = 0; i < nets.size(); ++i)
        nets[i].labels.push_back(drawn.numbers[i]);
    const std::vector<std::vector<Vec2>>& origins = drawn.origins;

    PackPage normal{layout.printableWidth, layout.printableHeight, false};
    layout.pages.assign(size_t(packed.pages), makePage(normal, options));
    for (size_t i = 0; i < nets.size(); ++i) {
        const ShapePlacement& at = packed.placements[i];
        PlacedNet& placed = nets[i];
        if (at.oversize && !fitsAlone(placed, layout)) {
            Box box = boxOfNet(placed);
            layout.pages[at.page] = makePage({box.width(), box.height(), true}, options);
            moveTo(placed, options.margin - box.minX, options.margin - box.minY);
        } else if (at.oversize) {
            Box box = boxOfNet(placed);
            moveTo(placed, options.margin - box.minX, options.margin - box.minY);
        } else {
            turnPlaced(placed, at.turns, count);
            placed.turned = at.turns != 0;
            Vec2 origin = origins[i][size_t(at.turns)];
            moveTo(placed, options.margin + at.column * kPackingCell - origin.x,
                   options.margin + at.row * kPackingCell - origin.y);
        }
        uprightNumber(placed);
        placed.box = boxOfNet(placed);
        bool oversize = layout.pages[at.page].oversize;
        addToPage(layout, at.page, std::move(placed));
        if (oversize)
            layout.oversize.back().fitsTurned = fitsTurned[i];
    }
}

double roundedTo(double value, double step) {
    return std::round(value / step) * step;
}

bool checkOptions(const LayoutOptions& options, std::string& error) {
    double areaW = options.frame().printableWidth();
    double areaH = options.frame().printableHeight();
    if (!std::isfinite(options.pageWidth) || !std::isfinite(options.pageHeight) ||
        !std::isfinite(options.margin) || options.margin < 0.0 || !(options.netGap >= 0.0)) {
        error = "page size and margin must be finite and not negative";
        return false;
    }
    if (!(areaW > 0.0) || !(areaH > 0.0)) {
        error = "the margins leave no printable area on the page";
        return false;
    }
    return true;
}

}  // namespace

NetPlace roundedPlace(const NetPlace& place) {
    constexpr double kStep = 1e-3;
    double turn = roundedTo(std::fmod(std::fmod(place.turn, 360.0) + 360.0, 360.0), kStep);
    return {place.page, roundedTo(place.x, kStep), roundedTo(place.y, kStep),
            turn >= 360.0 ? 0.0 : turn};
}

NetPlace placeOf(const PlacedNet& placed, int page) {
    const Face& first = placed.geometry.faces.front();
    Vec2 a = first.p[0], b = first.p[1];
    return roundedPlace({page, a.x, a.y, std::atan2(b.y - a.y, b.x - a.x) * 180.0 / kPi});
}

PlacedNet placeNet(Net net, unsigned netIndex, int number, const NetPlace& place) {
    PlacedNet placed;
    placed.netIndex = netIndex;
    placed.number = number;
    placed.geometry = std::move(net);
    toPageFrame(placed.geometry);
    const Face& first = placed.geometry.faces.front();
    Vec2 from = first.p[0];
    double angle =
        place.turn * kPi / 180.0 - std::atan2(first.p[1].y - from.y, first.p[1].x - from.x);
    double c = std::cos(angle), s = std::sin(angle);
    forEachPoint(placed, [&](Vec2 p) {
        double x = p.x - from.x, y = p.y - from.y;
        return Vec2{place.x + c * x - s * y, place.y + s * x + c * y};
    });
    placed.labels = placeGlueLabels(placed.geometry);
    placed.labels.push_back(numberAbove(placed.number, piecesOf(placed), true));
    placed.box = boxOfNet(placed);
    return placed;
}

Box printableArea(const Page& page, const LayoutOptions& options) {
    return {options.margin, options.margin, page.width - options.margin,
            page.height - bottomBand(options)};
}

void numberPages(Layout& layout, const LayoutOptions& options) {
    int count = int(layout.pages.size());
    for (int i = 0; i < count; ++i) {
        Page& page = layout.pages[i];
        std::string text = std::to_string(i + 1) + " / " + std::to_string(count);
        Vec2 centre{page.width / 2, page.height - bottomBand(options) / 2};
        page.number =
            makeLabel(text, LabelKind::Page, LabelFont::Regular, kPageNumberSize, centre, 0.0);
    }
}

bool layoutSheet(const Sheet& sheet, const LayoutOptions& options, Layout& layout,
                 std::string& error) {
    std::vector<Net> nets = sheet.nets;
    return layoutSheet(std::move(nets), options, layout, error);
}

bool layoutSheet(std::vector<Net>&& sheetNets, const LayoutOptions& options, Layout& layout,
                 std::string& error) {
    if (!checkOptions(options, error))
        return false;
    layout = Layout{};
    layout.printableWidth = options.frame().printableWidth();
    layout.printableHeight = options.frame().printableHeight();

    std::vector<PlacedNet> nets;
    for (unsigned i = 0; i < sheetNets.size(); ++i)
        if (!sheetNets[i].faces.empty())
            nets.push_back(prepareNet(std::move(sheetNets[i]), i, int(nets.size()) + 1, layout,
                                      options.packing));
    std::vector<Net>().swap(sheetNets);  // emptied shells
    if (options.packing == Packing::Boxes)
        packBoxes(nets, options, layout);
    else
        packTrueShapes(nets, options, layout);
    numberPages(layout, options);
    return true;
}

}  // namespace sheet
