#include "seams.h"

#include <array>
#include <cmath>
#include <map>
#include <tuple>

#include "outline.h"

namespace sheet {

namespace {

// Corners of one net closer than this (mm) are one point of its outline.
constexpr double kSamePoint = 1e-6;
constexpr double kOutlineJoin = 1e-3;  // mm: the outline's chains join ends this close

using PointKey = std::tuple<unsigned, long long, long long>;  // net, x, y

PointKey keyOf(unsigned net, Vec2 p) {
    return {net, std::llround(p.x / kSamePoint), std::llround(p.y / kSamePoint)};
}

Vec2 endOf(const Sheet& sheet, const EdgeRef& e) {
    return sheet.nets[e.net].faces[e.face].p[(e.edge + 1) % 3];
}

// The cut edge that continues each cut edge along its net's outline: the
// one starting where it ends. Where several start there (the outline
// touches itself), none is taken.
struct Outline {
    std::map<PointKey, std::vector<EdgeRef>> starting;

    explicit Outline(const Sheet& sheet) {
        for (unsigned n = 0; n < sheet.nets.size(); ++n)
            for (unsigned f = 0; f < sheet.nets[n].faces.size(); ++f)
                for (int k = 0; k < 3; ++k)
                    if (sheet.nets[n].faces[f].kind[k] == EdgeKind::Cut)
                        starting[keyOf(n, sheet.nets[n].faces[f].p[k])].push_back({n, f, k});
    }

    bool next(const Sheet& sheet, const EdgeRef& e, EdgeRef& out) const {
        auto found = starting.find(keyOf(e.net, endOf(sheet, e)));
        if (found == starting.end() || found->second.size() != 1)
            return false;
        out = found->second.front();
        return true;
    }
};

struct Link {
    int pair = -1;
    int side = 0;  // 0: the pair's a, 1: its b
};

const EdgeRef& sideOf(const GluedPair& p, int side) {
    return side == 0 ? p.a : p.b;
}

}  // namespace

std::vector<Seam> findSeams(const Sheet& sheet, const std::vector<GluedPair>& pairs) {
    Outline outline(sheet);
    std::map<std::tuple<unsigned, unsigned, int>, Link> glued;
    for (int i = 0; i < int(pairs.size()); ++i)
        for (int s = 0; s < 2; ++s) {
            const EdgeRef& e = sideOf(pairs[size_t(i)], s);
            glued[{e.net, e.face, e.edge}] = {i, s};
        }

    // next[i][s]: the pair whose side continues side s of pair i along its
    // outline while its partner leads into the partner of pair i.
    std::vector<std::array<Link, 2>> next(pairs.size());
    for (int i = 0; i < int(pairs.size()); ++i)
        for (int s = 0; s < 2; ++s) {
            EdgeRef following;
            if (!outline.next(sheet, sideOf(pairs[size_t(i)], s), following))
                continue;
            auto found = glued.find({following.net, following.face, following.edge});
            if (found == glued.end() || found->second.pair == i)
                continue;
            const GluedPair& other = pairs[size_t(found->second.pair)];
            EdgeRef back;
            if (outline.next(sheet, sideOf(other, 1 - found->second.side), back) &&
                sameEdge(back, sideOf(pairs[size_t(i)], 1 - s)))
                next[size_t(i)][size_t(s)] = found->second;
        }

    std::vector<Seam> seams;
    std::vector<bool> taken(pairs.size(), false);
    for (int i = 0; i < int(pairs.size()); ++i) {
        if (taken[size_t(i)])
            continue;
        // Back to where the run starts: along side 0, the pair before is
        // the one that follows along side 1.
        Link start{i, 0};
        bool closed = false;
        for (size_t steps = 0; steps <= pairs.size(); ++steps) {
            Link before = next[size_t(start.pair)][size_t(1 - start.side)];
            if (before.pair < 0 || taken[size_t(before.pair)])
                break;
            before.side = 1 - before.side;
            if (before.pair == i) {
                closed = true;
                break;
            }
            start = before;
        }
        Seam seam;
        seam.closed = closed;
        for (Link at = start; at.pair >= 0 && !taken[size_t(at.pair)];
             at = next[size_t(at.pair)][size_t(at.side)]) {
            taken[size_t(at.pair)] = true;
            const GluedPair& p = pairs[size_t(at.pair)];
            seam.pairs.push_back({sideOf(p, at.side), sideOf(p, 1 - at.side)});
        }
        seams.push_back(std::move(seam));
    }
    return seams;
}

std::vector<Vec2> seamSidePoints(const Net& net, int face, int edge) {
    const Face& named = net.faces[size_t(face)];
    int side = named.seamSide[edge];
    std::vector<Segment> edges;
    for (const Face& f : net.faces)
        for (int k = 0; k < 3; ++k)
            if (side >= 0 ? f.seamSide[k] == side : (&f == &named && k == edge))
                edges.push_back({f.p[k], f.p[(k + 1) % 3]});
    // One side of a seam is one run along the outline; should its edges not
    // meet end to end, the run that holds the named edge is the one printed.
    Vec2 a = named.p[edge], b = named.p[(edge + 1) % 3];
    auto at = [](Vec2 p, Vec2 q) { return std::hypot(p.x - q.x, p.y - q.y) < kOutlineJoin; };
    auto holds = [&](const std::vector<Vec2>& line) {
        for (size_t i = 0; i + 1 < line.size(); ++i)
            if ((at(line[i], a) && at(line[i + 1], b)) || (at(line[i], b) && at(line[i + 1], a)))
                return true;
        return false;
    };
    std::vector<std::vector<Vec2>> lines = chainSegments(edges);
    for (std::vector<Vec2>& line : lines)
        if (holds(line))
            return std::move(line);
    return {a, b};
}

}  // namespace sheet
