#include "shapes.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace sheet {

void Box::add(Vec2 p) {
    minX = std::min(minX, p.x);
    minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x);
    maxY = std::max(maxY, p.y);
}

void Box::add(const Box& other) {
    if (other.empty())
        return;
    add(Vec2{other.minX, other.minY});
    add(Vec2{other.maxX, other.maxY});
}

Box boxOf(std::span<const Vec2> points) {
    Box box;
    for (Vec2 p : points)
        box.add(p);
    return box;
}

bool boxesOverlap(const Box& a, const Box& b, double clearance) {
    return a.minX < b.maxX + clearance && b.minX < a.maxX + clearance &&
           a.minY < b.maxY + clearance && b.minY < a.maxY + clearance;
}

double signedArea(std::span<const Vec2> polygon) {
    double area = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2.0;
}

namespace {

// Projections of a polygon onto an axis.
void project(std::span<const Vec2> polygon, Vec2 axis, double& lo, double& hi) {
    lo = 1e300;
    hi = -1e300;
    for (Vec2 p : polygon) {
        double d = p.x * axis.x + p.y * axis.y;
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
}

// Whether an axis of `own` (its polygon's extent already known) separates
// the polygons by at least the clearance.
bool separatedByAxesOf(const Axes& own, std::span<const Vec2> other, double clearance) {
    for (int i = 0; i < own.count; ++i) {
        double lo, hi;
        project(other, own.normal[i], lo, hi);
        if (own.hi[i] + clearance <= lo || hi + clearance <= own.lo[i])
            return true;
    }
    return false;
}

}  // namespace

Axes axesOf(std::span<const Vec2> polygon) {
    assert(polygon.size() <= 4);
    Axes axes;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 p = polygon[i], q = polygon[i + 1 < polygon.size() ? i + 1 : 0];
        double dx = q.x - p.x, dy = q.y - p.y;
        // sqrt, not hypot: edges of a sheet are nowhere near overflow, and
        // this runs for every trial position of every label.
        double len = std::sqrt(dx * dx + dy * dy);
        if (len <= 0.0)
            continue;
        int k = axes.count++;
        axes.normal[k] = {-dy / len, dx / len};
        project(polygon, axes.normal[k], axes.lo[k], axes.hi[k]);
    }
    return axes;
}

bool convexOverlap(std::span<const Vec2> a, const Axes& axesA, std::span<const Vec2> b,
                   const Axes& axesB, double clearance) {
    assert(!a.empty() && !b.empty());
    return !separatedByAxesOf(axesA, b, clearance) && !separatedByAxesOf(axesB, a, clearance);
}

bool convexOverlap(std::span<const Vec2> a, std::span<const Vec2> b, double clearance) {
    return convexOverlap(a, axesOf(a), b, axesOf(b), clearance);
}

bool insideConvex(std::span<const Vec2> points, std::span<const Vec2> polygon, double margin) {
    double orientation = signedArea(polygon) >= 0.0 ? 1.0 : -1.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        Vec2 p = polygon[i], q = polygon[(i + 1) % polygon.size()];
        double len = std::hypot(q.x - p.x, q.y - p.y);
        if (len <= 0.0)
            continue;
        for (Vec2 r : points) {
            double cross = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
            if (orientation * cross / len < margin)
                return false;
        }
    }
    return true;
}

Box boxOf(const Net& net) {
    Box box;
    for (const Face& face : net.faces)
        for (Vec2 p : face.p)
            box.add(p);
    for (const Lug& lug : net.lugs)
        for (Vec2 p : lug.p)
            box.add(p);
    return box;
}

}  // namespace sheet
