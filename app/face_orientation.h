#pragma once
// One winding per part: which polygons of a mesh must be turned so that
// every part faces one way. A part is what a walk across two-sided edges
// reaches; a closed part faces out, an open one the way most of it faces.
// Faces wound against their neighbours otherwise print as mirror images,
// with folds and glue numbers on the wrong ends of their edges.
#include <array>
#include <span>
#include <vector>

struct FaceOrientation {
    std::vector<int> turned;  // polygons to wind the other way, ascending
    int parts = 0;
    // Polygons wound against the rest of their part (the fewer of its two
    // windings), and closed parts that faced inwards as a whole.
    int againstNeighbours = 0;
    int insideOut = 0;
    // Parts no choice of windings makes agree (a Moebius band): left as
    // they are.
    int unorientable = 0;
};

// counts: corners per polygon; corners: point indices, polygon after
// polygon; points: where they lie, for the outside of a closed part.
FaceOrientation orientFaces(std::span<const int> counts, std::span<const int> corners,
                            std::span<const std::array<double, 3>> points);
