#include "sheet_edits.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "classify_edges.h"
#include "shapes.h"

namespace sheet {

namespace {

// Two pieces overlap only by more than this (mm): faces that share an edge
// or a corner touch, and rounding must not make that an overlap.
constexpr double kTouch = 1e-3;
// Corners this close (mm) are one corner.
constexpr double kSameCorner = 1e-3;

struct Side {
    size_t net;
    unsigned face;
    int edge;
};

std::vector<Side> sidesOf(const Sheet& sheet, int edgeId) {
    std::vector<Side> sides;
    if (edgeId == kNoEdgeId)
        return sides;
    for (size_t n = 0; n < sheet.nets.size(); ++n)
        for (unsigned f = 0; f < sheet.nets[n].faces.size(); ++f)
            for (int k = 0; k < 3; ++k)
                if (sheet.nets[n].faces[f].edgeId[k] == edgeId)
                    sides.push_back({n, f, k});
    return sides;
}

Face& faceOf(Sheet& sheet, const Side& s) {
    return sheet.nets[s.net].faces[s.face];
}

bool near(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y) < kSameCorner;
}

// The two sides already meet on paper, end to end the other way round.
bool meet(const Face& a, int ka, const Face& b, int kb) {
    return near(a.p[ka], b.p[(kb + 1) % 3]) && near(a.p[(ka + 1) % 3], b.p[kb]);
}

std::string netName(size_t index) {
    return "net " + std::to_string(index + 1);
}

// A turn and a shift of the plane.
struct Motion {
    double cosine = 1.0, sine = 0.0;
    Vec2 from, to;  // `from` goes to `to`

