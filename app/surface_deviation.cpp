#include "surface_deviation.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <future>

namespace run {

namespace {

using P = std::array<double, 3>;

// A triangle is sampled at most this finely per side.
constexpr int kLatticeStepsMost = 64;

P sub(const P& a, const P& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const P& a, const P& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
P along(const P& a, const P& d, double t) {
    return {a[0] + d[0] * t, a[1] + d[1] * t, a[2] + d[2] * t};
}
double distance(const P& a, const P& b) {
    P d = sub(a, b);
    return std::sqrt(dot(d, d));
}

using Triangle = std::array<P, 3>;

std::vector<Triangle> fans(const Surface& s) {
    std::vector<Triangle> out;
    size_t at = 0;
    for (int n : s.counts) {
        assert(at + size_t(n) <= s.corners.size());
        for (int k = 1; k + 1 < n; ++k)
            out.push_back({s.points[size_t(s.corners[at])], s.points[size_t(s.corners[at + k])],
                           s.points[size_t(s.corners[at + k + 1])]});
        at += size_t(std::max(n, 0));
    }
    return out;
}

// The point of the triangle nearest p (Ericson, Real-Time Collision
// Detection, 5.1.5), by the regions of its corners and edges.
P nearestOn(const P& p, const Triangle& t) {
    const P &a = t[0], &b = t[1], &c = t[2];
    P ab = sub(b, a), ac = sub(c, a), ap = sub(p, a);
    double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    P bp = sub(p, b);
    double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return along(a, ab, d1 / (d1 - d3));
    P cp = sub(p, c);
    double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return along(a, ac, d2 / (d2 - d6));
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return along(b, sub(c, b), (d4 - d3) / ((d4 - d3) + (d5 - d6)));
    double denominator = va + vb + vc;
    if (!(denominator != 0.0))
        return a;  // no area: its corners were looked at above
    double v = vb / denominator, w = vc / denominator;
    return {a[0] + ab[0] * v + ac[0] * w, a[1] + ab[1] * v + ac[1] * w,
            a[2] + ab[2] * v + ac[2] * w};
}

// A bounding-box tree over triangles: a query opens the nearer child
// first and skips every box further than the nearest triangle found.
class TriangleTree {
public:
    explicit TriangleTree(const std::vector<Triangle>& triangles) : triangles_(triangles) {
        order_.resize(triangles.size());
        for (uint32_t i = 0; i < order_.size(); ++i)
            order_[i] = i;
        centres_.resize(triangles.size());
        for (size_t i = 0; i < triangles.size(); ++i)
            for (size_t k = 0; k < 3; ++k)
                centres_[i][k] = (triangles[i][0][k] + triangles[i][1][k] + triangles[i][2][k]) / 3;
        nodes_.reserve(2 * triangles.size() / kLeafSize + 2);
        build(0, uint32_t(order_.size()));
    }

    // The distance from p to the nearest triangle, or any distance at most
    // `enough` once one is found: a point nearer than that changes nothing.
    double distanceTo(const P& p, double enough) const {
        double best = HUGE_VAL;
        uint32_t stack[64];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            const Node& node = nodes_[stack[--top]];
            if (boxDistance(node, p) >= best)
                continue;
            if (node.count > 0) {
                for (uint32_t i = node.first; i < node.first + node.count; ++i)
                    best = std::min(best, distance(p, nearestOn(p, triangles_[order_[i]])));
                if (best <= enough)
                    return best;
                continue;
            }
            uint32_t a = node.first, b = node.second;
            if (boxDistance(nodes_[a], p) > boxDistance(nodes_[b], p))
                std::swap(a, b);
            assert(top + 2 <= 64);
            stack[top++] = b;  // the nearer child is opened first
            stack[top++] = a;
        }
        return best;
    }

private:
    static constexpr uint32_t kLeafSize = 4;
    struct Node {
        P low, high;
        uint32_t first = 0;   // leaf: first of order_; inner: one child
        uint32_t second = 0;  // inner: the other child
        uint32_t count = 0;   // 0 for an inner node
    };

    static double boxDistance(const Node& node, const P& p) {
        double d2 = 0.0;
        for (size_t k = 0; k < 3; ++k) {
            double out = std::max({node.low[k] - p[k], 0.0, p[k] - node.high[k]});
            d2 += out * out;
        }
        return std::sqrt(d2);
    }

    uint32_t build(uint32_t begin, uint32_t end) {
        Node node;
        node.low = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
        node.high = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (uint32_t i = begin; i < end; ++i)
            for (const P& corner : triangles_[order_[i]])
                for (size_t k = 0; k < 3; ++k) {
                    node.low[k] = std::min(node.low[k], corner[k]);
                    node.high[k] = std::max(node.high[k], corner[k]);
                }
        uint32_t index = uint32_t(nodes_.size());
        nodes_.push_back(node);
        if (end - begin <= kLeafSize) {
            nodes_[index].first = begin;
            nodes_[index].count = end - begin;
            return index;
        }
        size_t axis = 0;
        for (size_t k = 1; k < 3; ++k)
            if (node.high[k] - node.low[k] > node.high[axis] - node.low[axis])
                axis = k;
        uint32_t middle = begin + (end - begin) / 2;
        std::nth_element(
            order_.begin() + begin, order_.begin() + middle, order_.begin() + end,
            [&](uint32_t x, uint32_t y) { return centres_[x][axis] < centres_[y][axis]; });
        uint32_t left = build(begin, middle);
        uint32_t right = build(middle, end);
        nodes_[index].first = left;
        nodes_[index].second = right;
        return index;
    }

    const std::vector<Triangle>& triangles_;
    std::vector<uint32_t> order_;
    std::vector<P> centres_;
    std::vector<Node> nodes_;
};

double meanEdge(const std::vector<Triangle>& triangles) {
    double sum = 0.0;
    for (const Triangle& t : triangles)
        sum += distance(t[0], t[1]) + distance(t[1], t[2]) + distance(t[2], t[0]);
    return triangles.empty() ? 0.0 : sum / (3.0 * double(triangles.size()));
}

// The furthest a lattice point of `from`'s triangles lies from `to`.
// The furthest a lattice point of `from`'s triangles lies from `to`. Corners
// are shared by several triangles: each point is looked at once, and a
// triangle smaller than the spacing adds only its middle.
double oneWay(const Surface& surface, const std::vector<Triangle>& from, const TriangleTree& to,
              double spacing) {
    double furthest = 0.0;
    // Only a point further than the furthest so far matters.
    auto look = [&](const P& p) { furthest = std::max(furthest, to.distanceTo(p, furthest)); };
    std::vector<char> used(surface.points.size(), 0);
    for (int corner : surface.corners)
        if (!used[size_t(corner)]) {
            used[size_t(corner)] = 1;
            look(surface.points[size_t(corner)]);
        }
    for (const Triangle& t : from) {
        double longest =
            std::max({distance(t[0], t[1]), distance(t[1], t[2]), distance(t[2], t[0])});
        int steps = spacing > 0.0 ? int(std::ceil(longest / spacing)) : 1;
        steps = std::clamp(steps, 1, kLatticeStepsMost);
        P ab = sub(t[1], t[0]), ac = sub(t[2], t[0]);
        if (steps == 1)
            look(along(along(t[0], ab, 1.0 / 3), ac, 1.0 / 3));
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; i + j <= steps; ++j) {
                bool corner = (i == 0 && j == 0) || i == steps || j == steps;
                if (corner)
                    continue;
                double u = double(i) / steps, v = double(j) / steps;
                look({t[0][0] + ab[0] * u + ac[0] * v, t[0][1] + ab[1] * u + ac[1] * v,
                      t[0][2] + ab[2] * u + ac[2] * v});
            }
    }
    return furthest;
}

}  // namespace

double surfaceDeviation(const Surface& a, const Surface& b) {
    std::vector<Triangle> ta = fans(a), tb = fans(b);
    if (ta.empty() || tb.empty())
        return ta.empty() && tb.empty() ? 0.0 : HUGE_VAL;
    double spacing = std::min(meanEdge(ta), meanEdge(tb));
    // The two ways share nothing but what they read: one of them on a
    // thread of its own.
    std::future<double> away = std::async(std::launch::async, [&] {
        TriangleTree gb(tb);
        return oneWay(a, ta, gb, spacing);
    });
    TriangleTree ga(ta);
    double back = oneWay(b, tb, ga, spacing);
    return std::max(away.get(), back);
}

}  // namespace run
