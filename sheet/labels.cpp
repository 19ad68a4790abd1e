#include "labels.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <iterator>
#include <optional>
#include <span>

#include "common/box_grid.h"
#include "coverage.h"
#include "shapes.h"

namespace sheet {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLineClearance = 0.35;  // label to the lines around it, mm
constexpr double kLabelClearance = 0.3;  // label to label
constexpr double kEdgeOffset = 0.4;      // gap between an edge and its number
constexpr double kSizeStep = 0.25;

// Grid cells follow the net's own scale: a fixed cell on a net of tiny
// faces hands every query a crowd to test; too small a cell makes a
// label's box touch many cells.
constexpr double kGridCellMin = 2.0;  // mm
constexpr double kGridCellMax = 8.0;
constexpr double kBesideStep = 0.4;  // how far each ring of the search lies out
constexpr double kDenseStep = 0.1;   // the same in a crowded net, whose room is a narrow band
constexpr double kBesideSize = kGlueSizeMin + 0.5;  // a number beside its edge
constexpr double kLeaderHalfWidth = 0.1;            // the room a leader line keeps, either side
// A leader enters its edge over this last stretch (mm), where it may pass
// the faces beside the edge.
constexpr double kLeaderEntry = 0.3;
constexpr double kLeaderReach = 12.0;  // mm: how far a number with a leader should stray
constexpr double kReachStep = 1.0;     // mm between the spots tried when rays find none

enum class Obstacle : unsigned char { Face, Lug, Label };

// A label's corners relative to its centre, turned by its angle: a label
// tried at many positions turns its box once.
struct CornerOffsets {
    double uc[4], us[4], vs[4], vc[4];
};

CornerOffsets cornerOffsets(const Label& label) {
    double c = std::cos(label.angle), s = std::sin(label.angle);
    double hw = label.width / 2, hh = label.height / 2;
    const double u[4] = {-hw, hw, hw, -hw}, v[4] = {-hh, -hh, hh, hh};
    CornerOffsets o;
    for (int i = 0; i < 4; ++i) {
        o.uc[i] = u[i] * c;
        o.us[i] = u[i] * s;
        o.vs[i] = v[i] * s;
        o.vc[i] = v[i] * c;
    }
    return o;
}

std::array<Vec2, 4> cornersAt(const CornerOffsets& o, Vec2 centre) {
    std::array<Vec2, 4> corners;
    for (int i = 0; i < 4; ++i)
        corners[i] = {centre.x + o.uc[i] - o.vs[i], centre.y + o.us[i] + o.vc[i]};
    return corners;
}

// A face, tab or label box: at most four corners, kept inline so that
// testing a trial position allocates nothing.
struct Shape {
    std::array<Vec2, 4> p;
    unsigned char count = 0;
    Obstacle kind = Obstacle::Face;
    Box box;
    Axes axes;  // its own edge normals, with its extent along each

    std::span<const Vec2> corners() const { return {p.data(), count}; }
};

double gridCell(const Net& net);

kivano::GridBox gridBox(const Box& box) {
    return {box.minX, box.minY, box.maxX, box.maxY};
}

// Everything a new label must keep clear of, with a grid to find it fast.
struct Placer;
bool inBounds(const Placer& placer, const std::array<Vec2, 4>& box);

struct Placer {
    Placer(const Net& n, GlueSearch s, const std::optional<Box>& w)
        : net(n), search(s), within(w), grid(gridCell(n)) {}

