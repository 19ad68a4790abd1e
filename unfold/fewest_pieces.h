// An unfolding that aims at few, large pieces, beside the edge-ordered one.
//
// On a curved surface no glue tab fits into the slit that opens where a net
// closes around a vertex: wherever an edge is cut, both of its ends must lie
// on the net's outline or on other cut edges, or the tab of neither side
// finds room. So the cut edges are laid out first, as one tree with few
// leaves: depth first from the lowest corner, always on to the lowest corner
// not reached yet, which winds around the model. The other edges are joined
// first; while joining, every edge carries a tab on both sides and a face may
// cover one of them as long as the other stays free. Then each cut edge keeps
// one of its tabs, chosen for all edges at once so that no kept tab overlaps
// a face or another kept tab (two-literal clauses). Several fixed directions
// are tried, and the one that gives the fewest nets is kept.
#pragma once

#include <functional>

// Like algokante(): gives every triangle of gtvec a net in gtcvec and joins
// them, with the same overlap and page tests, along the cut tree of the
// direction that needs the fewest nets (then the fewest cut edges; then the
// first), and never into more nets than the edge order alone gives.
// Expects gtcvec to be empty.
//
// With KivanoOptions.fewestTries, that many further join orders are tried
// from the best direction's unfolding, each kept where it leaves fewer
// pieces, and a piece may fit the page turned a quarter.
struct FewestProgress {
    std::function<void(int i, int n)> direction;           // before direction i of n
    std::function<void(int i, int n, int pieces)> search;  // before join order i of n
};
void unfoldFewestPieces(const FewestProgress& progress = {});
