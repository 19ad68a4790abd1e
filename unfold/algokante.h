// Edge-ordered unfolding: joins the nets of gtvec's triangles along shared
// edges, faces in one plane first, then the longest edges first.
#pragma once

#include <vector>

// Inner edges of the mesh: four parallel columns, one row per entry; the
// triangle of a row is gtvec[i][j], its edge k, of 3-D length len.
struct EdgeTable {
    std::vector<int> i;
    std::vector<int> j;
    std::vector<int> k;
    std::vector<double> len;

    int size() const { return int(len.size()); }
};

// Every triangle edge that has a linked-back neighbour and carries no lug of
// its own; an inner edge enters once per lug-free side.
EdgeTable createedgetab();

// Longest first; rows of equal length keep their table order.
void sortedgetab(EdgeTable& table);

// Largest row r <= z between two faces in one plane (not folded back onto
// each other) that lie in different nets; -1 if none.
int findCoplanarEdge(const EdgeTable& table, int z);

// Smallest row r >= r0 whose two triangles lie in different nets; -1 if none.
int findOpenEdge(const EdgeTable& table, int r0);

// Each pass leaves every net finished: its list, box and corners in place.
// Pass 1: joins faces in one plane, shortest edge first, without overlap test.
void joinCoplanarFaces(const EdgeTable& table);

// Pass 2: joins the remaining edges, longest first, each join tested; a
// refused row stays a cut.
void joinRemainingEdges(const EdgeTable& table);

// Gives every triangle of gtvec a net in gtcvec, then joins nets; reads the
// page limit from KivanoOptions. Expects gtcvec to be empty.
void algokante();