    const Net& net;
    GlueSearch search;
    std::optional<Box> within;  // numbers off the net stay inside, where they can
    std::vector<Shape> shapes;  // faces, then lugs, then labels
    std::vector<Label> labels;
    Box all;
    kivano::BoxGrid grid;
    Coverage labelCover;  // inside some label
    Coverage anyCover;    // inside some label, face or tab
};

bool inBounds(const Placer& placer, const std::array<Vec2, 4>& box) {
    if (!placer.within)
        return true;
    const Box& w = *placer.within;
    for (Vec2 p : box)
        if (p.x < w.minX || p.x > w.maxX || p.y < w.minY || p.y > w.maxY)
            return false;
    return true;
}

// About the size of a face or tab of this net.
double gridCell(const Net& net) {
    double sum = 0.0;
    for (const Face& face : net.faces) {
        Box box = boxOf(face.p);
        sum += std::max(box.width(), box.height());
    }
    for (const Lug& lug : net.lugs) {
        Box box = boxOf(lug.p);
        sum += std::max(box.width(), box.height());
    }
    size_t count = net.faces.size() + net.lugs.size();
    double mean = count ? sum / double(count) : kGridCellMax;
    return std::clamp(2.0 * mean, kGridCellMin, kGridCellMax);
}

// To the nearest whole degree: no print shows the difference, and numbers
// at a few hundred angles share their turned fonts, where numbers each at an
// angle of its own make the writer build a font for every one.
double wholeDegrees(double angle) {
    const double degree = kPi / 180.0;
    return std::round(angle / degree) * degree;
}

double uprightAngle(double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    // Read left to right, or top to bottom on a vertical edge.
    if (c < -1e-9 || (std::fabs(c) <= 1e-9 && s < 0.0))
        angle += kPi;
    return wholeDegrees(std::remainder(angle, 2.0 * kPi));
}

void addObstacle(Placer& placer, std::span<const Vec2> corners, Obstacle kind) {
    assert(corners.size() >= 3 && corners.size() <= 4);
    Shape shape;
    std::copy(corners.begin(), corners.end(), shape.p.begin());
    shape.count = (unsigned char)corners.size();
    shape.kind = kind;
    shape.box = boxOf(corners);
    shape.axes = axesOf(corners);
    if (kind == Obstacle::Label)
        placer.labelCover.cover(corners);
    placer.anyCover.cover(corners);
    placer.grid.insert(uint32_t(placer.shapes.size()), gridBox(shape.box));
    placer.all.add(shape.box);
    placer.shapes.push_back(shape);
}

double clearanceTo(const Shape& shape) {
    return shape.kind == Obstacle::Label ? kLabelClearance : kLineClearance;
}

// A label box holding a point inside a covered cell overlaps what covers it.
// Points spread over the box, the centre first, turn down most trial
// positions in a crowd before any polygon test. Gives the first such point.
std::optional<Vec2> coveredPoint(const Coverage& cover, std::span<const Vec2> box) {
    static const double along[] = {0.0, -0.8, 0.8, -0.4, 0.4};
    static const double across[] = {0.0, -0.6, 0.6};
    assert(box.size() == 4);
    Vec2 centre{(box[0].x + box[2].x) / 2, (box[0].y + box[2].y) / 2};
    Vec2 u{(box[1].x - box[0].x) / 2, (box[1].y - box[0].y) / 2};
    Vec2 v{(box[3].x - box[0].x) / 2, (box[3].y - box[0].y) / 2};
    for (double b : across)
        for (double a : along) {
            Vec2 point{centre.x + a * u.x + b * v.x, centre.y + a * u.y + b * v.y};
            if (cover.covered(point))
                return point;
        }
    return std::nullopt;
}

// The first obstacle of the kinds asked for, except the shape `own` (the tab
// a label sits on), that the label box comes too close to, polygon by
// polygon; -1 when it keeps clear of all.
int blockingShape(const Placer& placer, std::span<const Vec2> box, const Axes& axes, bool ofShapes,
                  int own) {
    Box bounds = boxOf(box);
    Box around{bounds.minX - kLineClearance, bounds.minY - kLineClearance,
               bounds.maxX + kLineClearance, bounds.maxY + kLineClearance};
    int blocking = -1;
    placer.grid.any(gridBox(around), [&](int id) {
        const Shape& shape = placer.shapes[id];
        bool label = shape.kind == Obstacle::Label;
        if (id == own || (!label && !ofShapes))
            return false;
        double clearance = clearanceTo(shape);
        if (boxesOverlap(bounds, shape.box, clearance) &&
            convexOverlap(box, axes, shape.corners(), shape.axes, clearance))
            blocking = id;
        return blocking >= 0;
    });
    return blocking;
}

bool isClear(const Placer& placer, std::span<const Vec2> box, bool ofShapes, int own = -1) {
    const Coverage& cover = ofShapes && own < 0 ? placer.anyCover : placer.labelCover;
    if (placer.search == GlueSearch::Fast && coveredPoint(cover, box))
        return false;
    return blockingShape(placer, box, axesOf(box), ofShapes, own) < 0;
}

// The axes of a box turned like `turned` (only moved): the same normals,
// the box's own extent along each.
Axes movedAxes(const Axes& turned, std::span<const Vec2> box) {
    Axes axes = turned;
    for (int k = 0; k < axes.count; ++k) {
        double lo = INFINITY, hi = -INFINITY;
        for (Vec2 p : box) {
            double at = p.x * axes.normal[k].x + p.y * axes.normal[k].y;
            lo = std::min(lo, at);
            hi = std::max(hi, at);
        }
        axes.lo[k] = lo;
        axes.hi[k] = hi;
    }
    return axes;
}

// A shape holding the point p (one with p in a covered cell), or -1.
int shapeHolding(const Placer& placer, Vec2 p) {
    int holding = -1;
    placer.grid.any(kivano::GridBox{p.x, p.y, p.x, p.y}, [&](int id) {
        const Shape& shape = placer.shapes[id];
        if (p.x < shape.box.minX || p.x > shape.box.maxX || p.y < shape.box.minY ||
            p.y > shape.box.maxY)
            return false;
        // a convex polygon is where its extents along all its edge normals meet
        for (int k = 0; k < shape.axes.count; ++k) {
            double at = p.x * shape.axes.normal[k].x + p.y * shape.axes.normal[k].y;
            if (at < shape.axes.lo[k] || at > shape.axes.hi[k])
                return false;
        }
        holding = id;
        return true;
    });
    return holding;
}

// How far the label box, too close to `shape` now, moves along dir before
// the test that found it too close would let it pass: each axis the test
// asks (the box's and the shape's edge normals, x and y for the bounding
// boxes) keeps the two too close over an interval, and the box is blocked
// until the first of them ends.
double blockedFor(std::span<const Vec2> box, const Axes& axes, const Shape& shape, Vec2 dir) {
    double clearance = clearanceTo(shape), end = INFINITY;
    auto limit = [&](Vec2 n, double boxLo, double boxHi, double shapeLo, double shapeHi) {
        double rate = dir.x * n.x + dir.y * n.y;
        if (rate > 0.0)
            end = std::min(end, (shapeHi + clearance - boxLo) / rate);
        else if (rate < 0.0)
            end = std::min(end, (shapeLo - clearance - boxHi) / rate);
    };
    Box bounds = boxOf(box);
    limit({1.0, 0.0}, bounds.minX, bounds.maxX, shape.box.minX, shape.box.maxX);
    limit({0.0, 1.0}, bounds.minY, bounds.maxY, shape.box.minY, shape.box.maxY);
    for (int k = 0; k < axes.count; ++k) {
        double lo = INFINITY, hi = -INFINITY;
        for (Vec2 p : shape.corners()) {
            double at = p.x * axes.normal[k].x + p.y * axes.normal[k].y;
            lo = std::min(lo, at);
            hi = std::max(hi, at);
        }
        limit(axes.normal[k], axes.lo[k], axes.hi[k], lo, hi);
    }
    for (int k = 0; k < shape.axes.count; ++k) {
        double lo = INFINITY, hi = -INFINITY;
        for (Vec2 p : box) {
            double at = p.x * shape.axes.normal[k].x + p.y * shape.axes.normal[k].y;
            lo = std::min(lo, at);
            hi = std::max(hi, at);
        }
        limit(shape.axes.normal[k], lo, hi, shape.axes.lo[k], shape.axes.hi[k]);
    }
    return std::isfinite(end) ? std::max(0.0, end) : 0.0;
}

void accept(Placer& placer, Label label) {
    addObstacle(placer, labelCorners(label), Obstacle::Label);
    placer.labels.push_back(std::move(label));
}

struct EdgeFrame {
    Vec2 a, b, mid, inward;
    double length, angle;
};

EdgeFrame edgeFrame(const Face& face, int k) {
    EdgeFrame e;
    e.a = face.p[k];
    e.b = face.p[(k + 1) % 3];
    e.mid = {(e.a.x + e.b.x) / 2, (e.a.y + e.b.y) / 2};
    e.length = std::hypot(e.b.x - e.a.x, e.b.y - e.a.y);
    e.angle = std::atan2(e.b.y - e.a.y, e.b.x - e.a.x);
    Vec2 normal{0.0, 0.0};
    if (e.length > 0.0)
        normal = {-(e.b.y - e.a.y) / e.length, (e.b.x - e.a.x) / e.length};
    Vec2 opposite = face.p[(k + 2) % 3];
    double side = (opposite.x - e.mid.x) * normal.x + (opposite.y - e.mid.y) * normal.y;
    e.inward = side >= 0.0 ? normal : Vec2{-normal.x, -normal.y};
    return e;
}

double startSize(double edgeLength) {
    return std::clamp(edgeLength * 0.22, kGlueSizeMin, kGlueSizeMax);
}

bool tryInFace(Placer& placer, const std::string& text, unsigned f, const EdgeFrame& e) {
    static const double along[] = {0.5, 0.4, 0.6, 0.3, 0.7};
    for (double size = startSize(e.length); size >= kGlueSizeMin - 1e-9; size -= kSizeStep) {
        const Label sized = makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, {}, e.angle);
        for (double t : along) {
            Label probe = sized;
            double off = kEdgeOffset + probe.height / 2;
            probe.centre = {e.a.x + t * (e.b.x - e.a.x) + e.inward.x * off,
                            e.a.y + t * (e.b.y - e.a.y) + e.inward.y * off};
            auto box = labelCorners(probe);
            if (insideConvex(box, placer.shapes[f].corners(), kLineClearance) &&
                isClear(placer, box, false)) {
                probe.spot = LabelSpot::Face;
                probe.face = int(f);
                accept(placer, probe);
                return true;
            }
        }
    }
    return false;
}

