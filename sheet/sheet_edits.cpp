#include "sheet_edits.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <unordered_map>

#include "classify_edges.h"
#include "shapes.h"

namespace sheet {

namespace {

// Two pieces overlap only by more than this (mm): faces that share an edge
// or a corner touch, and rounding must not make that an overlap.
constexpr double kTouch = 1e-3;
// Corners this close (mm) are one corner.
constexpr double kSameCorner = 1e-3;

// A side of an edge where it lies now: its net, its face there, its edge.
struct Side {
    size_t net;
    unsigned face;
    int edge;
};

bool near(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y) < kSameCorner;
}

// The two sides already meet on paper, end to end the other way round.
bool meet(const Face& a, int ka, const Face& b, int kb) {
    return near(a.p[ka], b.p[(kb + 1) % 3]) && near(a.p[(ka + 1) % 3], b.p[kb]);
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

// What joining lays over what: the faces of `b` that would lie over a face
// of `a`, and the tabs of either (but those on the joined edge, which go)
// that would lie over a face or tab of the other.
struct Crossings {
    int faces = 0;
    std::vector<std::pair<int, unsigned>> lugs;  // 0: of a, 1: of b; index into its lugs
};

Crossings crossings(const Net& a, const Side& sideA, const Net& b, const Side& sideB) {
    Crossings found;
    for (const Face& fb : b.faces) {
        bool over = false;
        for (const Face& fa : a.faces)
            over = over || convexOverlap(fb.p, fa.p, -kTouch);
        found.faces += over;
    }
    auto lugCrosses = [&](const Lug& lug, const Net& other, const Side& otherSide) {
        for (const Face& f : other.faces)
            if (convexOverlap(lug.p, f.p, -kTouch))
                return true;
        for (const Lug& l : other.lugs)
            if (!isLugOn(l, otherSide.face, otherSide.edge) && convexOverlap(lug.p, l.p, -kTouch))
                return true;
        return false;
    };
    for (unsigned i = 0; i < a.lugs.size(); ++i)
        if (!isLugOn(a.lugs[i], sideA.face, sideA.edge) && lugCrosses(a.lugs[i], b, sideB))
            found.lugs.push_back({0, i});
    for (unsigned i = 0; i < b.lugs.size(); ++i)
        if (!isLugOn(b.lugs[i], sideB.face, sideB.edge) && lugCrosses(b.lugs[i], a, sideA))
            found.lugs.push_back({1, i});
    return found;
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

// The motion that takes `from` (a face as unfolded) to `to` (the same face
// laid elsewhere).
Motion motionBetween(const Face& from, const Face& to) {
    double angle = std::atan2(to.p[1].y - to.p[0].y, to.p[1].x - to.p[0].x) -
                   std::atan2(from.p[1].y - from.p[0].y, from.p[1].x - from.p[0].x);
    return {std::cos(angle), std::sin(angle), from.p[0], to.p[0]};
}

// How many faces of the net lie over another face or a tab of it.
int overlapsWithin(const Net& net) {
    struct Item {
        Box box;
        const Vec2* p;
        int count;
        int face;  // -1 for a tab
    };
    std::vector<Item> items;
    for (size_t f = 0; f < net.faces.size(); ++f)
        items.push_back({boxOf(net.faces[f].p), net.faces[f].p, 3, int(f)});
    for (const Lug& lug : net.lugs)
        items.push_back({boxOf(lug.p), lug.p, 4, -1 - int(lug.face)});
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.box.minX < b.box.minX; });
    std::vector<int> over(net.faces.size(), 0);
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size() && items[j].box.minX < items[i].box.maxX; ++j) {
            const Item &a = items[i], &b = items[j];
            if (a.face < 0 && b.face < 0 && a.face == b.face)
                continue;  // two tabs of one face meet at its corner
            if (!boxesOverlap(a.box, b.box, -kTouch) ||
                !convexOverlap({a.p, size_t(a.count)}, {b.p, size_t(b.count)}, -kTouch))
                continue;
            int face = a.face >= 0 ? a.face : b.face >= 0 ? b.face : -1 - a.face;
            over[size_t(face)] = 1;
        }
    return std::accumulate(over.begin(), over.end(), 0);
}

}  // namespace

