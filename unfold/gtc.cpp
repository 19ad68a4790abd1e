#include "unfold/gtc.h"

#include "geometry/options.h"
#include "unfold/run_state.h"
#include "unfold/tab_sides.h"

#include <algorithm>
#include <cassert>
#include <limits>

gtc::gtc() {
    resetBox();
}

void gtc::resetBox() {
    minx = std::numeric_limits<double>::max();
    miny = std::numeric_limits<double>::max();
    // maxx and maxy start at the smallest positive double, not the most
    // negative one; every net holds a corner at the origin of its first
    // triangle's frame, so the box is the same either way.
    maxx = std::numeric_limits<double>::min();
    maxy = std::numeric_limits<double>::min();
}

void gtc::growBox(const vec3d& point) {
    if (minx > point.x)
        minx = point.x;
    if (point.x > maxx)
        maxx = point.x;
    if (miny > point.y)
        miny = point.y;
    if (point.y > maxy)
        maxy = point.y;
}

void gtc::store(::gt* t) {
    assert(t);
    stored.push_back(t);
    if (!fullScanSelected())
        index.add(*t);
}

void gtc::addTriangle(::gt* t) {
    assert(t);
    gt.push_back(t);
    store(t);
    for (int k = 0; k < 3; ++k) {
        growBox(t->p[k]);
        if (t->lugs[k][0]) {
            growBox(*t->lugs[k][0]);
            growBox(*t->lugs[k][1]);
        }
    }
}

::gt* gtc::triangle(size_t i) const {
    assert(i < gt.size());
    return gt[i];
}

size_t gtc::size() const {
    return gt.size();
}

// Does the tab (v0, v1, l0, l1) overlap the face w? Boxes apart first: most
// pairs a join asks about lie well apart.
static bool tabOverFace(const vec3d& v0, const vec3d& v1, const vec3d& l0, const vec3d& l1,
                        const vec3d* w, const PieceBox& face) {
    const vec3d tab[4] = {v0, v1, l0, l1};
    if (!boxesMeet(boxOfPoints(tab, 4), face))
        return false;
    return triangleschnitt2d(w[0], w[1], w[2], v1, v0, l0) ||
           triangleschnitt2d(w[0], w[1], w[2], v0, l1, l0);
}

// A face of one triangle over a tab of the other covers that tab: allowed
// while the tab's other side stays uncovered.
static bool coversLastTab(const gt* u, const gt* s, const vec3d* w, const mat3d& rot,
                          const vec3d& trans, const vec3d& pivot) {
    PieceBox sFace = boxOfPoints(w, 3);
    PieceBox uFace = boxOfPoints(u->p, 3);
    for (int k = 0; k < 3; ++k) {
        if (u->lugs[k][0] &&
            tabOverFace(u->p[k], u->p[(k + 1) % 3], *u->lugs[k][0], *u->lugs[k][1], w, sFace) &&
            !coverTab(u, k))
            return true;
        if (s->lugs[k][0]) {
            vec3d l0 = s->placedLugPoint(k, 0, rot, trans, pivot);
            vec3d l1 = s->placedLugPoint(k, 1, rot, trans, pivot);
            if (tabOverFace(w[k], w[(k + 1) % 3], l0, l1, u->p, uFace) && !coverTab(s, k))
                return true;
        }
    }
    return false;
}

static bool collides(const gt* u, const gt* s, const mat3d& rot, const vec3d& trans,
                     const vec3d& pivot) {
    if (tabSidesActive()) {
        vec3d w[3] = {s->placedVertex(0, rot, trans, pivot), s->placedVertex(1, rot, trans, pivot),
                      s->placedVertex(2, rot, trans, pivot)};
        bool edgeToEdge = s->isneighbor(*u) && u->commonPoints(*s, rot, trans, pivot) == 2;
        if (!edgeToEdge && boxesMeet(boxOfPoints(w, 3), boxOfPoints(u->p, 3)) &&
            triangleschnitt2d(u->p[0], u->p[1], u->p[2], w[0], w[1], w[2]))
            return true;
        return coversLastTab(u, s, w, rot, trans, pivot);
    }
    // a mesh neighbour already lying edge to edge with s shares that edge
    // by design, and the overlap test would report the shared edge itself.
    // Their lugs may still overlap: the fewest-pieces unfolding, whose nets
    // close around many more vertices, tests them; the edge-ordered one keeps
    // its own test as it is.
    if (s->isneighbor(*u) && u->commonPoints(*s, rot, trans, pivot) == 2)
        return KivanoOptions.fewestPieces && u->lugCollision(*s, rot, trans, pivot);
    return u->collision(*s, rot, trans, pivot);
}

bool gtc::testTriangle(const gtc* B, const ::gt* s) const {
    return overlaps(s, B->rot, B->trans, B->pivot);
}

bool gtc::overlaps(const ::gt* s, const mat3d& by, const vec3d& shift, const vec3d& about) const {
    // the answer is whether any triangle collides, so asking only those whose
    // boxes meet s's box gives the same answer as asking all of them
    if (index.size() == stored.size() && !fullScanSelected()) {
        PieceBox box = placedPieceBox(*s, by, shift, about);
        return index.anyCandidate(box, [&](uint32_t position) {
            return collides(stored[position], s, by, shift, about);
        });
    }
    for (const ::gt* u : stored)
        if (collides(u, s, by, shift, about))
            return true;
    return false;
}

bool gtc::exceedsPage(const gtc* B, const ::gt* s, double width, double height) {
    return exceedsPage(s, B->rot, B->trans, B->pivot, width, height);
}

bool gtc::exceedsPage(const ::gt* s, const mat3d& by, const vec3d& shift, const vec3d& about,
                      double width, double height) {
    for (int k = 0; k < 3; ++k) {
        growBox(s->placedVertex(k, by, shift, about));
        if (s->lugs[k][0]) {
            growBox(s->placedLugPoint(k, 0, by, shift, about));
            growBox(s->placedLugPoint(k, 1, by, shift, about));
        }
    }
    return outgrowsPage(maxx - minx, maxy - miny, width, height);
}

bool outgrowsPage(double w, double h, double width, double height) {
    bool upright = w > width || h > height;
    if (!upright || !KivanoOptions.fewestPieces || KivanoOptions.fewestTries <= 0)
        return upright;
    return w > height || h > width;
}

void gtc::setRotation(vec3d from, vec3d to) {
    normalize(from);
    normalize(to);
    double c = from.x * to.x + from.y * to.y;
    double s = from.x * to.y - from.y * to.x;
    rot.setIdentity();
    rot.m[0] = c;
    rot.m[1] = -s;
    rot.m[3] = s;
    rot.m[4] = c;
}

void gtc::setTranslation(const vec3d& from, const vec3d& to) {
    trans = to - from;
}

void gtc::setPivot(const vec3d& v) {
    pivot = v;
}

void gtc::centerOnOrigin() {
    trans = vec3d(-minx - (maxx - minx) / 2, -miny - (maxy - miny) / 2, 0);
}

void createContainers() {
    readScanSelection();
    startJoining();
    for (std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (std::unique_ptr<gt>& t : triangles) {
            std::unique_ptr<gtc> net = std::make_unique<gtc>();
            t->flatten();
            t->container = int(gtcvec.size());
            net->label = net->owner = t->container;
            net->addTriangle(t.get());
            gtcvec.push_back(std::move(net));
        }
}