bool tryOnLug(Placer& placer, const std::string& text, const Lug& lug, const EdgeFrame& e,
              double smallest = kGlueSizeMin) {
    int own = int(placer.net.faces.size() + (&lug - placer.net.lugs.data()));
    std::span<const Vec2> shape = placer.shapes[own].corners();
    Vec2 centre{(shape[0].x + shape[1].x + shape[2].x + shape[3].x) / 4,
                (shape[0].y + shape[1].y + shape[2].y + shape[3].y) / 4};
    for (double size = startSize(e.length); size >= smallest - 1e-9; size -= kSizeStep) {
        // below the usual sizes the steps end on the smallest itself
        if (smallest < kGlueSizeMin && size - kSizeStep < smallest - 1e-9)
            size = smallest;
        Label probe = makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, centre, e.angle);
        auto box = labelCorners(probe);
        if (insideConvex(box, shape, kLineClearance) && isClear(placer, box, true, own)) {
            probe.spot = LabelSpot::Lug;
            accept(placer, probe);
            return true;
        }
    }
    return false;
}

double pointToSegment(Vec2 p, Vec2 a, Vec2 b) {
    double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
    double t = l > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Distance from a label box to an edge that it does not cross: two convex
// shapes apart are nearest at a corner of one against a side of the other.
double gapToSegment(const std::array<Vec2, 4>& box, Vec2 a, Vec2 b) {
    double gap = INFINITY;
    for (int i = 0; i < 4; ++i) {
        gap = std::min(gap, pointToSegment(box[i], a, b));
        gap = std::min({gap, pointToSegment(a, box[i], box[(i + 1) % 4]),
                        pointToSegment(b, box[i], box[(i + 1) % 4])});
    }
    return gap;
}

double gapToEdge(const std::array<Vec2, 4>& box, const EdgeFrame& e) {
    return gapToSegment(box, e.a, e.b);
}

// Off the edge, as close to its middle as there is room: rings of growing
// distance, each tried straight out first and then turning towards the net.
// With a finite `maxGap` only boxes that close to the edge are taken, and it
// may fail; without, it always succeeds: far enough out nothing of the net is
// left.
double gapToPoint(const std::array<Vec2, 4>& box, Vec2 p) {
    double gap = INFINITY;
    for (int i = 0; i < 4; ++i)
        gap = std::min(gap, pointToSegment(p, box[i], box[(i + 1) % 4]));
    return gap;
}

// What a number's distance is measured to: the edge it stands at, or the
// edge's middle, where its leader line ends.
enum class Reach { ToEdge, ToMiddle };

// How far the tab of an edge reaches out from it: a number just beyond
// the tab still stands at its edge.
double tabDepth(const Lug* lug, const EdgeFrame& e) {
    if (!lug)
        return 0.0;
    double depth = 0.0;
    for (Vec2 p : lug->p)
        depth = std::max(depth, -((p.x - e.mid.x) * e.inward.x + (p.y - e.mid.y) * e.inward.y));
    return depth;
}

// What a leader line must not cross: numbers and leaders placed before,
// and faces and tabs too (but its own edge's tab).
enum class LeaderClear { Nothing, Numbers, NumbersAndNet };

// How placeBeside looks for room.
struct BesideSearch {
    double maxGap = INFINITY;  // how far the box may stand from what `measure` names
    Reach measure = Reach::ToEdge;
    double turn = 0.0;  // the number's reading direction from its edge's
    double step = kBesideStep;
    // Each direction's positions start with the box touching the ring, not
    // with its largest half-extent there: numbers hug a crowded outline.
    bool hug = false;
    // What a leader from the box to the edge's middle keeps off.
    LeaderClear clearLeader = LeaderClear::Nothing;
    // The edge's tab: measuring to the edge, the box may stand as near to
    // it; a leader may cross it.
    const Lug* tab = nullptr;
    // The number the edge bears: with one, no cut edge that bears another
    // is nearer to the box than its own edge, or it would be read as theirs.
    int glue = 0;
};

bool nearestToOwn(const Placer& placer, const std::array<Vec2, 4>& box, int glue, double own);

bool leaderClear(const Placer& placer, const std::array<Vec2, 4>& box, const EdgeFrame& e,
                 LeaderClear clear, const Lug* tab);

bool placeBeside(Placer& placer, const std::string& text, const EdgeFrame& e, double size,
                 const BesideSearch& search) {
    double maxGap = search.maxGap;
    Reach measure = search.measure;
    static const double turns[] = {0,   0.4,  -0.4, 0.8,  -0.8, 1.2, -1.2,
                                   1.6, -1.6, 2.1,  -2.1, 2.6,  -2.6};
    constexpr size_t kTurns = sizeof(turns) / sizeof(turns[0]);
    Label probe =
        makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, {}, e.angle + search.turn);
    probe.spot = LabelSpot::Beside;
    double outward = std::atan2(-e.inward.y, -e.inward.x);
    double reach = std::hypot(placer.all.width(), placer.all.height()) + 2 * probe.width;
    double half = std::max(probe.width, probe.height) / 2;
    bool bounded = std::isfinite(maxGap);
    // the box's near side is no nearer than d, and may stand beyond the tab
    if (bounded)
        reach = std::min(reach, maxGap + tabDepth(search.tab, e));
    auto near = [&](const std::array<Vec2, 4>& box) {
        if (!inBounds(placer, box))
            return false;
        if (!leaderClear(placer, box, e, search.clearLeader, search.tab))
            return false;
        if (!bounded)
            return true;
        if (measure == Reach::ToMiddle)
            return gapToPoint(box, e.mid) <= maxGap;
        double gap = gapToEdge(box, e);
        for (int i = 0; search.tab && i < 4; ++i)
            gap = std::min(gap, gapToSegment(box, search.tab->p[i], search.tab->p[(i + 1) % 4]));
        return gap <= maxGap && (!search.glue || nearestToOwn(placer, box, search.glue, gap));
    };
    // the same directions on every ring: their sines and cosines once
    double cosine[kTurns], sine[kTurns], halfAlong[kTurns];
    for (size_t i = 0; i < kTurns; ++i) {
        cosine[i] = std::cos(outward + turns[i]);
        sine[i] = std::sin(outward + turns[i]);
        double across = outward + turns[i] - probe.angle;
        halfAlong[i] = search.hug ? (probe.width * std::fabs(std::cos(across)) +
                                     probe.height * std::fabs(std::sin(across))) /
                                        2
                                  : half;
    }
    CornerOffsets offsets = cornerOffsets(probe);
    // every position turns the box the same way: its edge normals once
    const Axes turned = axesOf(cornersAt(offsets, {0.0, 0.0}));
    // A trial position too close to a shape fails, and so do the next ones
    // along its direction until the box has moved clear of that shape.
    double knownBlockedBelow[kTurns];
    std::fill(std::begin(knownBlockedBelow), std::end(knownBlockedBelow), -INFINITY);
    double allBlockedBelow = -INFINITY;  // the least of knownBlockedBelow
    for (double d = kEdgeOffset; d <= reach; d += search.step) {
        if (d < allBlockedBelow)
            continue;
        for (size_t i = 0; i < kTurns; ++i) {
            if (d < knownBlockedBelow[i])
                continue;
            probe.centre = {e.mid.x + cosine[i] * (d + halfAlong[i]),
                            e.mid.y + sine[i] * (d + halfAlong[i])};
            std::array<Vec2, 4> box = cornersAt(offsets, probe.centre);
            Axes axes = movedAxes(turned, box);
            if (placer.search == GlueSearch::Plain) {
                if (blockingShape(placer, box, axes, true, -1) < 0 && near(box)) {
                    accept(placer, probe);
                    return true;
                }
                continue;
            }
            std::optional<Vec2> inside = coveredPoint(placer.anyCover, box);
            int blocking =
                inside ? shapeHolding(placer, *inside) : blockingShape(placer, box, axes, true, -1);
            if (blocking >= 0) {
                // less a hair, so that rounding never skips a free position
                knownBlockedBelow[i] =
                    d + blockedFor(box, axes, placer.shapes[blocking], {cosine[i], sine[i]}) - 1e-9;
                continue;
            }
            // a covered point with no shape found to hold it lies on a
            // shape's very border: blocked all the same, only not skipped
            if (!inside && near(box)) {
                accept(placer, probe);
                return true;
            }
        }
        allBlockedBelow =
            *std::min_element(std::begin(knownBlockedBelow), std::end(knownBlockedBelow));
    }
    if (bounded || placer.within)
        return false;
    // Past every shape of the net: straight out, beyond the reach.
    probe.centre = {e.mid.x + std::cos(outward) * (reach + half),
                    e.mid.y + std::sin(outward) * (reach + half)};
    accept(placer, probe);
    return true;
}

