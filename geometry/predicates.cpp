#include "geometry/predicates.h"

#include <algorithm>

bool equal2d(const vec3d& a, const vec3d& b) {
    vec3d d = a - b;
    d.z = 0.0;
    return length(d) < kPointTolerance;
}

bool equal3d(const vec3d& a, const vec3d& b) {
    return length(a - b) < kPointTolerance;
}

bool isInsideTriangle(const vec3d& x, const vec3d& a, const vec3d& b, const vec3d& c) {
    vec3d e0 = b - a, e1 = c - a, e2 = x - a;

    double d00 = dot(e0, e0), d01 = dot(e0, e1), d02 = dot(e0, e2);
    double d11 = dot(e1, e1), d12 = dot(e1, e2);

    // For a zero-area triangle inv is infinite and the weights fail the strict bounds.
    double inv = 1.0 / (d00 * d11 - d01 * d01);
    double u = (d11 * d02 - d01 * d12) * inv;
    double v = (d00 * d12 - d01 * d02) * inv;

    return u > 0.0 && v > 0.0 && u + v < 1.0;
}

bool isInsideTriangleAndNoVertex(const vec3d& x, const vec3d& a, const vec3d& b, const vec3d& c) {
    // the cheap test first: most points lie outside
    if (!isInsideTriangle(x, a, b, c))
        return false;
    return !(equal2d(x, a) || equal2d(x, b) || equal2d(x, c));
}

bool isBetween(const vec3d& x, const vec3d& g, const vec3d& h) {
    double l = length(g - h);
    if (length(g - x) > l)
        return false;
    if (length(h - x) > l)
        return false;
    return true;
}

bool streckenschnitt2d(const vec3d& a, const vec3d& b, const vec3d& c, const vec3d& d,
                       double fraction) {
    vec3d g = a + (b - a) * fraction, h = b - (b - a) * fraction;
    vec3d l = c + (d - c) * fraction, m = d - (d - c) * fraction;

    // a cross product is zero exactly when its squared length is
    vec3d p1 = cross(h - g, l - g);
    if (dot(p1, p1) == 0.0 && isBetween(l, g, h))
        return true;

    vec3d p2 = cross(h - g, m - g);
    if (dot(p2, p2) == 0.0 && isBetween(m, g, h))
        return true;

    if (dot(p1, p2) >= 0.0)
        return false;

    vec3d p3 = cross(m - l, g - l);
    double t3 = dot(p3, p3);
    if (t3 == 0.0 && isBetween(g, l, m))
        return true;

    vec3d p4 = cross(m - l, h - l);
    double t4 = dot(p4, p4);
    if (t4 == 0.0 && isBetween(h, l, m))
        return true;

    if (t3 == 0.0 || t4 == 0.0)
        return false;

    return !(dot(p3, p4) > 0.0);
}

static bool edgeCrossesTriangle(const vec3d& a, const vec3d& b, const vec3d& b0, const vec3d& b1,
                                const vec3d& b2) {
    return streckenschnitt2d(a, b, b0, b1, kSegmentShortening) ||
           streckenschnitt2d(a, b, b0, b2, kSegmentShortening) ||
           streckenschnitt2d(a, b, b2, b1, kSegmentShortening);
}

static bool cornerInside(const vec3d& x0, const vec3d& x1, const vec3d& x2, const vec3d& a0,
                         const vec3d& a1, const vec3d& a2) {
    return isInsideTriangleAndNoVertex(x0, a0, a1, a2) ||
           isInsideTriangleAndNoVertex(x1, a0, a1, a2) ||
           isInsideTriangleAndNoVertex(x2, a0, a1, a2);
}

bool triangleschnitt2d(const vec3d& a0, const vec3d& a1, const vec3d& a2, const vec3d& b0,
                       const vec3d& b1, const vec3d& b2) {
    // Triangles whose boxes lie apart share no point: every test below looks
    // at points of the two triangles only.
    if (std::max({a0.x, a1.x, a2.x}) < std::min({b0.x, b1.x, b2.x}) ||
        std::max({b0.x, b1.x, b2.x}) < std::min({a0.x, a1.x, a2.x}) ||
        std::max({a0.y, a1.y, a2.y}) < std::min({b0.y, b1.y, b2.y}) ||
        std::max({b0.y, b1.y, b2.y}) < std::min({a0.y, a1.y, a2.y}))
        return false;
    return edgeCrossesTriangle(a0, a1, b0, b1, b2) || edgeCrossesTriangle(a0, a2, b0, b1, b2) ||
           edgeCrossesTriangle(a2, a1, b0, b1, b2) || cornerInside(b0, b1, b2, a0, a1, a2) ||
           cornerInside(a0, a1, a2, b0, b1, b2);
}
