#include "unfold/run_state.h"

#include "unfold/gtc.h"

std::vector<std::vector<std::unique_ptr<gt>>> gtvec;
std::vector<std::unique_ptr<gtc>> gtcvec;

void clearRun() {
    for (std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        triangles.clear();
    gtvec.clear();
    gtcvec.clear();
}
