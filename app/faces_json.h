#pragma once
// For every triangle of the sheet: where it sits on the model, and the net,
// page and place on that page it is printed at. What a viewer needs to link
// a picture of the model with the pages.
#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "layout.h"
#include "sheet_model.h"

// The model as imported, before the unfolding: every polygon's corners in
// world space, polygon after polygon, object after object.
struct InputPolygons {
    std::vector<std::array<double, 3>> points;
    std::vector<int> counts;   // corners per polygon
    std::vector<int> corners;  // into points, polygon after polygon
};

// The imported model's points by where they lie (the first of any that lie
// at one place), to name a triangle's corners as a project names them.
class PointNumbers {
public:
    explicit PointNumbers(const InputPolygons& input);
    // The point at a corner of a triangle of the sheet, or -1.
    int at(const float (&corner)[3]) const;

private:
    std::map<std::tuple<float, float, float>, int> index_;
};

// JSON: {"pages": [{"width": mm, "height": mm}, ...], "faces": [{"face": the
// input polygon it was cut from (-1: none found), "net": printed number,
// "page": 1-based, "model": [[x, y, z] x 3], "paper": [[x, y] x 3] in page
// mm, y downwards, "corners": [a, b, c] the imported model's points at its
// corners (-1: none), and for a triangle of a net tiled across pages "tiles":
// [{"page", "paper"}, ...] for each other tile that shows it}, ...]}, in the
// order of `model`.
std::string facesJson(const std::vector<sheet::ModelTriangle>& model, const sheet::Layout& layout,
                      const InputPolygons& input);
