#pragma once
// Checks of pieces on paper by Clipper, the tests' own polygon library, so
// that no test relies on the code's own overlap test.
#include <clipper.hpp>

#include <cmath>

#include "sheet_model.h"

namespace sheet::testing {

namespace cl = ClipperLib;

// In micrometres, as Clipper wants whole numbers.
inline cl::Path pathOf(const Vec2* p, int count) {
    cl::Path path;
    for (int i = 0; i < count; ++i)
        path.push_back(
            {cl::cInt(std::llround(p[i].x * 1e6)), cl::cInt(std::llround(p[i].y * 1e6))});
    return path;
}

// The area two sets of polygons share, mm².
inline double sharedArea(const cl::Paths& a, const cl::Paths& b) {
    cl::Clipper clipper;
    clipper.AddPaths(a, cl::ptSubject, true);
    clipper.AddPaths(b, cl::ptClip, true);
    cl::Paths common;
    clipper.Execute(cl::ctIntersection, common, cl::pftNonZero, cl::pftNonZero);
    double area = 0.0;
    for (const cl::Path& p : common)
        area += std::fabs(cl::Area(p));
    return area / 1e12;
}

// A face's side lengths and signed area: equal for a face moved and turned,
// the area's sign flipped for one mirrored.
struct Shape {
    double sides[3];
    double area;
};

inline Shape shapeOf(const Face& f) {
    Shape s;
    for (int k = 0; k < 3; ++k)
        s.sides[k] = std::hypot(f.p[(k + 1) % 3].x - f.p[k].x, f.p[(k + 1) % 3].y - f.p[k].y);
    s.area = (f.p[1].x - f.p[0].x) * (f.p[2].y - f.p[0].y) -
             (f.p[2].x - f.p[0].x) * (f.p[1].y - f.p[0].y);
    return s;
}

}  // namespace sheet::testing
