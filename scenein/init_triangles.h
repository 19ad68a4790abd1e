#pragma once
// Completes the triangle records that extraction left in gtvec: own geometry,
// the back-links between neighbours and, when wanted, the glue tabs.
struct gt;

// Each pass covers every triangle before the next starts: later passes read
// what earlier ones computed on the neighbours.
void initTriangles();

// 0, 1 or 2 when n's neighbour entry of that number is t (first match),
// otherwise -1 (the link is one-sided).
int sharedEdgeIndex(const gt* t, const gt* n);