// Every spot whose box comes within `reach` of the edge's middle, on a fine
// grid, nearest first: the rays placeBeside follows pass by free spots that
// lie between them. Only tried for the rare number those rays leave out.
bool placeWithinReach(Placer& placer, const std::string& text, const EdgeFrame& e, double size,
                      double reach, LeaderClear clear = LeaderClear::Nothing,
                      const Lug* tab = nullptr) {
    // Grid offsets nearest first, worked out once for every call.
    constexpr int kSteps = int(kLeaderReach / kReachStep) * 2;
    static const std::vector<Vec2> offsets = [] {
        std::vector<std::pair<double, Vec2>> all;
        for (int i = -kSteps; i <= kSteps; ++i)
            for (int j = -kSteps; j <= kSteps; ++j)
                all.push_back({double(i * i + j * j), {i * kReachStep, j * kReachStep}});
        std::stable_sort(all.begin(), all.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Vec2> sorted;
        for (const auto& [distance, offset] : all)
            sorted.push_back(offset);
        return sorted;
    }();
    Label probe = makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, {}, e.angle);
    probe.spot = LabelSpot::Beside;
    CornerOffsets corners = cornerOffsets(probe);
    const Axes turned = axesOf(cornersAt(corners, {0.0, 0.0}));
    double span = std::min(reach + std::hypot(probe.width, probe.height) / 2, kSteps * kReachStep);
    for (Vec2 offset : offsets) {
        if (offset.x * offset.x + offset.y * offset.y > span * span)
            break;
        Vec2 centre{e.mid.x + offset.x, e.mid.y + offset.y};
        std::array<Vec2, 4> box = cornersAt(corners, centre);
        if (gapToPoint(box, e.mid) > reach || !inBounds(placer, box))
            continue;
        Axes axes = movedAxes(turned, box);
        std::optional<Vec2> inside = coveredPoint(placer.anyCover, box);
        if (inside || blockingShape(placer, box, axes, true, -1) >= 0 ||
            !leaderClear(placer, box, e, clear, tab))
            continue;
        probe.centre = centre;
        accept(placer, probe);
        return true;
    }
    return false;
}

