// The triangles and nets of the latest unfolding run, shared process-wide.
#pragma once

#include "geometry/gt.h"

#include <memory>
#include <vector>

class gtc;

// One list per source object (outer index = meshindex, inner = faceindex).
extern std::vector<std::vector<std::unique_ptr<gt>>> gtvec;

// Every net of the run; indexes never shift, merged nets stay in it inactive.
extern std::vector<std::unique_ptr<gtc>> gtcvec;

// Frees the previous run's triangles and nets. Called at the start of a run
// only: the output of a run reads them after the unfolding has finished.
void clearRun();