    Vec2 operator()(Vec2 p) const {
        double x = p.x - from.x, y = p.y - from.y;
        return {to.x + cosine * x - sine * y, to.y + sine * x + cosine * y};
    }
};

// Lays edge kb of b on edge ka of a, its ends the other way round, as a
// fold joins them.
Motion motionOnto(const Face& a, int ka, const Face& b, int kb) {
    Vec2 p0 = a.p[ka], p1 = a.p[(ka + 1) % 3];
    Vec2 q0 = b.p[kb], q1 = b.p[(kb + 1) % 3];
    double angle = std::atan2(p0.y - p1.y, p0.x - p1.x) - std::atan2(q1.y - q0.y, q1.x - q0.x);
    return {std::cos(angle), std::sin(angle), q0, p1};
}

Net moved(const Net& net, const Motion& motion) {
    Net out = net;
    for (Face& f : out.faces)
        for (Vec2& p : f.p)
            p = motion(p);
    for (Lug& lug : out.lugs)
        for (Vec2& p : lug.p)
            p = motion(p);
    return out;
}

bool isLugOn(const Lug& lug, unsigned face, int edge) {
    return lug.face == face && lug.edge == edge;
}

// The faces of `b` that would lie over a face or tab of `a`, or under whose
// tabs a face of `a` would lie; the tabs on the joined edge go.
int facesOver(const Net& a, const Side& sideA, const Net& b, const Side& sideB) {
    std::vector<char> over(b.faces.size(), 0);
    for (size_t j = 0; j < b.faces.size(); ++j) {
        for (const Face& fa : a.faces)
            if (convexOverlap(b.faces[j].p, fa.p, -kTouch))
                over[j] = 1;
        for (const Lug& lug : a.lugs)
            if (!isLugOn(lug, sideA.face, sideA.edge) &&
                convexOverlap(b.faces[j].p, lug.p, -kTouch))
                over[j] = 1;
    }
    for (const Lug& lug : b.lugs) {
        if (isLugOn(lug, sideB.face, sideB.edge))
            continue;
        bool hits = false;
        for (const Face& fa : a.faces)
            hits = hits || convexOverlap(lug.p, fa.p, -kTouch);
        for (const Lug& other : a.lugs)
            hits = hits || (!isLugOn(other, sideA.face, sideA.edge) &&
                            convexOverlap(lug.p, other.p, -kTouch));
        if (hits && lug.face < over.size())
            over[lug.face] = 1;
    }
    return int(std::count(over.begin(), over.end(), 1));
}

void dropLug(Net& net, unsigned face, int edge) {
    net.lugs.erase(std::remove_if(net.lugs.begin(), net.lugs.end(),
                                  [&](const Lug& l) { return isLugOn(l, face, edge); }),
                   net.lugs.end());
}

// The model's triangles follow their faces into another net or place.
void renumberModel(Sheet& sheet, unsigned container,
                   const std::map<unsigned, std::pair<unsigned, unsigned>>& moves) {
    for (ModelTriangle& t : sheet.model) {
        if (t.container != container)
            continue;
        auto found = moves.find(t.position);
        if (found != moves.end()) {
            t.container = found->second.first;
            t.position = found->second.second;
        }
    }
}

// Faces of the net that the fold at each joined edge links, from face 0.
std::vector<char> reachedFromFirst(const Net& net) {
    std::map<int, std::vector<unsigned>> byId;
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            if (net.faces[f].joined[k] && net.faces[f].edgeId[k] != kNoEdgeId)
                byId[net.faces[f].edgeId[k]].push_back(f);
    std::vector<char> reached(net.faces.size(), 0);
    std::vector<unsigned> open{0};
    reached[0] = 1;
    while (!open.empty()) {
        unsigned f = open.back();
        open.pop_back();
        for (int k = 0; k < 3; ++k) {
            auto found = byId.find(net.faces[f].edgeId[k]);
            if (!net.faces[f].joined[k] || found == byId.end() || found->second.size() != 2)
                continue;
            for (unsigned g : found->second)
                if (!reached[g]) {
                    reached[g] = 1;
                    open.push_back(g);
                }
        }
    }
    return reached;
}

// How far the face's third corner lies from edge k.
double heightOver(const Face& f, int k) {
    Vec2 a = f.p[k], b = f.p[(k + 1) % 3], c = f.p[(k + 2) % 3];
    double length = std::hypot(b.x - a.x, b.y - a.y);
    if (!(length > 0.0))
        return 0.0;
    return std::fabs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / length;
}

// The tab on edge k of the face as the unfolding shapes one: as wide as the
// partner face reaches over the edge, at most `widest`, its flanks at 45
// degrees, or a right-angled triangle where the flanks would cross.
Lug lugOn(const Face& face, unsigned faceIndex, int k, const Face& partner, int kp, double widest) {
    Lug lug;
    lug.face = faceIndex;
    lug.edge = k;
    Vec2 from = face.p[k], to = face.p[(k + 1) % 3], third = face.p[(k + 2) % 3];
    double w = std::min(heightOver(partner, kp), widest);
    double dx = to.x - from.x, dy = to.y - from.y, length = std::hypot(dx, dy);
    Vec2 along{dx / length, dy / length}, out{-along.y, along.x};
    if (out.x * (third.x - from.x) + out.y * (third.y - from.y) > 0)
        out = {-out.x, -out.y};
    lug.p[0] = to;
    lug.p[1] = from;
    if (length >= 2 * w) {
        lug.p[2] = {from.x + (out.x + along.x) * w, from.y + (out.y + along.y) * w};
        lug.p[3] = {to.x + (out.x - along.x) * w, to.y + (out.y - along.y) * w};
    } else {
        Vec2 apex{from.x + dx / 2 + out.x * length / 2, from.y + dy / 2 + out.y * length / 2};
        lug.p[2] = lug.p[3] = apex;
    }
    return lug;
}

std::string millimetres(double value) {
    return std::to_string(int(std::lround(value)));
}

// Whether the tab lies clear of the net's faces and its other tabs.
bool roomFor(const Net& net, const Lug& lug) {
    for (const Face& f : net.faces)
        if (convexOverlap(lug.p, f.p, -kTouch))
            return false;
    for (const Lug& other : net.lugs)
        if (!(other.face == lug.face && other.edge == lug.edge) &&
            convexOverlap(lug.p, other.p, -kTouch))
            return false;
    return true;
}

// A tab on the side of the two the unfolding would choose (where the
// partner reaches further over the edge), else on the other; none where
// neither has room.
bool placeTab(Sheet& sheet, const std::vector<Side>& sides, double lugWidth) {
    const Face& a = faceOf(sheet, sides[0]);
    const Face& b = faceOf(sheet, sides[1]);
    bool firstSide = heightOver(b, sides[1].edge) >= heightOver(a, sides[0].edge);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Side& on = sides[firstSide == (attempt == 0) ? 0 : 1];
        const Side& partner = sides[firstSide == (attempt == 0) ? 1 : 0];
        Lug lug = lugOn(faceOf(sheet, on), on.face, on.edge, faceOf(sheet, partner), partner.edge,
                        lugWidth);
        if (roomFor(sheet.nets[on.net], lug)) {
            sheet.nets[on.net].lugs.push_back(lug);
            return true;
        }
    }
    return false;
}

}  // namespace