SheetEditor::SheetEditor(Sheet& sheet, double lugWidth, double flatAngle)
    : sheet_(sheet), lugWidth_(lugWidth), flatAngle_(flatAngle) {
    classifyEdges(sheet_, flatAngle_);
    std::map<int, std::vector<EdgeSide>> byId;
    for (size_t n = 0; n < sheet_.nets.size(); ++n) {
        containerBase_ = std::max(containerBase_, sheet_.nets[n].container + 1);
        for (Face& face : sheet_.nets[n].faces) {
            face.origin = int(pristine_.size());
            for (int k = 0; k < 3; ++k)
                if (face.edgeId[k] != kNoEdgeId)
                    byId[face.edgeId[k]].push_back({face.origin, k});
            pristine_.push_back(face);
            unfoldedNet_.push_back(unsigned(n));
        }
    }
    unfolded_ = sheet_.nets;
    if (!sheet_.model.empty()) {
        std::map<std::pair<unsigned, unsigned>, size_t> onModel;
        for (size_t i = 0; i < sheet_.model.size(); ++i)
            onModel[{sheet_.model[i].container, sheet_.model[i].position}] = i;
        modelIndex_.assign(pristine_.size(), -1);
        for (size_t o = 0; o < pristine_.size(); ++o) {
            auto found =
                onModel.find({unfolded_[unfoldedNet_[o]].container, pristine_[o].position});
            if (found != onModel.end())
                modelIndex_[o] = int(found->second);
        }
        pristineModel_ = sheet_.model;
    }
    edgeOfFace_.assign(pristine_.size(), {-1, -1, -1});
    for (const auto& [id, sides] : byId) {
        if (sides.size() != 2)
            continue;  // a border, or an edge of more than two faces: always cut
        int e = int(sides_.size());
        sides_.push_back({sides[0], sides[1]});
        edgeOfId_[id] = e;
        for (const EdgeSide& s : sides)
            edgeOfFace_[size_t(s.face)][size_t(s.edge)] = e;
    }
    SheetDecisions& d = unfoldedDecisions_;
    d.fold.assign(sides_.size(), 0);
    d.tab.assign(sides_.size(), -1);
    d.glue.assign(sides_.size(), 0);
    for (size_t e = 0; e < sides_.size(); ++e) {
        const EdgeSide& a = sides_[e][0];
        const EdgeSide& b = sides_[e][1];
        const Face& fa = pristine_[size_t(a.face)];
        const Face& fb = pristine_[size_t(b.face)];
        d.fold[e] = unfoldedNet_[size_t(a.face)] == unfoldedNet_[size_t(b.face)] &&
                    fa.joined[a.edge] && fb.joined[b.edge];
        for (int s = 0; s < 2; ++s) {
            const EdgeSide& side = sides_[e][size_t(s)];
            const Net& net = unfolded_[unfoldedNet_[size_t(side.face)]];
            if (findLug(net, pristine_[size_t(side.face)].position, side.edge))
                d.tab[e] = (signed char)s;
        }
        d.glue[e] = d.fold[e] ? 0 : fa.glue[a.edge];
    }
    now_ = unfoldedDecisions_;
    locate();
}

std::string SheetEditor::edgeName(int edgeId) const {
    return namer_.edge ? namer_.edge(edgeId) : "edge " + std::to_string(edgeId);
}

std::string SheetEditor::netName(size_t index) const {
    return namer_.net ? namer_.net(sheet_.nets[index]) : "net " + std::to_string(index + 1);
}

int SheetEditor::edgeOf(int edgeId) const {
    auto found = edgeOfId_.find(edgeId);
    return found == edgeOfId_.end() ? -1 : found->second;
}

std::vector<int> SheetEditor::anchors() const {
    std::vector<int> out;
    for (const Net& net : sheet_.nets)
        out.push_back(net.faces.empty() ? -1 : net.faces[0].origin);
    return out;
}

void SheetEditor::locate() {
    where_.assign(pristine_.size(), {0, 0});
    for (size_t n = 0; n < sheet_.nets.size(); ++n)
        for (unsigned f = 0; f < sheet_.nets[n].faces.size(); ++f)
            where_[size_t(sheet_.nets[n].faces[f].origin)] = {unsigned(n), f};
}