bool nearestToOwn(const Placer& placer, const std::array<Vec2, 4>& box, int glue, double own) {
    Box bounds = boxOf(box);
    Box around{bounds.minX - own, bounds.minY - own, bounds.maxX + own, bounds.maxY + own};
    bool nearest = true;
    placer.grid.any(gridBox(around), [&](int id) {
        if (id >= int(placer.net.faces.size()))
            return false;
        const Face& face = placer.net.faces[size_t(id)];
        for (int k = 0; k < 3 && nearest; ++k)
            if (face.kind[k] == EdgeKind::Cut && face.glue[k] != glue)
                nearest = gapToSegment(box, face.p[k], face.p[(k + 1) % 3]) >= own;
        return !nearest;
    });
    return nearest;
}

// The point of the box nearest the edge's middle, where its leader starts.
Vec2 leaderStart(const std::array<Vec2, 4>& box, Vec2 mid) {
    Vec2 from = box[0];
    double best = INFINITY;
    for (int i = 0; i < 4; ++i) {
        Vec2 a = box[i], b = box[(i + 1) % 4];
        double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
        double t =
            l > 0.0 ? std::clamp(((mid.x - a.x) * dx + (mid.y - a.y) * dy) / l, 0.0, 1.0) : 0.0;
        Vec2 p{a.x + t * dx, a.y + t * dy};
        double d = std::hypot(p.x - mid.x, p.y - mid.y);
        if (d < best) {
            best = d;
            from = p;
        }
    }
    return from;
}

