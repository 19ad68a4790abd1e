#include "sceneout/edge_ids.h"

#include <algorithm>
#include <cassert>

#include "geometry/gt.h"
#include "unfold/run_state.h"

std::vector<int> meshOffsets() {
    std::vector<int> offsets;
    offsets.reserve(gtvec.size());
    int running = 0;
    for (const auto& triangles : gtvec) {
        offsets.push_back(running);
        running += static_cast<int>(triangles.size());
    }
    return offsets;
}

static long long runningNumber(const gt& t, const std::vector<int>& offsets) {
    assert(t.meshindex >= 0 && t.meshindex < static_cast<int>(offsets.size()));
    return static_cast<long long>(offsets[t.meshindex]) + t.faceindex;
}

void edgeIds(const gt& t, const std::vector<int>& offsets, double ids[3]) {
    for (int k = 0; k < 3; ++k) {
        const gt* n = t.nb[k];
        int e = t.nbedge[k];
        if (!n || e < 0 || e > 2) {
            ids[k] = -1.0;
            continue;
        }
        long long own = 3 * runningNumber(t, offsets) + k;
        long long other = 3 * runningNumber(*n, offsets) + e;
        ids[k] = static_cast<double>(std::min(own, other));
    }
}
