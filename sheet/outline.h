#pragma once
// A net's cut lines as a cutter wants them: the cut edges and the outer sides
// of the tabs, joined end to end into as few polylines as they form, so a
// blade goes round an outline without lifting.
#include <utility>
#include <vector>

#include "sheet_model.h"

namespace sheet {

using Segment = std::pair<Vec2, Vec2>;

// The cut segments of a classified net: each cut edge, or the three outer
// sides of the tab on it.
std::vector<Segment> cutSegments(const Net& net);

// Joins segments that share end points into polylines; a closed one ends on
// the point it starts from.
std::vector<std::vector<Vec2>> chainSegments(const std::vector<Segment>& segments);

}  // namespace sheet
