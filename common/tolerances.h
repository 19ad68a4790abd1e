#pragma once
// Tolerances that more than one part of the system must agree on.

// Faces meeting at a smaller fold angle (radians, in magnitude) lie in one
// plane: the unfolding joins them before anything else, and the sheet draws
// no line between them.
inline constexpr double kFlatFoldAngle = 0.00001;
