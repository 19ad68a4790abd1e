#pragma once

#include "geometry/vec3d.h"

// Tests on flat points. Points closer than this coincide.
constexpr double kPointTolerance = 0.00001;

// Each segment is shortened by this fraction at both ends before intersection tests,
// so that segments meeting only at an end point or in a T do not count as crossing.
constexpr double kSegmentShortening = 0.01;

bool equal2d(const vec3d& a, const vec3d& b);
bool equal3d(const vec3d& a, const vec3d& b);

// Strictly inside: a point on an edge or at a corner is outside; a zero-area triangle holds nothing.
bool isInsideTriangle(const vec3d& x, const vec3d& a, const vec3d& b, const vec3d& c);
bool isInsideTriangleAndNoVertex(const vec3d& x, const vec3d& a, const vec3d& b, const vec3d& c);

// For x on the line through g and h: is it within the closed segment g-h?
bool isBetween(const vec3d& x, const vec3d& g, const vec3d& h);

bool streckenschnitt2d(const vec3d& a, const vec3d& b, const vec3d& c, const vec3d& d,
                       double fraction);

// Triangles sharing one corner do not overlap; triangles sharing a whole edge do.
bool triangleschnitt2d(const vec3d& a0, const vec3d& a1, const vec3d& a2, const vec3d& b0,
                       const vec3d& b1, const vec3d& b2);
