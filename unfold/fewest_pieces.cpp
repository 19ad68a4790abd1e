#include "unfold/fewest_pieces.h"

#include "common/box_grid.h"
#include "common/xorshift.h"
#include "geometry/options.h"
#include "geometry/predicates.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"
#include "unfold/tab_sides.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace {

// Corners and tabs of a triangle as the scene input left them, so that every
// trial starts from the same surface.
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

// Face middles, corners and edge middles of a cube: 26 directions spread
// over every side, the same for every model; any first few of them are
// spread too.
std::vector<vec3d> allDirections() {
    std::vector<vec3d> all;
    // by how many coordinates are not zero: faces, corners, edges
    for (int wanted : {1, 3, 2})
        for (int x = -1; x <= 1; ++x)
            for (int y = -1; y <= 1; ++y)
                for (int z = -1; z <= 1; ++z)
                    if ((x != 0) + (y != 0) + (z != 0) == wanted) {
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

// One unfolding tried: the direction its cut tree winds towards, and how it
// picks the next corner.
struct Trial {
    vec3d up;
    // The corner with the fewest corners not reached around it first
    // (Warnsdorff's rule), then the lowest; else the lowest alone.
    bool fewestOpenFirst;
};

// A cut tree with few leaves, since every leaf is a slit no tab fits into:
// depth first from the lowest corner, always on to a corner not reached yet,
// which winds round the model upwards.
std::map<std::pair<VertexKey, VertexKey>, bool> windingEdges(const Trial& trial) {
    std::map<VertexKey, int> id;
    std::vector<vec3d> at;
    std::vector<std::vector<int>> next;
    auto idOf = [&](const vec3d& v) {
        auto [it, added] = id.emplace(keyOf(v), int(at.size()));
        if (added) {
            at.push_back(v);
            next.emplace_back();
        }
        return it->second;
    };
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k) {
                int a = idOf(t->P[k]), b = idOf(t->P[(k + 1) % 3]);
                next[size_t(a)].push_back(b);
                next[size_t(b)].push_back(a);
            }
    std::vector<double> height(at.size());
    for (size_t v = 0; v < at.size(); ++v)
        height[v] = dot(at[v], trial.up);
    std::vector<char> reached(at.size(), 0);
    auto open = [&](int v) {
        int count = 0;
        for (int w : next[size_t(v)])
            count += !reached[size_t(w)];
        return count;
    };
    auto before = [&](int a, int b) {
        if (trial.fewestOpenFirst) {
            int openA = open(a), openB = open(b);
            if (openA != openB)
                return openA < openB;
        }
        return height[size_t(a)] < height[size_t(b)];
    };
    // the lowest corner not reached starts each tree (one per part)
    std::vector<int> byHeight(at.size());
    std::iota(byHeight.begin(), byHeight.end(), 0);
    std::stable_sort(byHeight.begin(), byHeight.end(),
                     [&](int a, int b) { return height[size_t(a)] < height[size_t(b)]; });
    std::map<std::pair<VertexKey, VertexKey>, bool> cut;
    for (int start : byHeight) {
        if (reached[size_t(start)])
            continue;
        reached[size_t(start)] = 1;
        std::vector<int> stack = {start};
        while (!stack.empty()) {
            int v = stack.back(), chosen = -1;
            for (int w : next[size_t(v)])
                if (!reached[size_t(w)] && (chosen < 0 || before(w, chosen)))
                    chosen = w;
            if (chosen < 0) {
                stack.pop_back();
                continue;
            }
            reached[size_t(chosen)] = 1;
            cut[{keyOf(at[size_t(v)]), keyOf(at[size_t(chosen)])}] = true;
            cut[{keyOf(at[size_t(chosen)]), keyOf(at[size_t(v)])}] = true;
            stack.push_back(chosen);
        }
    }
    return cut;
}

// Each trial lays out every triangle once more, at a cost per triangle
// that grows with the nets: a larger model tries fewer (at least one of
// each kind, three directions), so that a run stays within a few times the
// edge-ordered one.
constexpr double kTrialBudget = 1600;
constexpr size_t kFewestTrials = 6;

size_t triangleCount() {
    size_t count = 0;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        count += triangles.size();
    return count;
}

// Every direction with both ways of picking corners, alternating, so that
// the first few trials are as spread as the whole list.
std::vector<Trial> trials() {
    std::vector<Trial> all;
    for (const vec3d& up : allDirections())
        for (bool fewestOpenFirst : {false, true})
            all.push_back({up, fewestOpenFirst});
    size_t n = triangleCount();
    size_t affordable = n > 0 ? size_t(kTrialBudget / std::sqrt(double(n))) : all.size();
    all.resize(std::clamp(affordable, kFewestTrials, all.size()));
    return all;
}

// The rows `order` names, in that order; rows it leaves out are dropped.
template <typename T>
void permute(std::vector<T>& column, const std::vector<int>& order) {
    std::vector<T> result(order.size());
    for (size_t r = 0; r < order.size(); ++r)
        result[r] = column[size_t(order[r])];
    column.swap(result);
}

// The rows `order` names, in that order, in every column of the table.
void reorder(EdgeTable& table, const std::vector<int>& order) {
    permute(table.i, order);
    permute(table.j, order);
    permute(table.k, order);
    permute(table.len, order);
}

// The table's rows that are not on the cut tree first, each part in the
// table's own order.
void cutTreeLast(EdgeTable& table, const Trial& trial) {
    std::map<std::pair<VertexKey, VertexKey>, bool> cut = windingEdges(trial);
    std::vector<char> onTree(size_t(table.size()));
    for (int r = 0; r < table.size(); ++r) {
        const gt* t = gtvec[size_t(table.i[r])][size_t(table.j[r])].get();
        int k = table.k[r];
        onTree[size_t(r)] = cut.count({keyOf(t->P[k]), keyOf(t->P[(k + 1) % 3])}) > 0;
    }
    std::vector<int> order(size_t(table.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(), [&](int r) { return !onTree[size_t(r)]; });
    reorder(table, order);
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

// A triangle's edge by the triangle's place in gtvec: the same in every run.
using EdgeKey = std::tuple<int, int, int>;

EdgeKey keyOf(const gt* t, int k) {
    return {t->meshindex, t->faceindex, k};
}

Outcome count() {
    Outcome outcome;
    for (const std::unique_ptr<gtc>& net : gtcvec)
        outcome.nets += net->active ? 1 : 0;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k)
                outcome.cutEdges += t->nb[k] && !t->joined[k] ? 1 : 0;
    return outcome;
}

// The table's rows of the edges in `first` before all others, in the order
// `first` gives them (either side of an edge names it).
void triedFirst(EdgeTable& table, const std::vector<EdgeKey>& first) {
    std::map<EdgeKey, size_t> rank;
    for (size_t f = 0; f < first.size(); ++f)
        rank.emplace(first[f], f);
    std::vector<size_t> rowRank(size_t(table.size()), first.size());
    for (int r = 0; r < table.size(); ++r) {
        const gt* t = gtvec[size_t(table.i[r])][size_t(table.j[r])].get();
        int k = table.k[r];
        auto own = rank.find(keyOf(t, k));
        auto other = rank.find(keyOf(t->nb[k], t->nbedge[k]));
        if (own != rank.end())
            rowRank[size_t(r)] = own->second;
        if (other != rank.end())
            rowRank[size_t(r)] = std::min(rowRank[size_t(r)], other->second);
    }
    std::vector<int> order(size_t(table.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return rowRank[size_t(a)] < rowRank[size_t(b)]; });
    reorder(table, order);
}

// `table`: createedgetab()'s rows, sorted, from before any tab was added.
// Edges in `kept` stay cut; edges in `first` are tried before all others,
// in that order.
Outcome unfoldAlong(const Trial& trial, EdgeTable table, const std::set<EdgeKey>& kept = {},
                    const std::vector<EdgeKey>& first = {}) {
    createContainers();
    if (!kept.empty()) {
        std::vector<int> rows;
        for (int r = 0; r < table.size(); ++r)
            if (!kept.count({table.i[size_t(r)], table.j[size_t(r)], table.k[size_t(r)]}))
                rows.push_back(r);
        reorder(table, rows);
    }
    joinCoplanarFaces(table);
    cutTreeLast(table, trial);
    if (!first.empty())
        triedFirst(table, first);
    joinRemainingEdges(table);
    return count();
}

bool fewer(const Outcome& a, const Outcome& b) {
    return std::tie(a.nets, a.cutEdges) < std::tie(b.nets, b.cutEdges);
}

// Every trial joined from `start` (with tabs on both sides when `tabSides`),
// fewest nets first, each with its place in `tried`; ties keep that order.
std::vector<std::pair<Outcome, size_t>> joinEveryTrial(const std::vector<Trial>& tried,
                                                       const EdgeTable& table,
                                                       const std::vector<TriangleStart>& start,
                                                       bool tabSides,
                                                       const FewestProgress& progress) {
    std::vector<std::pair<Outcome, size_t>> joined;
    for (size_t d = 0; d < tried.size(); ++d) {
        if (progress.direction)
            progress.direction(int(d) + 1, int(tried.size()));
        restore(start);
        if (tabSides)
            startTabSides();
        joined.push_back({unfoldAlong(tried[d], table), d});
    }
    std::stable_sort(joined.begin(), joined.end(),
                     [](const auto& a, const auto& b) { return fewer(a.first, b.first); });
    return joined;
}

// ---- tabs placed after joining -------------------------------------------------
//
// Tabs, not faces, stop most joins of these nets: an unfolding that tests
// the faces alone needs a fifth of the pieces. So every edge gets a tab on
// both sides, and a join may lay a face over one side's tab while the other
// side's stays uncovered (tab_sides.h). Then each cut edge keeps one of its
// two tabs, chosen for all edges at once. Where no choice fits, a fold
// between a tab and what it overlaps is cut and the nets are joined again;
// when kTabRounds rounds, or a round that finds nothing new to cut, do not
// settle it, the tab-tested unfolding is used instead.

constexpr int kTabRounds = 40;
// Trials whose tabs are then placed, the fewest nets first: up to three,
// one for every eight trials run, as each may take a few rounds.
constexpr size_t kFinalists = 3, kTrialsPerFinalist = 8;

// The other side of every edge with a tab gets one too, in the scene's frame.
void addOtherSideLugs() {
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k) {
                gt* n = t->nb[k];
                int e = t->nbedge[k];
                if (!t->Lugs[k][0] || !n || e < 0 || e > 2 || n->Lugs[e][0])
                    continue;
                n->createLug(e);
                n->fitLug(e);
            }
}

// A tab's two triangles, as the overlap tests of joining see them.
struct TabShape {
    vec3d a[3], b[3];
};

TabShape tabShape(const gt* t, int k) {
    const vec3d& v0 = t->p[k];
    const vec3d& v1 = t->p[(k + 1) % 3];
    return {{v1, v0, *t->lugs[k][0]}, {v0, *t->lugs[k][1], *t->lugs[k][0]}};
}

bool overlap(const vec3d* x, const vec3d* y) {
    return triangleschnitt2d(x[0], x[1], x[2], y[0], y[1], y[2]);
}

kivano::GridBox boxOf(const TabShape& tab) {
    vec3d corners[4] = {tab.a[0], tab.a[1], tab.a[2], tab.b[1]};
    return boxOfPoints(corners, 4);
}

// The faces of one net, found by their boxes.
struct NetFaces {
    explicit NetFaces(double cell) : grid(cell) {}
    kivano::BoxGrid grid;
    std::vector<const gt*> faces;  // by grid id
};

// The triangle whose face the tab of t on edge k would overlap; none where
// it is free.
const gt* blockerOf(const NetFaces& net, const gt* t, int k) {
    TabShape tab = tabShape(t, k);
    const gt* blocker = nullptr;
    net.grid.any(boxOf(tab), [&](uint32_t id) {
        const gt* u = net.faces[id];
        if (u != t && (overlap(u->p, tab.a) || overlap(u->p, tab.b)))
            blocker = u;
        return blocker != nullptr;
    });
    return blocker;
}

// The folds between a and b in their net, from a.
std::vector<std::pair<const gt*, int>> foldPath(const gt* a, const gt* b) {
    std::map<const gt*, std::pair<const gt*, int>> reachedFrom = {{a, {nullptr, -1}}};
    std::vector<const gt*> frontier = {a};
    for (size_t next = 0; next < frontier.size() && !reachedFrom.count(b); ++next) {
        const gt* u = frontier[next];
        for (int k = 0; k < 3; ++k)
            if (u->joined[k] && u->nb[k] && !reachedFrom.count(u->nb[k])) {
                reachedFrom[u->nb[k]] = {u, k};
                frontier.push_back(u->nb[k]);
            }
    }
    std::vector<std::pair<const gt*, int>> path;
    if (!reachedFrom.count(b))
        return path;
    for (const gt* u = b; u != a; u = reachedFrom[u].first)
        path.push_back(reachedFrom[u]);
    std::reverse(path.begin(), path.end());
    return path;
}

double meanEdgeLength() {
    double sum = 0;
    size_t edges = 0;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k) {
                double l = length(t->p[(k + 1) % 3] - t->p[k]);
                if (std::isfinite(l)) {
                    sum += l;
                    ++edges;
                }
            }
    return edges && sum > 0 ? sum / double(edges) : 1.0;
}