// The faces are one net of the unfolding, folded as it folded them.
bool SheetEditor::automatic(const std::vector<int>& faces) const {
    unsigned n = unfoldedNet_[size_t(faces[0])];
    if (faces.size() != unfolded_[n].faces.size())
        return false;
    for (int o : faces) {
        if (unfoldedNet_[size_t(o)] != n)
            return false;
        for (int e : edgeOfFace_[size_t(o)])
            if (e >= 0 && now_.fold[size_t(e)] != unfoldedDecisions_.fold[size_t(e)])
                return false;
    }
    return true;
}

// The tab on edge k of the net's face f: the unfolding's own where it made
// one there, carried along with the face, else one shaped as it shapes them.
Lug SheetEditor::lugFor(const Net& net, unsigned f, int k) const {
    const Face& face = net.faces[f];
    const Face& before = pristine_[size_t(face.origin)];
    if (const Lug* own =
            findLug(unfolded_[unfoldedNet_[size_t(face.origin)]], before.position, k)) {
        Lug lug = *own;
        lug.face = f;
        bool still = true;
        for (int c = 0; c < 3; ++c)
            still = still && face.p[c].x == before.p[c].x && face.p[c].y == before.p[c].y;
        if (!still) {
            Motion motion = motionBetween(before, face);
            for (Vec2& p : lug.p)
                p = motion(p);
        }
        return lug;
    }
    int e = edgeOfFace_[size_t(face.origin)][size_t(k)];
    const EdgeSide& other =
        sides_[size_t(e)]
              [sides_[size_t(e)][0].face == face.origin && sides_[size_t(e)][0].edge == k ? 1 : 0];
    return lugOn(face, f, k, pristine_[size_t(other.face)], other.edge, lugWidth_);
}

void SheetEditor::addLugs(Net& net) const {
    net.lugs.clear();
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            int e = edgeOfFace_[size_t(net.faces[f].origin)][size_t(k)];
            if (e < 0 || net.faces[f].joined[k] || now_.tab[size_t(e)] < 0)
                continue;
            const EdgeSide& holder = sides_[size_t(e)][size_t(now_.tab[size_t(e)])];
            if (holder.face == net.faces[f].origin && holder.edge == k)
                net.lugs.push_back(lugFor(net, f, k));
        }
}

// The faces laid flat from the first, each against the face it folds to;
// a fold whose sides end up apart goes to `unlaid`.
Net SheetEditor::flatten(const std::vector<int>& faces, std::vector<int>& unlaid) const {
    Net net;
    net.container = containerBase_ + unsigned(faces[0]);
    std::unordered_map<int, unsigned> at;
    net.faces.push_back(pristine_[size_t(faces[0])]);
    at[faces[0]] = 0;
    for (size_t i = 0; i < net.faces.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            int e = edgeOfFace_[size_t(net.faces[i].origin)][size_t(k)];
            if (e < 0 || !now_.fold[size_t(e)])
                continue;
            for (const EdgeSide& s : sides_[size_t(e)]) {
                if (s.face == net.faces[i].origin || at.count(s.face))
                    continue;
                Face next = pristine_[size_t(s.face)];
                Motion motion = motionOnto(net.faces[i], k, next, s.edge);
                for (Vec2& p : next.p)
                    p = motion(p);
                at[s.face] = unsigned(net.faces.size());
                net.faces.push_back(next);
            }
        }
    for (unsigned f = 0; f < net.faces.size(); ++f) {
        Face& face = net.faces[f];
        face.position = f;
        for (int k = 0; k < 3; ++k) {
            int e = edgeOfFace_[size_t(face.origin)][size_t(k)];
            face.joined[k] = false;
            if (e < 0 || !now_.fold[size_t(e)])
                continue;
            const EdgeSide& other = sides_[size_t(
                e)][sides_[size_t(e)][0].face == face.origin && sides_[size_t(e)][0].edge == k ? 1
                                                                                               : 0];
            const Face& partner = net.faces[at.at(other.face)];
            if (meet(face, k, partner, other.edge))
                face.joined[k] = true;
            else if (std::find(unlaid.begin(), unlaid.end(), e) == unlaid.end())
                unlaid.push_back(e);
        }
    }
    return net;
}

