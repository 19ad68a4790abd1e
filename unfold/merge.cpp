#include "unfold/gtc.h"

#include "unfold/run_state.h"
#include "unfold/tab_sides.h"

#include "common/tolerances.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace {
// A placement as rot (v - pivot) + (trans + pivot), the form gt::transform takes.
struct Placement {
    mat3d rot;
    vec3d trans;
    vec3d pivot;
};

}  // namespace

static bool hasLength(const vec3d& from, const vec3d& to) {
    return length(to - from) > 0;
}

// A join needs both copies of the edge: a neighbour that does not link back
// has no defined copy, and a zero-length edge has no direction to turn.
static bool canJoin(const gt* t, int side) {
    const gt* n = t->nb[side];
    int e = t->nbedge[side];
    if (!n || e < 0 || e > 2)
        return false;
    return hasLength(t->p[side], t->p[(side + 1) % 3]) && hasLength(n->p[e], n->p[(e + 1) % 3]);
}

static PlaneMap asMap(const Placement& p) {
    const double* m = p.rot.m;
    PlaneMap map{m[0], m[1], m[3], m[4], 0, 0};
    map.x0 = p.trans.x + p.pivot.x - (map.a * p.pivot.x + map.b * p.pivot.y);
    map.y0 = p.trans.y + p.pivot.y - (map.c * p.pivot.x + map.d * p.pivot.y);
    return map;
}

static Placement asPlacement(const PlaneMap& map) {
    Placement p;
    p.rot.m[0] = map.a;
    p.rot.m[1] = map.b;
    p.rot.m[3] = map.c;
    p.rot.m[4] = map.d;
    p.trans = vec3d(map.x0, map.y0, 0);
    return p;
}

// first, then second
static PlaneMap compose(const PlaneMap& second, const PlaneMap& first) {
    return {second.a * first.a + second.b * first.c,
            second.a * first.b + second.b * first.d,
            second.c * first.a + second.d * first.c,
            second.c * first.b + second.d * first.d,
            second.a * first.x0 + second.b * first.y0 + second.x0,
            second.c * first.x0 + second.d * first.y0 + second.y0};
}

static PlaneMap inverse(const PlaneMap& map) {
    double det = map.a * map.d - map.b * map.c;
    PlaneMap inv{map.d / det, -map.b / det, -map.c / det, map.a / det, 0, 0};
    inv.x0 = -(inv.a * map.x0 + inv.b * map.y0);
    inv.y0 = -(inv.c * map.x0 + inv.d * map.y0);
    return inv;
}

static PlaneMap frameOf(const gtc* net) {
    return net->frame ? *net->frame : PlaneMap();
}

// Where a stored corner of net lies in the net's own frame.
static vec3d inOwnFrame(const gtc* net, const vec3d& v) {
    if (!net->frame)
        return v;
    Placement p = asPlacement(*net->frame);
    return place(v, p.rot, p.trans, p.pivot);
}

static int labelOf(const gtc* net, int id) {
    return net->label >= 0 ? net->label : id;
}

int netOf(const gt* t) {
    assert(t->container >= 0 && size_t(t->container) < gtcvec.size());
    int owner = gtcvec[t->container]->owner;
    return owner >= 0 ? owner : t->container;
}

static gtc::PassState& passOf(gtc* net) {
    if (!net->pass)
        net->pass = std::make_unique<gtc::PassState>();
    return *net->pass;
}

// A lug taken off a triangle after it entered a net: the net's box keeps it,
// as the box holds every corner its triangles had when they came in.
static void keepRemovedLug(const gt* s, int k, gtc* net, const gtc* frameNet) {
    if (!s->lugs[k][0])
        return;
    std::vector<vec3d>& removed = passOf(net).removedCorners;
    removed.push_back(inOwnFrame(frameNet, *s->lugs[k][0]));
    removed.push_back(inOwnFrame(frameNet, *s->lugs[k][1]));
}