// ---- sides by 2-satisfiability ---------------------------------------------------
//
// Each cut edge keeps the tab of one side: a variable of two values. A side
// whose tab overlaps a face of its net is ruled out; two tabs of one net that
// overlap each other are not both kept. Clauses of two literals each: an
// assignment, when one exists, is found in linear time (Aspvall, Plass and
// Tarjan 1979).

struct CutEdge {
    gt* side[2];
    int edge[2];
};

// Strongly connected components of the implication graph, numbered in
// reverse topological order (Tarjan), without recursion.
std::vector<int> components(const std::vector<std::vector<int>>& next) {
    int n = int(next.size()), counter = 0, found = 0;
    std::vector<int> index(size_t(n), -1), low(size_t(n), 0), component(size_t(n), -1);
    std::vector<int> stack;
    std::vector<char> onStack(size_t(n), 0);
    std::vector<std::pair<int, size_t>> calls;
    for (int root = 0; root < n; ++root) {
        if (index[size_t(root)] >= 0)
            continue;
        calls.push_back({root, 0});
        while (!calls.empty()) {
            auto& [v, i] = calls.back();
            if (i == 0 && index[size_t(v)] < 0) {
                index[size_t(v)] = low[size_t(v)] = counter++;
                stack.push_back(v);
                onStack[size_t(v)] = 1;
            }
            if (i < next[size_t(v)].size()) {
                int w = next[size_t(v)][i++];
                if (index[size_t(w)] < 0)
                    calls.push_back({w, 0});
                else if (onStack[size_t(w)])
                    low[size_t(v)] = std::min(low[size_t(v)], index[size_t(w)]);
                continue;
            }
            if (low[size_t(v)] == index[size_t(v)]) {
                int w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[size_t(w)] = 0;
                    component[size_t(w)] = found;
                } while (w != v);
                ++found;
            }
            int done = v;
            calls.pop_back();
            if (!calls.empty())
                low[size_t(calls.back().first)] =
                    std::min(low[size_t(calls.back().first)], low[size_t(done)]);
        }
    }
    return component;
}