// The thin box a leader line from `from` to `to` keeps clear.
std::array<Vec2, 4> leaderBox(Vec2 from, Vec2 to) {
    double length = std::max(std::hypot(to.x - from.x, to.y - from.y), 1e-9);
    Vec2 side{-(to.y - from.y) / length * kLeaderHalfWidth,
              (to.x - from.x) / length * kLeaderHalfWidth};
    return {{{from.x + side.x, from.y + side.y},
             {to.x + side.x, to.y + side.y},
             {to.x - side.x, to.y - side.y},
             {from.x - side.x, from.y - side.y}}};
}

bool leaderClear(const Placer& placer, const std::array<Vec2, 4>& box, const EdgeFrame& e,
                 LeaderClear clear, const Lug* tab) {
    if (clear == LeaderClear::Nothing)
        return true;
    Vec2 from = leaderStart(box, e.mid);
    double length = std::hypot(e.mid.x - from.x, e.mid.y - from.y);
    if (!(length > kLeaderEntry))
        return true;
    const std::array<Vec2, 4> line = leaderBox(from, e.mid);
    if (blockingShape(placer, line, axesOf(line), false, -1) >= 0)
        return false;
    if (clear == LeaderClear::Numbers)
        return true;
    // A line across faces or tabs reads as one more fold or cut: only its
    // own tab and the last stretch into its edge may it cross.
    double kept = (length - kLeaderEntry) / length;
    const std::array<Vec2, 4> outside =
        leaderBox(from, {from.x + (e.mid.x - from.x) * kept, from.y + (e.mid.y - from.y) * kept});
    const Axes axes = axesOf(outside);
    int own = tab ? int(placer.net.faces.size() + size_t(tab - placer.net.lugs.data())) : -1;
    bool crosses = false;
    placer.grid.any(gridBox(boxOf(outside)), [&](int id) {
        const Shape& shape = placer.shapes[size_t(id)];
        crosses = shape.kind != Obstacle::Label && id != own &&
                  convexOverlap(outside, axes, shape.corners(), shape.axes, 0.0);
        return crosses;
    });
    return !crosses;
}