SheetEditor::SheetEditor(Sheet& sheet, double lugWidth, double flatAngle)
    : sheet_(sheet), lugWidth_(lugWidth), flatAngle_(flatAngle) {
    settle();
}

SheetEditor::Snapshot SheetEditor::snapshot() const {
    return {sheet_.nets, sheet_.model};
}

void SheetEditor::restore(Snapshot&& s) {
    sheet_.nets = std::move(s.nets);
    sheet_.model = std::move(s.model);
}

void SheetEditor::settle() {
    classifyEdges(sheet_, flatAngle_);
}

EditOutcome SheetEditor::join(int edgeId) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2)
        return {false, edge + " is not an edge two faces share"};
    Side a = sides[0], b = sides[1];
    const Face& fa = faceOf(sheet_, a);
    const Face& fb = faceOf(sheet_, b);
    if (a.net == b.net && fa.joined[a.edge] && fb.joined[b.edge])
        return {false, edge + " is already a fold"};
    if (a.net == b.net && !meet(fa, a.edge, fb, b.edge))
        return {false, "both sides of " + edge + " lie apart in " + netName(a.net) +
                           ": joining them would bend the net"};
    if (a.net != b.net) {
        const Net& netA = sheet_.nets[a.net];
        Net netB = moved(sheet_.nets[b.net], motionOnto(fa, a.edge, fb, b.edge));
        if (int over = facesOver(netA, a, netB, b); over > 0)
            return {false, "joining would lay " + std::to_string(over) +
                               (over == 1 ? " face over " : " faces over ") + netName(a.net) +
                               "'s faces"};
        if (limitWidth_ > 0.0) {
            Box box = boxOf(netA);
            box.add(boxOf(netB));
            double w = box.width(), h = box.height();
            if (!((w <= limitWidth_ && h <= limitHeight_) ||
                  (h <= limitWidth_ && w <= limitHeight_)))
                return {false, "joining would make " + netName(a.net) + " " + millimetres(w) +
                                   " x " + millimetres(h) + " mm, larger than the page's " +
                                   millimetres(limitWidth_) + " x " + millimetres(limitHeight_) +
                                   " mm"};
        }
        undo_.push_back(snapshot());
        redo_.clear();
        Net& target = sheet_.nets[a.net];
        unsigned offset = unsigned(target.faces.size());
        std::map<unsigned, std::pair<unsigned, unsigned>> moves;
        for (unsigned i = 0; i < netB.faces.size(); ++i) {
            moves[netB.faces[i].position] = {target.container, offset + i};
            netB.faces[i].position = offset + i;
            target.faces.push_back(netB.faces[i]);
        }
        for (Lug lug : netB.lugs) {
            lug.face += offset;
            target.lugs.push_back(lug);
        }
        renumberModel(sheet_, netB.container, moves);
        b = {a.net, b.face + offset, b.edge};
        sheet_.nets.erase(sheet_.nets.begin() + std::ptrdiff_t(sides[1].net));
        if (sides[1].net < a.net)
            --a.net, --b.net;
    } else {
        undo_.push_back(snapshot());
        redo_.clear();
    }
    Net& net = sheet_.nets[a.net];
    net.faces[a.face].joined[a.edge] = true;
    net.faces[b.face].joined[b.edge] = true;
    dropLug(net, a.face, a.edge);
    dropLug(net, b.face, b.edge);
    settle();
    return {true, {}};
}