// The fold halfway between t and u in their net joins `cut`. A fold already
// in it closed by itself (two faces met edge to edge again): the nearest
// other one is taken.
void cutBetween(const gt* t, const gt* u, std::set<EdgeKey>& cut) {
    std::vector<std::pair<const gt*, int>> path = foldPath(t, u);
    size_t middle = path.size() / 2;
    for (size_t step = 0; step < path.size(); ++step) {
        // middle, middle - 1, middle + 1, middle - 2, ...
        size_t at = step % 2 ? middle - (step + 1) / 2 : middle + step / 2;
        if (at >= path.size())
            continue;
        auto [v, f] = path[at];
        if (cut.insert(keyOf(v, f)).second) {
            cut.insert(keyOf(v->nb[f], v->nbedge[f]));
            return;
        }
    }
}

// Keeps one tab on every cut edge so that no kept tab overlaps a face or
// another kept tab of its net. Where no such choice exists, every tab is
// left as it was and, for each knot of clauses that cannot all hold, the
// fold halfway between one of its tabs and what that tab overlaps joins
// `cut`; false then.
bool chooseTabSidesExactly(const std::vector<TriangleStart>& start, std::set<EdgeKey>& cut) {
    std::vector<CutEdge> edges;
    size_t index = 0;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles) {
            const TriangleStart& own = start[index++];
            for (int k = 0; k < 3; ++k) {
                gt* n = t->nb[k];
                int e = t->nbedge[k];
                if (own.Lugs[k][0] && !t->joined[k] && n && e >= 0 && e < 3 &&
                    (t->lugs[k][0] || n->lugs[e][0]))
                    edges.push_back({{t.get(), n}, {k, e}});
            }
        }
    double cell = 2 * meanEdgeLength();
    std::vector<std::unique_ptr<NetFaces>> nets(gtcvec.size());
    for (size_t c = 0; c < gtcvec.size(); ++c) {
        if (!gtcvec[c]->active)
            continue;
        nets[c] = std::make_unique<NetFaces>(cell);
        for (const gt* t : gtcvec[c]->gt) {
            nets[c]->grid.insert(uint32_t(nets[c]->faces.size()), boxOfPoints(t->p, 3));
            nets[c]->faces.push_back(t);
        }
    }
    // literal 2 i + s: edge i keeps the tab of side s
    std::vector<std::vector<int>> next(2 * edges.size());
    std::vector<const gt*> blocker(2 * edges.size(), nullptr);  // what rules a literal out first
    std::vector<std::vector<int>> candidates(gtcvec.size());    // literals, by net
    for (size_t i = 0; i < edges.size(); ++i)
        for (int s = 0; s < 2; ++s) {
            int literal = int(2 * i) + s;
            const gt* t = edges[i].side[s];
            int k = edges[i].edge[s];
            const gt* face = t->lugs[k][0] ? blockerOf(*nets[size_t(t->container)], t, k) : t;
            if (face) {
                next[size_t(literal)].push_back(literal ^ 1);
                blocker[size_t(literal)] = face;
            } else
                candidates[size_t(t->container)].push_back(literal);
        }
    for (size_t c = 0; c < gtcvec.size(); ++c) {
        if (candidates[c].empty())
            continue;
        kivano::BoxGrid grid(cell);
        std::vector<TabShape> shapes;
        for (int literal : candidates[c]) {
            const CutEdge& edge = edges[size_t(literal / 2)];
            shapes.push_back(tabShape(edge.side[literal & 1], edge.edge[literal & 1]));
        }
        for (size_t a = 0; a < shapes.size(); ++a) {
            std::vector<uint32_t> near;
            grid.query(boxOf(shapes[a]), near);
            for (uint32_t b : near) {
                const TabShape& x = shapes[a];
                const TabShape& y = shapes[b];
                if (overlap(x.a, y.a) || overlap(x.a, y.b) || overlap(x.b, y.a) ||
                    overlap(x.b, y.b)) {
                    int la = candidates[c][a], lb = candidates[c][b];
                    next[size_t(la)].push_back(lb ^ 1);
                    next[size_t(lb)].push_back(la ^ 1);
                    for (auto [l, other] : {std::pair{la, lb}, std::pair{lb, la}})
                        if (!blocker[size_t(l)])
                            blocker[size_t(l)] = edges[size_t(other / 2)].side[other & 1];
                }
            }
            grid.insert(uint32_t(a), boxOf(shapes[a]));
        }
    }
    std::vector<int> component = components(next);
    std::set<int> knots;
    for (size_t i = 0; i < edges.size(); ++i)
        if (component[2 * i] == component[2 * i + 1] && knots.insert(component[2 * i]).second)
            for (int s = 0; s < 2; ++s)
                if (blocker[2 * i + size_t(s)]) {
                    cutBetween(edges[i].side[s], blocker[2 * i + size_t(s)], cut);
                    break;
                }
    if (!knots.empty())
        return false;
    for (size_t i = 0; i < edges.size(); ++i) {
        // the side whose component comes later in topological order is true
        int kept = component[2 * i] < component[2 * i + 1] ? 0 : 1;
        edges[i].side[1 - kept]->RemoveLugs(edges[i].edge[1 - kept]);
    }
    return true;
}

