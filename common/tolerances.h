#pragma once
// Tolerances that more than one part of the system must agree on.

// Faces meeting at a smaller fold angle (radians, in magnitude) lie in one
// plane: the unfolding joins them before anything else, and the sheet draws
// no line between them.
inline constexpr double kFlatFoldAngle = 0.00001;

// Room left around a box turned into another frame, relative to the largest
// coordinate involved: far above the rounding of the turn, far below any
// length a page limit could tell apart.
inline constexpr double kPlacedBoundSlack = 1e-9;