// Edges of s whose neighbour now lies exactly against it in the same net are
// folds: neither side keeps its lug.
static void removeClosedEdgeLugs(gt* s, gtc* net, const gtc* frameNet) {
    for (int c = 0; c < 3; ++c) {
        gt* m = s->nb[c];
        int f = s->nbedge[c];
        if (!m || f < 0 || f > 2 || m->container != s->container)
            continue;
        if (equal3d(s->p[c], m->p[(f + 1) % 3]) && equal3d(s->p[(c + 1) % 3], m->p[f])) {
            keepRemovedLug(s, c, net, frameNet);
            keepRemovedLug(m, f, net, frameNet);
            s->RemoveLugs(c);
            m->RemoveLugs(f);
            s->joined[c] = true;
            m->joined[f] = true;
        }
    }
}

// Moves every triangle of `from` by `by` into the frame of `into` (whose
// triangles carry `label`), which then holds them.
static void moveStored(gtc* from, gtc* into, int label, const Placement& by, gtc* net,
                       const gtc* frameNet) {
    for (gt* s : from->stored) {
        s->transform(by.trans, by.rot, by.pivot);
        into->store(s);
        s->container = label;
        removeClosedEdgeLugs(s, net, frameNet);
    }
    std::vector<gt*>().swap(from->stored);
    from->index = NetIndex();
}

static bool anyOverlap(const gtc* fixed, const gtc* moved, const Placement& by) {
    for (const gt* s : moved->stored)
        if (fixed->overlaps(s, by.rot, by.trans, by.pivot))
            return true;
    return false;
}

// ---- the page test ------------------------------------------------------------
//
// The exact test grows the net's box by every corner of the other net, which
// costs what the larger side holds when a small net joins a large one. Most
// joins are decided by bounds instead: the other net's box turned into this
// net's frame encloses its corners, and its joining triangle lies within them.

using kivano::GridBox;

static GridBox boxOf(const gtc* net) {
    return {net->minx, net->miny, net->maxx, net->maxy};
}

static void setBox(gtc* net, const GridBox& box) {
    net->minx = box.minx;
    net->miny = box.miny;
    net->maxx = box.maxx;
    net->maxy = box.maxy;
}

static GridBox unite(GridBox a, const GridBox& b) {
    growBox(a, vec3d(b.minx, b.miny, 0));
    growBox(a, vec3d(b.maxx, b.maxy, 0));
    return a;
}

static bool exceeds(const GridBox& box, double width, double height) {
    return outgrowsPage(box.maxx - box.minx, box.maxy - box.miny, width, height);
}

static double magnitude(const GridBox& box) {
    return std::max(std::max(std::fabs(box.minx), std::fabs(box.maxx)),
                    std::max(std::fabs(box.miny), std::fabs(box.maxy)));
}

// Encloses every corner of B (its box, in its own frame) placed by `by`
// into this net's own frame, with room for the rounding of the turn.
static GridBox placedBound(const gtc* B, const Placement& by) {
    GridBox b = boxOf(B);
    GridBox placed = emptyPieceBox();
    for (double x : {b.minx, b.maxx})
        for (double y : {b.miny, b.maxy})
            growBox(placed, place(vec3d(x, y, 0), by.rot, by.trans, by.pivot));
    double scale = std::max({magnitude(b), magnitude(placed), std::fabs(by.trans.x),
                             std::fabs(by.trans.y), std::fabs(by.pivot.x), std::fabs(by.pivot.y)});
    double slack = kPlacedBoundSlack * scale;
    return {placed.minx - slack, placed.miny - slack, placed.maxx + slack, placed.maxy + slack};
}

// Corners known to lie in the net's box.
static GridBox innerBox(const gtc* net) {
    return net->boxExact ? boxOf(net) : net->pass->inner;
}

// Brings back the box that growing it corner by corner would hold: its last
// exact span, every corner its triangles hold now and the lug corners taken
// off since (`extra`: a lug taken off for the join under test).
static void settleBox(gtc* net, const std::optional<std::array<vec3d, 2>>& extra) {
    if (net->boxExact)
        return;
    setBox(net, net->pass->settled);
    for (const gt* t : net->stored)
        for (int k = 0; k < 3; ++k) {
            net->growBox(inOwnFrame(net, t->p[k]));
            if (t->lugs[k][0]) {
                net->growBox(inOwnFrame(net, *t->lugs[k][0]));
                net->growBox(inOwnFrame(net, *t->lugs[k][1]));
            }
        }
    for (const vec3d& v : net->pass->removedCorners)
        net->growBox(v);
    if (extra) {
        net->growBox((*extra)[0]);
        net->growBox((*extra)[1]);
    }
    net->boxExact = true;
}