// One trial's nets with every tab on a free side: joined, and joined again
// with the folds cut where no choice of sides fits. Left laid out; none when
// the rounds run out.
std::optional<Outcome> unfoldWithTabs(const Trial& trial, const EdgeTable& table,
                                      const std::vector<TriangleStart>& start,
                                      const std::vector<TriangleStart>& both,
                                      const std::vector<EdgeKey>& first = {}) {
    std::set<EdgeKey> cut;
    for (int round = 0; round < kTabRounds; ++round) {
        restore(both);
        startTabSides();
        unfoldAlong(trial, table, cut, first);
        size_t before = cut.size();
        if (chooseTabSidesExactly(start, cut))
            return count();
        if (cut.size() == before)
            break;  // the same nets again would clash the same way
    }
    return std::nullopt;
}

// ---- further join orders ---------------------------------------------------------
//
// The cut tree fixes which edges are tried last, but within that the edges'
// order decides which joins block which: a join made early may leave no room
// for two later ones. So the best unfolding found is taken as a start, one
// edge still cut between two nets (more often one of a small net) is tried
// before every other, and the order is kept when the nets are no more (and
// the cuts no longer): a walk over orders that only ever keeps fewer pieces.

// Edges cut between two different nets, those of the smaller nets first.
std::vector<EdgeKey> edgesBetweenNets() {
    std::vector<std::pair<size_t, EdgeKey>> found;
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            for (int k = 0; k < 3; ++k) {
                const gt* n = t->nb[k];
                if (!n || t->joined[k] || t->container == n->container)
                    continue;
                size_t smaller = std::min(gtcvec[size_t(t->container)]->gt.size(),
                                          gtcvec[size_t(n->container)]->gt.size());
                found.push_back({smaller, keyOf(t.get(), k)});
            }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<EdgeKey> keys;
    for (const auto& f : found)
        keys.push_back(f.second);
    return keys;
}

