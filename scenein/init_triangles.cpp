#include "scenein/init_triangles.h"

#include <cassert>

#include "geometry/gt.h"
#include "geometry/options.h"
#include "unfold/run_state.h"

int sharedEdgeIndex(const gt* t, const gt* n) {
    assert(t && n);
    for (int j = 0; j < 3; ++j)
        if (n->nb[j] == t)
            return j;
    return -1;
}

template <typename Step>
static void forEachTriangle(Step step) {
    for (auto& triangles : gtvec)
        for (auto& t : triangles)
            step(*t);
}

static void measureAndMatch(gt& t) {
    t.computeNormal();
    t.computeHeights();
    for (int k = 0; k < 3; ++k)
        if (t.nb[k])
            t.nbedge[k] = sharedEdgeIndex(&t, t.nb[k]);
}

void initTriangles() {
    forEachTriangle(measureAndMatch);
    forEachTriangle([](gt& t) {
        t.computeAngles();
        t.computeFoldAngles();
    });
    if (!KivanoOptions.generateLugs)
        return;
    forEachTriangle([](gt& t) { t.createLugs(); });
    forEachTriangle([](gt& t) { t.fitLugs(); });
}