// Does the net, grown by B placed by `placeB` (own frame to own frame) and
// `pageB` (B's stored corners to this net's own frame), still fit the page?
// On yes the box holds B's corners; on no it is as it was.
static bool fitsPage(gtc* net, const gtc* B, const gt* n, const Placement& placeB,
                     const Placement& pageB, const std::optional<std::array<vec3d, 2>>& joinLug,
                     double width, double height) {
    GridBox upper = unite(boxOf(net), placedBound(B, placeB));
    GridBox lower = innerBox(net);
    for (int k = 0; k < 3; ++k)
        growBox(lower, n->placedVertex(k, pageB.rot, pageB.trans, pageB.pivot));
    if (!exceeds(upper, width, height)) {
        if (net->boxExact) {
            passOf(net).settled = boxOf(net);
            net->boxExact = false;
        }
        net->pass->inner = lower;
        setBox(net, upper);
        return true;
    }
    if (exceeds(lower, width, height))
        return false;
    settleBox(net, joinLug);
    GridBox before = boxOf(net);
    for (const ::gt* s : B->stored)
        if (net->exceedsPage(s, pageB.rot, pageB.trans, pageB.pivot, width, height)) {
            setBox(net, before);
            return false;
        }
    return true;
}

bool gtc::merge(gtc* B, ::gt* t, int side, bool testCollision, bool testPage, double width,
                double height) {
    assert(B && B != this && t && side >= 0 && side < 3);
    if (!canJoin(t, side))
        return false;

    ::gt* n = t->nb[side];
    int e = t->nbedge[side];
    int net = netOf(t);
    int other = netOf(n);
    assert(net >= 0 && size_t(net) < gtcvec.size() && gtcvec[net].get() == this);
    assert(gtcvec[other].get() == B);

    // B's placement is worked out, and kept, in both nets' own frames
    const vec3d P0 = inOwnFrame(this, t->p[side]);
    const vec3d P1 = inOwnFrame(this, t->p[(side + 1) % 3]);
    const vec3d Q0 = inOwnFrame(B, n->p[e]);
    const vec3d Q1 = inOwnFrame(B, n->p[(e + 1) % 3]);
    B->setTranslation(Q1, P0);
    B->setRotation(Q0 - Q1, P1 - P0);
    B->setPivot(Q1);
    const Placement placeB = {B->rot, B->trans, B->pivot};

    // B's stored triangles onto this net's stored ones; while no frame is
    // involved that is B's placement itself, to the last bit
    bool framed = frame || B->frame;
    PlaneMap mapB = compose(inverse(frameOf(this)), compose(asMap(placeB), frameOf(B)));
    Placement intoThis = framed ? asPlacement(mapB) : placeB;
    bool moveThis = stored.size() < B->stored.size();
    // this net's stored triangles onto B's, when they are the ones to move
    Placement intoB = moveThis ? asPlacement(inverse(mapB)) : Placement();

    // the joining edge loses its lug before the tests, so that a lug lying
    // over the other net's triangle on that edge does not refuse the join
    std::optional<std::array<vec3d, 2>> joinLug;
    if (t->lugs[side][0])
        joinLug = {inOwnFrame(this, *t->lugs[side][0]), inOwnFrame(this, *t->lugs[side][1])};
    t->saveLugs();
    t->RemoveLugs(side);
    n->RemoveLugs(e);

    // the smaller net is tested against the larger one's index: overlap is
    // the same question either way round
    bool accepted = true;
    if (testCollision)
        accepted = moveThis ? !anyOverlap(B, this, intoB) : !anyOverlap(this, B, intoThis);
    if (accepted && testPage) {
        Placement pageB = B->frame ? asPlacement(compose(asMap(placeB), *B->frame)) : placeB;
        accepted = fitsPage(this, B, n, placeB, pageB, joinLug, width, height);
    }
    if (!accepted) {
        t->restoreLugs();
        forgetCoveredTabs();
        return false;
    }
    keepCoveredTabs();

    t->freeSavedLugs();
    if (joinLug) {
        passOf(this).removedCorners.push_back((*joinLug)[0]);
        passOf(this).removedCorners.push_back((*joinLug)[1]);
    }
    t->joined[side] = true;
    n->joined[e] = true;

    if (moveThis) {
        // this net's triangles go into B's frame, which becomes this net's
        PlaneMap merged = compose(asMap(placeB), frameOf(B));
        gtc holder;
        holder.frame = std::make_unique<PlaneMap>(merged);
        int shared = labelOf(B, other);
        moveStored(this, B, shared, intoB, this, &holder);
        std::swap(stored, B->stored);
        std::swap(index, B->index);
        frame = std::move(holder.frame);
        label = shared;
        gtcvec[size_t(shared)]->owner = net;
        following.push_back(other);
    } else {
        moveStored(B, this, labelOf(this, net), intoThis, this, this);
        if (following.empty() && B->following.empty()) {
            gt.insert(gt.end(), B->gt.begin(), B->gt.end());
            std::vector<::gt*>().swap(B->gt);
        } else
            following.push_back(other);
    }
    B->active = false;
    // nothing tests against an inactive net again
    std::vector<::gt*>().swap(B->stored);
    B->index = NetIndex();
    B->frame.reset();
    B->pass.reset();
    return true;
}

