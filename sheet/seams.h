#pragma once
// Seams: runs of consecutive cut edges of one net whose partners are
// consecutive edges of one other net (or of the same net). A seam is glued
// in one go, so it carries one number on each side instead of one per edge.
#include <vector>

#include "sheet_model.h"

namespace sheet {

struct EdgeRef {
    unsigned net = 0;
    unsigned face = 0;
    int edge = 0;
};

inline bool sameEdge(const EdgeRef& x, const EdgeRef& y) {
    return x.net == y.net && x.face == y.face && x.edge == y.edge;
}

// The two cut edges that share one mesh edge.
struct GluedPair {
    EdgeRef a, b;
};

struct Seam {
    // In order along the outline of side a's net; the b sides run the other
    // way along theirs. A single pair is a seam of one edge.
    std::vector<GluedPair> pairs;
    bool closed = false;  // the run goes all the way round
};

// Groups the pairs (cut edges of a classified sheet) into seams; every pair
// lands in exactly one.
std::vector<Seam> findSeams(const Sheet& sheet, const std::vector<GluedPair>& pairs);

// The corners of the seam side that edge `edge` of face `face` belongs to,
// in order along the net's outline (just that edge's two ends when it is on
// no seam of several edges).
std::vector<Vec2> seamSidePoints(const Net& net, int face, int edge);

}  // namespace sheet