// The sheet as the decisions make it: nets in the order of their first
// faces, each the unfolding's own where nobody changed it.
void SheetEditor::rebuild() {
    std::vector<int> parent(pristine_.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int o) {
        while (parent[size_t(o)] != o)
            o = parent[size_t(o)] = parent[size_t(parent[size_t(o)])];
        return o;
    };
    for (size_t e = 0; e < sides_.size(); ++e)
        if (now_.fold[e]) {
            int a = root(sides_[e][0].face), b = root(sides_[e][1].face);
            parent[size_t(std::max(a, b))] = std::min(a, b);
        }
    std::map<int, std::vector<int>> groups;  // by first face, faces ascending
    for (int o = 0; o < int(pristine_.size()); ++o)
        groups[root(o)].push_back(o);

    std::vector<Net> nets;
    nets.reserve(groups.size());
    unlaid_.clear();
    for (const auto& [first, faces] : groups) {
        if (automatic(faces)) {
            const Net& own = unfolded_[unfoldedNet_[size_t(first)]];
            nets.push_back(Net{own.container, own.faces, {}});
            bool tabsAsUnfolded = true;
            for (int o : faces)
                for (int e : edgeOfFace_[size_t(o)])
                    tabsAsUnfolded =
                        tabsAsUnfolded &&
                        (e < 0 || now_.tab[size_t(e)] == unfoldedDecisions_.tab[size_t(e)]);
            if (tabsAsUnfolded)
                nets.back().lugs = own.lugs;
            else
                addLugs(nets.back());
        } else {
            nets.push_back(flatten(faces, unlaid_));
            addLugs(nets.back());
        }
    }
    for (int e : unlaid_)
        now_.fold[size_t(e)] = 0;
    sheet_.nets = std::move(nets);
    if (!pristineModel_.empty()) {
        sheet_.model = pristineModel_;
        for (const Net& net : sheet_.nets)
            for (const Face& face : net.faces)
                if (int i = modelIndex_[size_t(face.origin)]; i >= 0) {
                    sheet_.model[size_t(i)].container = net.container;
                    sheet_.model[size_t(i)].position = face.position;
                }
    }
    locate();
    numberSeams();
}

// Classified again, each seam keeps the number it had: the first seam (in
// sheet order) that still holds an edge numbered n prints n; a new seam,
// or one whose number another took, gets the next number unused.
void SheetEditor::numberSeams() {
    int seams = classifyEdges(sheet_, flatAngle_);
    std::vector<int> wanted(size_t(seams) + 1, 0);
    int highest = 0;
    for (size_t e = 0; e < sides_.size(); ++e) {
        highest = std::max(highest, now_.glue[e]);
        if (now_.fold[e] || now_.glue[e] <= 0)
            continue;
        auto [n, f] = where_[size_t(sides_[e][0].face)];
        int seam = sheet_.nets[n].faces[f].glue[sides_[e][0].edge];
        if (seam > 0 && (wanted[size_t(seam)] == 0 || now_.glue[e] < wanted[size_t(seam)]))
            wanted[size_t(seam)] = now_.glue[e];
    }
    std::vector<int> number(size_t(seams) + 1, 0);
    std::vector<char> taken(size_t(std::max(highest, seams)) + 1, 0);
    for (int seam = 1; seam <= seams; ++seam)
        if (int w = wanted[size_t(seam)]; w > 0 && !taken[size_t(w)]) {
            number[size_t(seam)] = w;
            taken[size_t(w)] = 1;
        }
    for (int seam = 1; seam <= seams; ++seam)
        if (number[size_t(seam)] == 0) {
            number[size_t(seam)] = ++highest;
        }
    for (Net& net : sheet_.nets)
        for (Face& face : net.faces)
            for (int& glue : face.glue)
                if (glue > 0)
                    glue = number[size_t(glue)];
    for (size_t e = 0; e < sides_.size(); ++e) {
        auto [n, f] = where_[size_t(sides_[e][0].face)];
        now_.glue[e] = now_.fold[e] ? 0 : sheet_.nets[n].faces[f].glue[sides_[e][0].edge];
    }
}