void startJoining() {
    for (const std::unique_ptr<gtc>& net : gtcvec) {
        net->pass.reset();
        net->boxExact = true;
    }
}

// The net's own list, then those of the nets joined on after it, each
// followed by its own followers; their lists are freed on the way.
static void completeList(gtc* net) {
    if (net->following.empty())
        return;
    std::vector<::gt*> list;
    list.reserve(net->stored.size());
    list.insert(list.end(), net->gt.begin(), net->gt.end());
    std::vector<std::pair<gtc*, size_t>> stack = {{net, 0}};
    while (!stack.empty()) {
        gtc* node = stack.back().first;
        size_t next = stack.back().second;
        if (next == node->following.size()) {
            std::vector<int>().swap(node->following);
            stack.pop_back();
            continue;
        }
        stack.back().second = next + 1;
        gtc* child = gtcvec[size_t(node->following[next])].get();
        list.insert(list.end(), child->gt.begin(), child->gt.end());
        std::vector<::gt*>().swap(child->gt);
        stack.push_back({child, 0});
    }
    net->gt.swap(list);
}

static void growByCorners(gtc* net, const gt* t) {
    for (int k = 0; k < 3; ++k) {
        net->growBox(t->p[k]);
        if (t->lugs[k][0]) {
            net->growBox(*t->lugs[k][0]);
            net->growBox(*t->lugs[k][1]);
        }
    }
}

void finishJoining() {
    for (size_t c = 0; c < gtcvec.size(); ++c) {
        gtc* net = gtcvec[c].get();
        if (!net->active)
            continue;
        completeList(net);
        Placement toOwn = net->frame ? asPlacement(*net->frame) : Placement();
        net->resetBox();
        for (gt* t : net->gt) {
            if (net->frame)
                t->transform(toOwn.trans, toOwn.rot, toOwn.pivot);
            t->container = int(c);
            growByCorners(net, t);
        }
        if (net->pass)
            for (const vec3d& v : net->pass->removedCorners)
                net->growBox(v);
        if (net->frame) {
            // the index holds the boxes where the triangles lay before
            std::vector<gt*> moved;
            moved.swap(net->stored);
            net->index = NetIndex();
            for (gt* t : moved)
                net->store(t);
        }
        net->frame.reset();
    }
    startJoining();
    for (size_t c = 0; c < gtcvec.size(); ++c)
        gtcvec[c]->label = gtcvec[c]->owner = int(c);
}
