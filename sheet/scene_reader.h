#pragma once
// Reads the sheet a run of the plug-in left in the host's scene, through the
// host's public classes. The sheet's objects are those that carry a sheet
// record (common/sheet_record.h): triangles with their net, place, edge ids
// and folds, tabs with the triangle edge they sit on. Names, creation order
// and where an object lies play no part, so renamed objects or any number of
// nets read the same. Scene centimetres become millimetres on paper.
#include <string>
#include <vector>

#include "sheet_model.h"

namespace sheet {

struct SceneCounts {
    int triangleObjects = 0;
    int lugObjects = 0;
};

// Fills `sheet` from the scene (unclassified: classifyEdges turns the
// unfolding's fold-or-cut decisions into what each edge becomes). Problems
// that leave part of an object unusable are reported in `warnings` and that
// part skipped; returns false with `error` only when the scene holds no
// sheet at all. With `withModel`, every triangle's place on the model is
// read too (Sheet::model).
bool readSheetFromScene(Sheet& sheet, SceneCounts& counts, std::vector<std::string>& warnings,
                        std::string& error, bool withModel = false);

}  // namespace sheet
