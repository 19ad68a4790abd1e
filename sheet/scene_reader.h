#pragma once
// Reads the sheet a run of the plug-in left in the host's scene: per net c the
// triangle objects "dft<c>_<t>" (their points, UVs, shading group and the
// "kivanoEdges" attribute of edge ids, fold angles, net and position) and the
// tab objects "lug<c>_<t>_<k>". Scene centimetres become millimetres on paper.
// Names hold numbers only up to 9999; past that a triangle's net and position
// come from its "kivanoEdges" attribute, and a tab belongs to the triangle
// object created before it, on the edge its first two corners lie along.
#include <string>
#include <vector>

#include "sheet_model.h"

namespace sheet {

struct SceneCounts {
    int triangleObjects = 0;
    int lugObjects = 0;
};

// Fills `sheet` (unclassified) from the scene. Problems that leave part of an
// object unusable are reported in `warnings` and that part skipped; returns
// false with `error` only when the scene holds no sheet at all.
bool readSheetFromScene(Sheet& sheet, SceneCounts& counts, std::vector<std::string>& warnings,
                        std::string& error);

// The parts of an object name: "dft3_12" gives 3 and 12; "lug3_12_2" gives
// 3, 12 and 2. False for any other name.
bool parseTriangleName(const std::string& name, unsigned& net, unsigned& position);
bool parseLugName(const std::string& name, unsigned& net, unsigned& position, int& edge);

}  // namespace sheet