void SheetEditor::commit(SheetDecisions next) {
    undo_.push_back({now_});
    redo_.clear();
    now_ = std::move(next);
    rebuild();
}

SheetEditor::Found SheetEditor::find(int e, int s) const {
    const EdgeSide& side = sides_[size_t(e)][size_t(s)];
    auto [n, f] = where_[size_t(side.face)];
    return {n, f, side.edge};
}

EditOutcome SheetEditor::join(int edgeId) {
    int e = edgeOf(edgeId);
    std::string edge = edgeName(edgeId);
    if (e < 0)
        return {false, edge + " is not an edge two faces share"};
    Found a = find(e, 0), b = find(e, 1);
    const Face& fa = sheet_.nets[a.net].faces[a.face];
    const Face& fb = sheet_.nets[b.net].faces[b.face];
    if (now_.fold[size_t(e)])
        return {false, edge + " is already a fold"};
    if (a.net == b.net && !meet(fa, a.edge, fb, b.edge))
        return {false, "both sides of " + edge + " lie apart in " + netName(a.net) +
                           ": joining them would bend the net"};
    std::vector<int> lugsInTheWay;  // edges
    if (a.net != b.net) {
        const Net& netA = sheet_.nets[a.net];
        Net netB = moved(sheet_.nets[b.net], motionOnto(fa, a.edge, fb, b.edge));
        Side sideA{a.net, a.face, a.edge}, sideB{b.net, b.face, b.edge};
        Crossings crossed = crossings(netA, sideA, netB, sideB);
        if (int over = crossed.faces; over > 0)
            return {false, "joining would lay " + std::to_string(over) +
                               (over == 1 ? " face over " : " faces over ") + netName(a.net) +
                               "'s faces"};
        for (auto [which, index] : crossed.lugs) {
            const Net& net = which == 0 ? netA : netB;
            const Lug& lug = net.lugs[index];
            if (int cutEdge = edgeOfFace_[size_t(net.faces[lug.face].origin)][size_t(lug.edge)];
                cutEdge >= 0)
                lugsInTheWay.push_back(cutEdge);
        }
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
    }
    SheetDecisions next = now_;
    next.fold[size_t(e)] = 1;
    next.tab[size_t(e)] = -1;
    std::vector<signed char> had(lugsInTheWay.size());
    for (size_t i = 0; i < lugsInTheWay.size(); ++i) {
        had[i] = next.tab[size_t(lugsInTheWay[i])];
        next.tab[size_t(lugsInTheWay[i])] = -1;
    }
    commit(std::move(next));
    // A tab the joined net lies over goes to its edge's other side where it
    // has room there, and is left off where it has none.
    bool moved = false;
    for (size_t i = 0; i < lugsInTheWay.size(); ++i) {
        int other = 1 - had[i];
        Found to = find(lugsInTheWay[i], other);
        const Net& net = sheet_.nets[to.net];
        if (had[i] >= 0 && roomFor(net, lugFor(net, to.face, to.edge))) {
            now_.tab[size_t(lugsInTheWay[i])] = (signed char)other;
            moved = true;
        }
    }
    if (moved)
        rebuild();
    return {true, {}};
}

EditOutcome SheetEditor::cut(int edgeId) {
    int e = edgeOf(edgeId);
    if (e < 0 || !now_.fold[size_t(e)])
        return {false, edgeName(edgeId) + " is no fold"};
    SheetDecisions next = now_;
    next.fold[size_t(e)] = 0;
    next.tab[size_t(e)] = -1;
    commit(std::move(next));
    // Where the net fell in two, the parts are laid out apart later: the
    // tab needs room only in its own part. A slit has none for it.
    if (int side = roomyTabSide(e); side >= 0) {
        now_.tab[size_t(e)] = (signed char)side;
        rebuild();
    }
    return {true, {}};
}

