#pragma once
// Turns every polygon mesh of the scene into triangle records (gtvec), one
// list per mesh in breadth-first order of the scene graph, with neighbours
// linked across shared edges.
#include <vector>

#include <maya/MDagPath.h>

struct gt;

// Per mesh: host polygon index -> faceindex of its triangle. lookupgt serves
// the neighbour linking, lookupgtpower the output.
extern std::vector<std::vector<int>> lookupgt;
extern std::vector<std::vector<int>> lookupgtpower;

// Refills gtvec (expected empty), the two face tables and meshPaths.
void extractPolygons(std::vector<MDagPath>& meshPaths);

// Links gtvec[meshIndex][faceindex] to its neighbour across the edge that
// lies opposite its corner farthest from the neighbour.
void linkNeighbour(int faceindex, int neighbourFaceindex, int meshIndex);

// Zero area or corners that are not finite numbers. Such triangles are kept
// (their faceindex must match the host's polygon id) but never linked, so
// they stay nets of their own.
bool isDegenerate(const gt& t);
