#include "geometry/lugs.h"

#include "geometry/gt.h"
#include "geometry/options.h"

#include <assert.h>
#include <math.h>

#include <numbers>
#include <vector>

namespace {

// One edge's lug corners: [0] the own-frame Lugs, [1] the placed lugs; each a corner pair.
struct SavedLug {
    std::optional<vec3d> corner[2][2];
};

struct SavedLevel {
    SavedLug own[3];
    SavedLug facing[3];  // the neighbour's lug on the shared edge
};

// Grows as needed, so nested trial merges can never write past the last level.
std::vector<SavedLevel> savedLugStack;

}  // namespace

int savedLugsDepth() {
    return int(savedLugStack.size());
}

// The edge of nb[k] that is shared with this triangle, or -1 when there is none to use.
static int facingEdge(const gt& t, int k) {
    return t.nb[k] && t.nbedge[k] >= 0 && t.nbedge[k] < 3 ? t.nbedge[k] : -1;
}

// Equal heights: the triangle created first carries the lug, independent of where records lie in memory.
static bool createdBefore(const gt& a, const gt& b) {
    return a.meshindex != b.meshindex ? a.meshindex < b.meshindex : a.faceindex < b.faceindex;
}

void gt::createLugs() {
    for (int k = 0; k < 3; ++k) {
        // A neighbour that does not list us back has no edge to compare heights over: no lug.
        int e = facingEdge(*this, k);
        if (e < 0)
            continue;

        double mine = height[k], theirs = nb[k]->height[e];

        if (theirs > mine || (theirs == mine && createdBefore(*this, *nb[k])))
            createLug(k);
    }
}

void gt::createLug(int k) {
    assert(k >= 0 && k < 3);
    int e = facingEdge(*this, k);
    if (Lugs[k][0] || e < 0)
        return;

    // Written so that a NaN height of a degenerate neighbour falls back to the maximum.
    double theirs = nb[k]->height[e];
    double w = theirs < KivanoOptions.maxLugWidth ? theirs : KivanoOptions.maxLugWidth;
    lugWidth[k] = w;

    vec3d r = P[k] - P[(k + 1) % 3];
    normalize(r);
    vec3d u = cross(normal, r);

    vec3d a = rotated(u, normal, -std::numbers::pi / 4);
    vec3d b = rotated(u, normal, std::numbers::pi / 4);
    normalize(a);
    normalize(b);
    a = a * (sqrt(2.0) * w);
    b = b * (sqrt(2.0) * w);

    Lugs[k][0] = P[(k + 1) % 3] + a;
    Lugs[k][1] = P[k] + b;
    lugs[k][0] = vec3d();
    lugs[k][1] = vec3d();
}

void gt::fitLugs() {
    fitLug(0);
    fitLug(1);
    fitLug(2);
}

void gt::fitLug(int k) {
    assert(k >= 0 && k < 3);
    if (!Lugs[k][0])
        return;
    assert(Lugs[k][1]);

    const vec3d& v0 = P[k];
    const vec3d& v1 = P[(k + 1) % 3];

    double l = length(v1 - v0);
    if (l >= 2 * lugWidth[k])
        return;

    // The flanks would cross: the lug becomes the right-angled triangle over the edge.
    vec3d a = *Lugs[k][1] - v0;
    vec3d b = *Lugs[k][0] - v1;
    vec3d apex = v0 + (v1 - v0) * 0.5 + normalized(b + a) * (l / 2);

    Lugs[k][1] = apex;
    Lugs[k][0] = apex;
}

void gt::RemoveLugs(int k) {
    assert(k >= 0 && k < 3);
    Lugs[k][0].reset();
    Lugs[k][1].reset();
    lugs[k][0].reset();
    lugs[k][1].reset();
}

static void saveLug(SavedLug& s, const gt& t, int k) {
    for (int j = 0; j < 2; ++j) {
        s.corner[0][j] = t.Lugs[k][j];
        s.corner[1][j] = t.lugs[k][j];
    }
}

static void restoreLug(gt& t, int k, const SavedLug& s) {
    for (int j = 0; j < 2; ++j) {
        t.Lugs[k][j] = s.corner[0][j];
        t.lugs[k][j] = s.corner[1][j];
    }
}

void gt::saveLugs() {
    SavedLevel& level = savedLugStack.emplace_back();

    for (int i = 0; i < 3; ++i) {
        saveLug(level.own[i], *this, i);

        int e = facingEdge(*this, i);
        if (e >= 0)
            saveLug(level.facing[i], *nb[i], e);
    }
}

void gt::restoreLugs() {
    if (savedLugStack.empty())
        return;

    const SavedLevel& level = savedLugStack.back();

    for (int i = 0; i < 3; ++i) {
        restoreLug(*this, i, level.own[i]);

        int e = facingEdge(*this, i);
        if (e >= 0)
            restoreLug(*nb[i], e, level.facing[i]);
    }

    savedLugStack.pop_back();
}

void gt::freeSavedLugs() {
    if (!savedLugStack.empty())
        savedLugStack.pop_back();
}