EditOutcome SheetEditor::cut(int edgeId) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2 || sides[0].net != sides[1].net ||
        !faceOf(sheet_, sides[0]).joined[sides[0].edge] ||
        !faceOf(sheet_, sides[1]).joined[sides[1].edge])
        return {false, edge + " is no fold"};
    undo_.push_back(snapshot());
    redo_.clear();
    size_t index = sides[0].net;
    for (const Side& s : sides)
        faceOf(sheet_, s).joined[s.edge] = false;
    Net& net = sheet_.nets[index];
    std::vector<char> reached = reachedFromFirst(net);
    if (std::find(reached.begin(), reached.end(), 0) != reached.end()) {
        // The fold held two parts together: the part without face 0 becomes
        // a net of its own, numbered after every other.
        unsigned container = 0;
        for (const Net& n : sheet_.nets)
            container = std::max(container, n.container + 1);
        Net kept, part;
        kept.container = net.container;
        part.container = container;
        std::vector<unsigned> newIndex(net.faces.size());
        std::map<unsigned, std::pair<unsigned, unsigned>> moves;
        for (unsigned f = 0; f < net.faces.size(); ++f) {
            Net& to = reached[f] ? kept : part;
            newIndex[f] = unsigned(to.faces.size());
            moves[net.faces[f].position] = {to.container, newIndex[f]};
            to.faces.push_back(net.faces[f]);
            to.faces.back().position = newIndex[f];
        }
        for (Lug lug : net.lugs) {
            Net& to = reached[lug.face] ? kept : part;
            lug.face = newIndex[lug.face];
            to.lugs.push_back(lug);
        }
        renumberModel(sheet_, net.container, moves);
        sheet_.nets[index] = std::move(kept);
        sheet_.nets.insert(sheet_.nets.begin() + std::ptrdiff_t(index) + 1, std::move(part));
    }
    // Where the net fell in two, the parts are laid out apart later: the
    // tab needs room only in its own part. A slit has none for it.
    placeTab(sheet_, sidesOf(sheet_, edgeId), lugWidth_);
    settle();
    return {true, {}};
}

EditOutcome SheetEditor::flipTab(int edgeId) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2 || faceOf(sheet_, sides[0]).joined[sides[0].edge])
        return {false, edge + " is no cut edge"};
    int holder = -1;
    for (int i = 0; i < 2; ++i)
        for (const Lug& lug : sheet_.nets[sides[size_t(i)].net].lugs)
            if (isLugOn(lug, sides[size_t(i)].face, sides[size_t(i)].edge))
                holder = i;
    if (holder < 0)
        return {false, edge + " has no tab to flip"};
    const Side& from = sides[size_t(holder)];
    const Side& to = sides[size_t(1 - holder)];
    Lug lug =
        lugOn(faceOf(sheet_, to), to.face, to.edge, faceOf(sheet_, from), from.edge, lugWidth_);
    if (!roomFor(sheet_.nets[to.net], lug))
        return {false, "the tab would lie over " + netName(to.net) + "'s faces or tabs"};
    undo_.push_back(snapshot());
    redo_.clear();
    dropLug(sheet_.nets[from.net], from.face, from.edge);
    sheet_.nets[to.net].lugs.push_back(lug);
    settle();
    return {true, {}};
}

EditOutcome SheetEditor::setTab(int edgeId, bool on) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2 || faceOf(sheet_, sides[0]).joined[sides[0].edge])
        return {false, edge + " is no cut edge"};
    bool has = false;
    for (const Side& s : sides)
        for (const Lug& lug : sheet_.nets[s.net].lugs)
            has = has || isLugOn(lug, s.face, s.edge);
    if (has == on)
        return {false, edge + (on ? " has a tab already" : " has no tab")};
    Snapshot before = snapshot();
    if (on && !placeTab(sheet_, sides, lugWidth_))
        return {false, "a tab on " + edge + " would lie over faces or tabs on either side"};
    if (!on)
        for (const Side& s : sides)
            dropLug(sheet_.nets[s.net], s.face, s.edge);
    undo_.push_back(std::move(before));
    redo_.clear();
    settle();
    return {true, {}};
}

void SheetEditor::limitNets(double width, double height) {
    limitWidth_ = width;
    limitHeight_ = height;
}

bool SheetEditor::undo() {
    return step(undo_, redo_);
}

bool SheetEditor::redo() {
    return step(redo_, undo_);
}

// Back to the last state of `from`, the present kept in `to`.
bool SheetEditor::step(std::vector<Snapshot>& from, std::vector<Snapshot>& to) {
    if (from.empty())
        return false;
    to.push_back(snapshot());
    restore(std::move(from.back()));
    from.pop_back();
    settle();
    return true;
}

}  // namespace sheet
