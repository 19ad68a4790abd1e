#include "unfold/tab_sides.h"

#include "unfold/run_state.h"

#include <cassert>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

bool active = false;
// One bit per edge of every triangle, by its place in gtvec.
std::vector<std::vector<uint8_t>> covered;
std::vector<std::pair<const gt*, int>> pending;

uint8_t& marksOf(const gt* t) {
    assert(size_t(t->meshindex) < covered.size() &&
           size_t(t->faceindex) < covered[size_t(t->meshindex)].size());
    return covered[size_t(t->meshindex)][size_t(t->faceindex)];
}

}  // namespace

void startTabSides() {
    covered.assign(gtvec.size(), {});
    for (size_t m = 0; m < gtvec.size(); ++m)
        covered[m].assign(gtvec[m].size(), 0);
    pending.clear();
    active = true;
}

void stopTabSides() {
    active = false;
    std::vector<std::vector<uint8_t>>().swap(covered);
    pending.clear();
}

bool tabSidesActive() {
    return active;
}

bool tabCovered(const gt* t, int k) {
    if ((marksOf(t) >> k) & 1)
        return true;
    for (const auto& [u, e] : pending)
        if (u == t && e == k)
            return true;
    return false;
}

bool coverTab(const gt* t, int k) {
    const gt* n = t->nb[k];
    int e = t->nbedge[k];
    if (!n || e < 0 || e > 2 || tabCovered(n, e))
        return false;
    pending.push_back({t, k});
    return true;
}

void keepCoveredTabs() {
    for (const auto& [t, k] : pending)
        marksOf(t) |= uint8_t(1u << k);
    pending.clear();
}

void forgetCoveredTabs() {
    pending.clear();
}