// Joins the label just placed to its edge's middle, and keeps later labels
// off the line.
void addLeader(Placer& placer, const EdgeFrame& e) {
    Label& label = placer.labels.back();
    Vec2 from = leaderStart(labelCorners(label), e.mid);
    label.leader = true;
    label.leaderFrom = from;
    label.leaderTo = e.mid;
    if (std::hypot(e.mid.x - from.x, e.mid.y - from.y) > 0.0)
        addObstacle(placer, leaderBox(from, e.mid), Obstacle::Label);
}

// In the face, on the tab, just outside the edge at the usual size, then at
// the smallest; only then further out with a leader line, within its reach
// if there is room there at either size. False only where numbers must stay
// within a box and no spot in it is free.
bool placeGlueLabelAt(Placer& placer, const std::string& text, unsigned f, const EdgeFrame& e,
                      const Lug* lug) {
    if (tryInFace(placer, text, f, e) || (lug && tryOnLug(placer, text, *lug, e)) ||
        placeBeside(placer, text, e, kBesideSize, {.maxGap = kNearEdge}) ||
        placeBeside(placer, text, e, kGlueSizeMin, {.maxGap = kNearEdge}))
        return true;
    if (!placeBeside(placer, text, e, kBesideSize, {kLeaderReach, Reach::ToMiddle}) &&
        !placeBeside(placer, text, e, kGlueSizeMin, {kLeaderReach, Reach::ToMiddle}) &&
        !placeWithinReach(placer, text, e, kGlueSizeMin, kLeaderReach) &&
        !placeBeside(placer, text, e, kGlueSizeMin, {}))
        return false;
    addLeader(placer, e);
    return true;
}

// A net whose numbers could not all stand at their edges at the usual sizes
// is numbered again closely: its edges are too short for numbers that big.
enum class Crowding { Roomy, Dense };

// The largest size a number beside an edge this short takes in a crowded
// net: numbers much longer than their edges stand at their neighbours' too.
double denseSize(double edgeLength) {
    return std::clamp(edgeLength * kDenseSizePerEdge, kGlueSizeSmallest, kBesideSize);
}

// In the face or on the tab, down to the smallest size; then just outside
// the edge (or its tab), from the size the edge allows down to the
// smallest: along the edge where the number is no longer than it, else
// standing out from its middle first, where it takes no room of its
// neighbours'. False where none of these has room.
bool placeDenseNear(Placer& placer, const std::string& text, int glue, unsigned f,
                    const EdgeFrame& e, const Lug* lug) {
    if (tryInFace(placer, text, f, e) ||
        (lug && tryOnLug(placer, text, *lug, e, kGlueSizeSmallest)))
        return true;
    for (double size = denseSize(e.length);; size -= kSizeStep) {
        size = std::max(size, kGlueSizeSmallest);
        bool outFirst = measureText(text, size, LabelFont::Regular).width > e.length;
        for (double turn : {outFirst ? kPi / 2 : 0.0, outFirst ? 0.0 : kPi / 2})
            if (placeBeside(placer, text, e, size,
                            {.maxGap = kDenseNear,
                             .turn = turn,
                             .step = kDenseStep,
                             .hug = true,
                             .tab = lug,
                             .glue = glue}))
                return true;
        if (size <= kGlueSizeSmallest)
            break;
    }
    return false;
}

