#include "unfold/fewest_pieces.h"

#include "geometry/options.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>
#include <tuple>
#include <vector>

namespace {

// Corners and tabs of a triangle as the scene input left them, so that every
// direction starts from the same surface.
struct TriangleStart {
    vec3d p[3];
    std::optional<vec3d> Lugs[3][2];
    std::optional<vec3d> lugs[3][2];
    double lugWidth[3];
};

struct Outcome {
    int nets = 0;
    int cutEdges = 0;
};

// Cube corners, edge middles and face middles: 26 directions spread over
// every side, the same for every model.
std::vector<vec3d> directions() {
    std::vector<vec3d> all;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            for (int z = -1; z <= 1; ++z)
                if (x || y || z) {
                    vec3d d(x, y, z);
                    normalize(d);
                    all.push_back(d);
                }
    return all;
}

using VertexKey = std::tuple<double, double, double>;

VertexKey keyOf(const vec3d& v) {
    return {v.x, v.y, v.z};
}

// For every corner of the mesh, its steepest edge towards `up`, as the pair of
// corners in both orders; corners with no edge rising from them (the tops)
// keep all their edges.
std::map<std::pair<VertexKey, VertexKey>, bool> steepestEdges(const vec3d& up) {
    std::map<VertexKey, std::pair<double, std::pair<VertexKey, VertexKey>>> best;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k)
                for (int end = 0; end < 2; ++end) {
                    const vec3d& from = t->P[(k + end) % 3];
                    const vec3d& to = t->P[(k + 1 - end) % 3];
                    vec3d along = to - from;
                    double len = length(along);
                    if (!(len > 0))
                        continue;
                    double slope = dot(along, up) / len;
                    VertexKey key = keyOf(from);
                    auto found = best.find(key);
                    // ties go to the first edge met, so the tree is the same every run
                    if (slope > 0 && (found == best.end() || slope > found->second.first))
                        best[key] = {slope, {key, keyOf(to)}};
                }
    std::map<std::pair<VertexKey, VertexKey>, bool> cut;
    for (const auto& [corner, steepest] : best) {
        cut[steepest.second] = true;
        cut[{steepest.second.second, steepest.second.first}] = true;
    }
    return cut;
}

template <typename T>
void permute(std::vector<T>& column, const std::vector<int>& order) {
    std::vector<T> result(column.size());
    for (size_t r = 0; r < order.size(); ++r)
        result[r] = column[size_t(order[r])];
    column.swap(result);
}

// The table's rows that are not on the cut tree first, each part in the
// table's own order.
void cutTreeLast(EdgeTable& table, const vec3d& up) {
    std::map<std::pair<VertexKey, VertexKey>, bool> cut = steepestEdges(up);
    std::vector<char> onTree(size_t(table.size()));
    for (int r = 0; r < table.size(); ++r) {
        const gt* t = gtvec[size_t(table.i[r])][size_t(table.j[r])].get();
        int k = table.k[r];
        onTree[size_t(r)] = cut.count({keyOf(t->P[k]), keyOf(t->P[(k + 1) % 3])}) > 0;
    }
    std::vector<int> order(size_t(table.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(), [&](int r) { return !onTree[size_t(r)]; });
    permute(table.i, order);
    permute(table.j, order);
    permute(table.k, order);
    permute(table.len, order);
}

std::vector<TriangleStart> remember() {
    std::vector<TriangleStart> start;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles) {
            TriangleStart s;
            for (int k = 0; k < 3; ++k) {
                s.p[k] = t->p[k];
                s.lugWidth[k] = t->lugWidth[k];
                for (int j = 0; j < 2; ++j) {
                    s.Lugs[k][j] = t->Lugs[k][j];
                    s.lugs[k][j] = t->lugs[k][j];
                }
            }
            start.push_back(s);
        }
    return start;
}

void restore(const std::vector<TriangleStart>& start) {
    size_t next = 0;
    for (std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (std::unique_ptr<gt>& t : triangles) {
            const TriangleStart& s = start[next++];
            t->container = -1;
            for (int k = 0; k < 3; ++k) {
                t->p[k] = s.p[k];
                t->lugWidth[k] = s.lugWidth[k];
                t->joined[k] = false;
                for (int j = 0; j < 2; ++j) {
                    t->Lugs[k][j] = s.Lugs[k][j];
                    t->lugs[k][j] = s.lugs[k][j];
                }
            }
        }
    gtcvec.clear();
}

Outcome unfoldAlong(const vec3d& up) {
    createContainers();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    joinCoplanarFaces(table);
    cutTreeLast(table, up);
    joinRemainingEdges(table);
    Outcome outcome;
    for (const std::unique_ptr<gtc>& net : gtcvec)
        outcome.nets += net->active ? 1 : 0;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k)
                outcome.cutEdges += t->nb[k] && !t->joined[k] ? 1 : 0;
    return outcome;
}

}  // namespace

int fewestPiecesDirections() {
    return int(directions().size());
}

void unfoldFewestPieces(const std::function<void(int, int)>& progress) {
    assert(gtcvec.empty());
    // the overlap test of this unfolding, for its run only
    struct Mode {
        bool before = KivanoOptions.fewestPieces;
        Mode() { KivanoOptions.fewestPieces = true; }
        ~Mode() { KivanoOptions.fewestPieces = before; }
    } mode;
    std::vector<vec3d> tried = directions();
    std::vector<TriangleStart> start = remember();
    size_t best = 0;
    Outcome bestOutcome;
    for (size_t d = 0; d < tried.size(); ++d) {
        if (progress)
            progress(int(d) + 1, int(tried.size()));
        restore(start);
        Outcome outcome = unfoldAlong(tried[d]);
        if (d == 0 || std::tie(outcome.nets, outcome.cutEdges) <
                          std::tie(bestOutcome.nets, bestOutcome.cutEdges)) {
            best = d;
            bestOutcome = outcome;
        }
    }
    // the best unfolding again, so that what stays is the one chosen
    if (best + 1 != tried.size()) {
        restore(start);
        unfoldAlong(tried[best]);
    }
}