// One unfolding with the given edges tried first, laid out; none where it
// found no room for its tabs.
using JoinOrder = std::function<std::optional<Outcome>(const std::vector<EdgeKey>& first)>;

// Walks `tries` join orders from the unfolding laid out and counted as
// `found`; leaves the best laid out.
void searchJoinOrders(const JoinOrder& unfold, Outcome found, int tries,
                      const FewestProgress& progress) {
    kivano::Xorshift random;
    std::vector<EdgeKey> bestFirst, between = edgesBetweenNets();
    for (int tried = 0; tried < tries && found.nets > 1 && !between.empty(); ++tried) {
        if (progress.search)
            progress.search(tried, tries, found.nets);
        // a square of a uniform number: the small nets' edges more often
        double u = double(random() % 1000000) / 1e6;
        std::vector<EdgeKey> first = {between[size_t(u * u * double(between.size()))]};
        first.insert(first.end(), bestFirst.begin(), bestFirst.end());
        std::optional<Outcome> outcome = unfold(first);
        if (outcome &&
            std::tie(outcome->nets, outcome->cutEdges) <= std::tie(found.nets, found.cutEdges)) {
            found = *outcome;
            bestFirst = first;
            between = edgesBetweenNets();
        }
    }
    unfold(bestFirst);
}