// At the smallest size with a leader line, as close to the edge as there
// is room; false only where numbers must stay within a box and none is free.
bool placeDenseWithLeader(Placer& placer, const std::string& text, const EdgeFrame& e,
                          const Lug* lug) {
    auto tight = [&](LeaderClear clear) {
        return BesideSearch{.maxGap = kLeaderReach,
                            .measure = Reach::ToMiddle,
                            .step = kDenseStep,
                            .hug = true,
                            .clearLeader = clear,
                            .tab = lug};
    };
    const double size = kGlueSizeSmallest;
    if (!placeBeside(placer, text, e, size, tight(LeaderClear::NumbersAndNet)) &&
        !placeBeside(placer, text, e, size, tight(LeaderClear::Numbers)) &&
        !placeWithinReach(placer, text, e, size, kLeaderReach, LeaderClear::Numbers, lug) &&
        !placeWithinReach(placer, text, e, size, kLeaderReach) &&
        !placeBeside(placer, text, e, size, {}))
        return false;
    addLeader(placer, e);
    return true;
}

// Places with `place`, which fails only where no spot within the box is
// free; then where the number would stand without one.
template <typename Place>
void placeAnyway(Placer& placer, Place place) {
    if (place())
        return;
    std::optional<Box> within;
    std::swap(within, placer.within);
    place();
    std::swap(within, placer.within);
}

void nameEdge(Placer& placer, unsigned f, int k) {
    placer.labels.back().edgeFace = int(f);
    placer.labels.back().edge = k;
}

// Every glue number of the net; none where the net turns out crowded while
// numbered as if roomy.
std::optional<std::vector<Label>> placeAll(const Net& net, GlueSearch search,
                                           const std::optional<Box>& within, Crowding crowding) {
    Placer placer(net, search, within);
    for (const Face& face : net.faces)
        addObstacle(placer, face.p, Obstacle::Face);
    for (const Lug& lug : net.lugs)
        addObstacle(placer, lug.p, Obstacle::Lug);
    // In a crowded net the numbers with leaders come last: their lines
    // would take the room that numbers right at their edges still find.
    std::vector<std::pair<unsigned, int>> withLeader;
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            const Face& face = net.faces[f];
            if (face.kind[k] != EdgeKind::Cut || !face.labelled[k])
                continue;
            std::string text = std::to_string(face.glue[k]);
            EdgeFrame e = edgeFrame(face, k);
            const Lug* lug = findLug(net, f, k);
            if (crowding == Crowding::Roomy) {
                placeAnyway(placer, [&] { return placeGlueLabelAt(placer, text, f, e, lug); });
                if (placer.labels.back().leader)
                    return std::nullopt;
            } else if (!placeDenseNear(placer, text, face.glue[k], f, e, lug)) {
                withLeader.push_back({f, k});
                continue;
            }
            nameEdge(placer, f, k);
        }
    for (auto [f, k] : withLeader) {
        const Face& face = net.faces[f];
        std::string text = std::to_string(face.glue[k]);
        EdgeFrame e = edgeFrame(face, k);
        const Lug* lug = findLug(net, f, k);
        placeAnyway(placer, [&] { return placeDenseWithLeader(placer, text, e, lug); });
        nameEdge(placer, f, k);
    }
    return std::move(placer.labels);
}

}  // namespace

std::array<Vec2, 4> labelCorners(const Label& label) {
    return cornersAt(cornerOffsets(label), label.centre);
}

Label makeLabel(std::string text, LabelKind kind, LabelFont font, double size, Vec2 centre,
                double angle) {
    Label label;
    TextBox ink = measureText(text, size, font);
    label.text = std::move(text);
    label.kind = kind;
    label.font = font;
    label.size = size;
    label.centre = centre;
    label.angle = uprightAngle(angle);
    label.width = ink.width;
    label.height = ink.height;
    return label;
}

std::vector<Label> placeGlueLabels(const Net& net, GlueSearch search,
                                   const std::optional<Box>& within) {
    if (std::optional<std::vector<Label>> roomy = placeAll(net, search, within, Crowding::Roomy))
        return std::move(*roomy);
    return std::move(*placeAll(net, search, within, Crowding::Dense));
}

}  // namespace sheet
