#include "unfold/algokante.h"

#include "common/tolerances.h"
#include "geometry/options.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>

static gt* rowTriangle(const EdgeTable& table, int r) {
    return gtvec[table.i[r]][table.j[r]].get();
}

static bool linksBack(const gt* t, int k) {
    return t->nb[k] && t->nbedge[k] >= 0 && t->nbedge[k] <= 2;
}

EdgeTable createedgetab() {
    EdgeTable table;
    for (size_t i = 0; i < gtvec.size(); ++i)
        for (size_t j = 0; j < gtvec[i].size(); ++j) {
            const gt* t = gtvec[i][j].get();
            for (int k = 0; k < 3; ++k) {
                if (!linksBack(t, k) || t->Lugs[k][0])
                    continue;
                double len = length(t->P[k] - t->P[(k + 1) % 3]);
                // a NaN length would break the ordering of the whole table
                if (std::isnan(len))
                    continue;
                table.i.push_back(int(i));
                table.j.push_back(int(j));
                table.k.push_back(k);
                table.len.push_back(len);
            }
        }
    return table;
}

template <typename T>
static void permute(std::vector<T>& column, const std::vector<int>& order) {
    std::vector<T> result(column.size());
    for (size_t r = 0; r < order.size(); ++r)
        result[r] = column[order[r]];
    column.swap(result);
}

void sortedgetab(EdgeTable& table) {
    if (table.size() < 2)
        return;
    // stable, so that the same input always gives the same sheet
    std::vector<int> order(table.len.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return table.len[a] > table.len[b]; });
    permute(table.i, order);
    permute(table.j, order);
    permute(table.k, order);
    permute(table.len, order);
}

// While joining, triangles of one net carry one number, that of the frame they lie in.
static bool inDifferentNets(const gt* t, int k) {
    return t->container != t->nb[k]->container;
}

int findCoplanarEdge(const EdgeTable& table, int z) {
    for (int r = std::min(z, table.size() - 1); r >= 0; --r) {
        const gt* t = rowTriangle(table, r);
        int k = table.k[r];
        // a fold angle near zero also describes faces folded fully back onto
        // each other; only faces facing the same way lie in one plane
        bool flat = std::fabs(t->fold[k]) < kFlatFoldAngle && dot(t->normal, t->nb[k]->normal) > 0;
        if (flat && inDifferentNets(t, k))
            return r;
    }
    return -1;
}

int findOpenEdge(const EdgeTable& table, int r0) {
    for (int r = std::max(r0, 0); r < table.size(); ++r) {
        const gt* t = rowTriangle(table, r);
        if (inDifferentNets(t, table.k[r]) && gtcvec[netOf(t)]->active)
            return r;
    }
    return -1;
}

static void joinRow(const EdgeTable& table, int r, bool testCollision) {
    gt* t = rowTriangle(table, r);
    int k = table.k[r];
    gtc* A = gtcvec[netOf(t)].get();
    gtc* B = gtcvec[netOf(t->nb[k])].get();
    A->merge(B, t, k, testCollision, KivanoOptions.limitPageSize, KivanoOptions.pageWidth,
             KivanoOptions.pageHeight);
}

// Faces in one plane facing the same way lie in the net as they lie in the
// mesh, so they are joined without a test.
void joinCoplanarFaces(const EdgeTable& table) {
    for (int r = findCoplanarEdge(table, table.size() - 1); r >= 0;
         r = findCoplanarEdge(table, r - 1))
        joinRow(table, r, false);
    finishJoining();
}

void joinRemainingEdges(const EdgeTable& table) {
    for (int r = findOpenEdge(table, 0); r >= 0; r = findOpenEdge(table, r + 1))
        joinRow(table, r, true);
    finishJoining();
}

void algokante() {
    assert(gtcvec.empty());
    createContainers();
    EdgeTable table = createedgetab();
    sortedgetab(table);
    joinCoplanarFaces(table);
    joinRemainingEdges(table);
}
