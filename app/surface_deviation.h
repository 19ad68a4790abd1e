#pragma once
// How far apart two surfaces lie: the furthest a point of either lies from
// the other, as a simplification is judged. Points are taken on a lattice
// over every triangle at about the spacing of the finer surface's edges, so
// a large triangle of a simplified model is looked at all over, not only at
// its corners.
#include <array>
#include <vector>

namespace run {

// Polygons as corner lists into points (each split into a fan).
struct Surface {
    const std::vector<std::array<double, 3>>& points;
    const std::vector<int>& counts;
    const std::vector<int>& corners;
};

double surfaceDeviation(const Surface& a, const Surface& b);

}  // namespace run