// The unfolding with tabs chosen after joining: every trial joined, then the
// few that needed the fewest nets given their tabs, which may cost a net or
// two more; the best of those stays. False when none found room for every tab.
bool unfoldTabsAfter(const std::vector<Trial>& tried, const EdgeTable& table,
                     const std::vector<TriangleStart>& start, const FewestProgress& progress) {
    addOtherSideLugs();
    std::vector<TriangleStart> both = remember();
    struct TabSides {
        ~TabSides() { stopTabSides(); }
    } tabSides;
    std::vector<std::pair<Outcome, size_t>> joined =
        joinEveryTrial(tried, table, both, true, progress);
    std::optional<size_t> best, last;
    Outcome bestOutcome;
    size_t finalists = std::clamp(joined.size() / kTrialsPerFinalist, size_t(1), kFinalists);
    for (size_t f = 0; f < std::min(finalists, joined.size()); ++f) {
        // tabs only add nets: a trial that joined into no fewer cannot win
        if (best && !fewer(joined[f].first, bestOutcome))
            break;
        std::optional<Outcome> outcome =
            unfoldWithTabs(tried[joined[f].second], table, start, both);
        last = joined[f].second;
        if (outcome && (!best || fewer(*outcome, bestOutcome))) {
            best = joined[f].second;
            bestOutcome = *outcome;
        }
    }
    if (best && best != last)
        unfoldWithTabs(tried[*best], table, start, both);
    if (!best)
        restore(start);
    else if (KivanoOptions.fewestTries > 0) {
        const Trial& trial = tried[*best];
        JoinOrder unfold = [&](const std::vector<EdgeKey>& first) {
            return unfoldWithTabs(trial, table, start, both, first);
        };
        searchJoinOrders(unfold, bestOutcome, KivanoOptions.fewestTries, progress);
    }
    return best.has_value();
}

