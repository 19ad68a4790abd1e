#pragma once
// Decides what each edge of each net becomes on paper. The unfolding already
// decided which edges it joined: a joined edge whose partner lies in the same
// net is a fold (mountain, valley, or no line between faces in one plane),
// every other edge a cut. Cut edges that share a mesh edge get one glue
// number, counted from 1 in sheet order.
#include "common/tolerances.h"
#include "sheet_model.h"

namespace sheet {

// Sets Face::kind and Face::glue of every face; returns the highest glue
// number given (0 when no cut edge has a partner). Folds flatter than
// `flatAngle` (radians) draw no line.
int classifyEdges(Sheet& sheet, double flatAngle = kFlatFoldAngle);

}  // namespace sheet
