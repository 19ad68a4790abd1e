#pragma once
// Small plane geometry for laying out a sheet: boxes and convex polygons
// (faces, tabs, label boxes) and whether they keep clear of each other.
#include <span>
#include <vector>

#include "sheet_model.h"

namespace sheet {

struct Box {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;

    void add(Vec2 p);
    void add(const Box& other);
    bool empty() const { return minX > maxX; }
    double width() const { return empty() ? 0.0 : maxX - minX; }
    double height() const { return empty() ? 0.0 : maxY - minY; }
};

Box boxOf(std::span<const Vec2> points);
// Everything of a net: its faces and its tabs.
Box boxOf(const Net& net);
// Positive for a counter-clockwise polygon (y up), negative for clockwise.
double signedArea(std::span<const Vec2> polygon);
bool boxesOverlap(const Box& a, const Box& b, double clearance);

// The unit normals of a convex polygon's edges (of at most four), with the
// polygon's extent along each: what a separating-axis test asks of it,
// worked out once for a shape tested many times.
struct Axes {
    Vec2 normal[4];
    double lo[4], hi[4];
    int count = 0;
};
Axes axesOf(std::span<const Vec2> polygon);

// Whether two convex polygons come closer than `clearance` along any of
// their edge normals (a separating-axis test; exact for clearance 0).
bool convexOverlap(std::span<const Vec2> a, std::span<const Vec2> b, double clearance);
// The same with each polygon's axes worked out beforehand.
bool convexOverlap(std::span<const Vec2> a, const Axes& axesA, std::span<const Vec2> b,
                   const Axes& axesB, double clearance);

// Whether every point lies inside the convex polygon, at least `margin` away
// from each of its edges. Either winding.
bool insideConvex(std::span<const Vec2> points, std::span<const Vec2> polygon, double margin);

}  // namespace sheet