Outcome unfoldPlain(EdgeTable table) {
    createContainers();
    joinCoplanarFaces(table);
    joinRemainingEdges(table);
    return count();
}

// Each direction's cut tree with the tabs tested while joining; the best
// stays laid out.
Outcome bestOfDirections(const std::vector<Trial>& tried, const EdgeTable& table,
                         const std::vector<TriangleStart>& start, const FewestProgress& progress) {
    std::pair<Outcome, size_t> best = joinEveryTrial(tried, table, start, false, progress).front();
    if (best.second + 1 != tried.size()) {
        restore(start);
        unfoldAlong(tried[best.second], table);
    }
    if (KivanoOptions.fewestTries > 0) {
        const Trial& trial = tried[best.second];
        JoinOrder unfold = [&](const std::vector<EdgeKey>& first) -> std::optional<Outcome> {
            restore(start);
            return unfoldAlong(trial, table, {}, first);
        };
        searchJoinOrders(unfold, best.first, KivanoOptions.fewestTries, progress);
        return count();
    }
    return best.first;
}

// One whole fewest-pieces unfolding as the options now ask, laid out.
Outcome unfoldOnce(const std::vector<Trial>& tried, const EdgeTable& table,
                   const std::vector<TriangleStart>& start, const FewestProgress& progress) {
    restore(start);
    // the edge order alone is the floor: never more pieces than that gives
    Outcome plain = unfoldPlain(table);
    restore(start);
    bool tabs = std::any_of(start.begin(), start.end(), [](const TriangleStart& s) {
        return s.Lugs[0][0] || s.Lugs[1][0] || s.Lugs[2][0];
    });
    Outcome found;
    if (tabs && unfoldTabsAfter(tried, table, start, progress))
        found = count();
    else
        found = bestOfDirections(tried, table, start, progress);
    if (!fewer(plain, found))
        return found;
    restore(start);
    return unfoldPlain(table);
}

}  // namespace

void unfoldFewestPieces(const FewestProgress& progress) {
    assert(gtcvec.empty());
    // the overlap test of this unfolding, for its run only
    struct Mode {
        KivanoOptionsRecord before = KivanoOptions;
        Mode() { KivanoOptions.fewestPieces = true; }
        ~Mode() {
            KivanoOptions.fewestPieces = before.fewestPieces;
            KivanoOptions.fewestTries = before.fewestTries;
        }
    } mode;
    std::vector<Trial> tried = trials();
    std::vector<TriangleStart> start = remember();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    int tries = KivanoOptions.fewestTries;
    if (tries <= 0) {
        unfoldOnce(tried, table, start, progress);
        return;
    }
    // Pieces that may turn to fit let other joins through first, which now
    // and then leaves more pieces: the search never gives more than the
    // unfolding without it.
    KivanoOptions.fewestTries = 0;
    Outcome without = unfoldOnce(tried, table, start, {});
    KivanoOptions.fewestTries = tries;
    Outcome found = unfoldOnce(tried, table, start, progress);
    if (fewer(without, found)) {
        KivanoOptions.fewestTries = 0;
        unfoldOnce(tried, table, start, {});
    }
}
