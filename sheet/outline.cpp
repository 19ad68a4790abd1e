#include "outline.h"

#include <algorithm>
#include <cmath>

namespace sheet {

namespace {

constexpr double kJoin = 1e-3;  // mm: end points closer than this are one

using PointKey = std::pair<long long, long long>;

PointKey keyOf(Vec2 p) {
    return {std::llround(p.x / kJoin), std::llround(p.y / kJoin)};
}

// Segment ends sorted by point: a flat table instead of a node per point,
// since a page has tens of thousands of them.
struct Chainer {
    const std::vector<Segment>& segments;
    std::vector<std::pair<PointKey, int>> ends;
    std::vector<bool> used;

    // An unused segment that ends at p, and its other end.
    bool next(Vec2 p, Vec2& other) {
        PointKey key = keyOf(p);
        auto at = std::lower_bound(ends.begin(), ends.end(), std::make_pair(key, -1));
        for (; at != ends.end() && at->first == key; ++at) {
            int s = at->second;
            if (used[s])
                continue;
            used[s] = true;
            const Segment& seg = segments[s];
            other = keyOf(seg.first) == key ? seg.second : seg.first;
            return true;
        }
        return false;
    }
};

}  // namespace

std::vector<Segment> cutSegments(const Net& net) {
    // The tab on each face edge, found once: looking each up among all of the
    // net's tabs would make a large net's outline quadratic.
    std::vector<const Lug*> lugOf(net.faces.size() * 3, nullptr);
    for (const Lug& lug : net.lugs)
        if (lug.face < net.faces.size() && lug.edge >= 0 && lug.edge < 3 &&
            !lugOf[lug.face * 3 + lug.edge])
            lugOf[lug.face * 3 + lug.edge] = &lug;
    std::vector<Segment> segments;
    for (unsigned f = 0; f < net.faces.size(); ++f) {
        const Face& face = net.faces[f];
        for (int k = 0; k < 3; ++k) {
            if (face.kind[k] != EdgeKind::Cut)
                continue;
            if (const Lug* lug = lugOf[f * 3 + k]) {
                segments.push_back({lug->p[1], lug->p[2]});
                segments.push_back({lug->p[2], lug->p[3]});
                segments.push_back({lug->p[3], lug->p[0]});
            } else {
                segments.push_back({face.p[k], face.p[(k + 1) % 3]});
            }
        }
    }
    return segments;
}

std::vector<std::vector<Vec2>> chainSegments(const std::vector<Segment>& segments) {
    Chainer chainer{segments, {}, std::vector<bool>(segments.size(), false)};
    chainer.ends.reserve(segments.size() * 2);
    for (int s = 0; s < int(segments.size()); ++s) {
        chainer.ends.push_back({keyOf(segments[s].first), s});
        chainer.ends.push_back({keyOf(segments[s].second), s});
    }
    std::sort(chainer.ends.begin(), chainer.ends.end());
    std::vector<std::vector<Vec2>> lines;
    for (int s = 0; s < int(segments.size()); ++s) {
        if (chainer.used[s])
            continue;
        chainer.used[s] = true;
        std::vector<Vec2> forward{segments[s].first, segments[s].second};
        Vec2 p;
        while (chainer.next(forward.back(), p))
            forward.push_back(p);
        std::vector<Vec2> backward;
        while (chainer.next(backward.empty() ? forward.front() : backward.back(), p))
            backward.push_back(p);
        std::vector<Vec2> line(backward.rbegin(), backward.rend());
        line.insert(line.end(), forward.begin(), forward.end());
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace sheet
