// An unfolding that aims at few, large pieces, beside the edge-ordered one.
//
// On a curved surface no glue tab fits into the slit that opens where a net
// closes around a vertex, so the nets of the edge-ordered unfolding stop
// growing wherever that happens. Cutting along each vertex's steepest edge
// towards a direction leaves the other edges as one tree of faces (Schlickenrieder's
// steepest-edge unfolding): joined first, they let nets grow as broad
// strips that never close around a vertex. Several fixed directions are
// tried, and the one that gives the fewest nets is kept.
#pragma once

#include <functional>

// The directions tried, in the order tried.
int fewestPiecesDirections();

// Like algokante(): gives every triangle of gtvec a net in gtcvec and joins
// them, with the same overlap and page tests, along the cut tree of the
// direction that needs the fewest nets (then the fewest cut edges; then the
// first). `progress(i, n)` is called before direction i of n is tried.
// Expects gtcvec to be empty.
void unfoldFewestPieces(const std::function<void(int, int)>& progress = {});
