#include "unfold/gtc.h"

#include "unfold/run_state.h"

#include <cassert>

namespace {
struct Box {
    double minx, miny, maxx, maxy;
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

static bool acceptsAll(gtc* A, const gtc* B, bool testCollision, bool testPage, double width,
                       double height) {
    for (const gt* s : B->gt) {
        if (testCollision && A->testTriangle(B, s))
            return false;
        if (testPage && A->exceedsPage(B, s, width, height))
            return false;
    }
    return true;
}

// Edges of s whose neighbour now lies exactly against it in the same net are
// folds: neither side keeps its lug.
static void removeClosedEdgeLugs(gt* s, int net) {
    for (int c = 0; c < 3; ++c) {
        gt* m = s->nb[c];
        int f = s->nbedge[c];
        if (!m || f < 0 || f > 2 || m->container != net)
            continue;
        if (equal3d(s->p[c], m->p[(f + 1) % 3]) && equal3d(s->p[(c + 1) % 3], m->p[f])) {
            s->RemoveLugs(c);
            m->RemoveLugs(f);
            s->joined[c] = true;
            m->joined[f] = true;
        }
    }
}

static void moveTriangles(gtc* A, gtc* B, int net) {
    for (gt* s : B->gt) {
        s->transform(B->trans, B->rot, B->pivot);
        A->addTriangle(s);
        s->container = net;
        removeClosedEdgeLugs(s, net);
    }
}

bool gtc::merge(gtc* B, ::gt* t, int side, bool testCollision, bool testPage, double width,
                double height) {
    assert(B && B != this && t && side >= 0 && side < 3);
    if (!canJoin(t, side))
        return false;

    ::gt* n = t->nb[side];
    int e = t->nbedge[side];
    int net = t->container;
    assert(net >= 0 && size_t(net) < gtcvec.size() && gtcvec[net].get() == this);
    Box box = {minx, miny, maxx, maxy};

    const vec3d& P0 = t->p[side];
    const vec3d& P1 = t->p[(side + 1) % 3];
    const vec3d& Q0 = n->p[e];
    const vec3d& Q1 = n->p[(e + 1) % 3];
    B->setTranslation(Q1, P0);
    B->setRotation(Q0 - Q1, P1 - P0);
    B->setPivot(Q1);

    // the joining edge loses its lug before the tests, so that a lug lying
    // over the other net's triangle on that edge does not refuse the join
    t->saveLugs();
    t->RemoveLugs(side);
    n->RemoveLugs(e);

    if (!acceptsAll(this, B, testCollision, testPage, width, height)) {
        t->restoreLugs();
        minx = box.minx;
        miny = box.miny;
        maxx = box.maxx;
        maxy = box.maxy;
        return false;
    }

    t->freeSavedLugs();
    t->joined[side] = true;
    n->joined[e] = true;
    moveTriangles(this, B, net);
    B->active = false;
    // nothing tests against an inactive net again
    B->index = NetIndex();
    return true;
}