// The side of the cut edge a tab goes to: the one the unfolding would choose
// (where the partner reaches further over the edge) if it has room there,
// else the other; -1 where neither has.
int SheetEditor::roomyTabSide(int e) const {
    Found a = find(e, 0), b = find(e, 1);
    const Face& fa = sheet_.nets[a.net].faces[a.face];
    const Face& fb = sheet_.nets[b.net].faces[b.face];
    int preferred = heightOver(fb, b.edge) >= heightOver(fa, a.edge) ? 0 : 1;
    for (int side : {preferred, 1 - preferred}) {
        Found on = side == 0 ? a : b;
        const Net& net = sheet_.nets[on.net];
        if (roomFor(net, lugFor(net, on.face, on.edge)))
            return side;
    }
    return -1;
}

EditOutcome SheetEditor::flipTab(int edgeId) {
    int e = edgeOf(edgeId);
    std::string edge = edgeName(edgeId);
    if (e < 0 || now_.fold[size_t(e)])
        return {false, edge + " is no cut edge"};
    int holder = now_.tab[size_t(e)];
    if (holder < 0)
        return {false, edge + " has no tab to flip"};
    Found to = find(e, 1 - holder);
    const Net& net = sheet_.nets[to.net];
    if (!roomFor(net, lugFor(net, to.face, to.edge)))
        return {false, "the tab would lie over " + netName(to.net) + "'s faces or tabs"};
    SheetDecisions next = now_;
    next.tab[size_t(e)] = (signed char)(1 - holder);
    commit(std::move(next));
    return {true, {}};
}

EditOutcome SheetEditor::setTab(int edgeId, bool on) {
    int e = edgeOf(edgeId);
    std::string edge = edgeName(edgeId);
    if (e < 0 || now_.fold[size_t(e)])
        return {false, edge + " is no cut edge"};
    bool has = now_.tab[size_t(e)] >= 0;
    if (has == on)
        return {false, edge + (on ? " has a tab already" : " has no tab")};
    SheetDecisions next = now_;
    if (on) {
        int side = roomyTabSide(e);
        if (side < 0)
            return {false, "a tab on " + edge + " would lie over faces or tabs on either side"};
        next.tab[size_t(e)] = (signed char)side;
    } else
        next.tab[size_t(e)] = -1;
    commit(std::move(next));
    return {true, {}};
}

bool SheetEditor::apply(SheetDecisions decisions, bool lenient,
                        std::vector<std::string>& problems) {
    if (decisions.fold.size() != sides_.size() || decisions.tab.size() != sides_.size() ||
        decisions.glue.size() != sides_.size()) {
        problems.push_back("the decisions are for another sheet");
        return false;
    }
    SheetDecisions before = now_;
    now_ = std::move(decisions);
    rebuild();
    std::vector<size_t> crossed;
    for (size_t n = 0; n < sheet_.nets.size(); ++n)
        if (int over = overlapsWithin(sheet_.nets[n]); over > 0) {
            crossed.push_back(n);
            problems.push_back(netName(n) + " would lay " + std::to_string(over) +
                               (over == 1 ? " face" : " faces") + " over its own");
        }
    for (int e : unlaid_) {
        Found a = find(e, 0);
        problems.push_back("a fold of " + netName(a.net) + " cannot be laid flat");
    }
    if (!problems.empty() && !lenient) {
        now_ = std::move(before);
        rebuild();
        return false;
    }
    if (!crossed.empty()) {
        // What crosses itself folds as the unfolding folded it, within what
        // the decisions gave it: parts of the unfolding's nets never cross.
        for (size_t n : crossed)
            for (const Face& face : sheet_.nets[n].faces)
                for (int e : edgeOfFace_[size_t(face.origin)]) {
                    if (e < 0)
                        continue;
                    if (!unfoldedDecisions_.fold[size_t(e)])
                        now_.fold[size_t(e)] = 0;
                    now_.tab[size_t(e)] =
                        now_.fold[size_t(e)] ? -1 : unfoldedDecisions_.tab[size_t(e)];
                }
        rebuild();
    }
    undo_.push_back({std::move(before)});
    redo_.clear();
    return true;
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
    to.push_back({now_});
    now_ = std::move(from.back().decisions);
    from.pop_back();
    rebuild();
    return true;
}

}  // namespace sheet
