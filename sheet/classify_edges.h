#pragma once
// Decides what each edge of each net becomes on paper: a fold (mountain,
// valley, or no line between faces in one plane) where its partner face lies
// against it in the same net, a cut everywhere else. Cut edges that share a
// mesh edge get one glue number, counted from 1 in sheet order.
#include "sheet_model.h"

namespace sheet {

// Corners closer than this (mm) coincide; the scene stores single precision.
constexpr double kJoinTolerance = 0.01;

// Sets Face::kind and Face::glue of every face; returns the highest glue
// number given (0 when no cut edge has a partner).
int classifyEdges(Sheet& sheet);

}  // namespace sheet
