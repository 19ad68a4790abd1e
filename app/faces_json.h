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

// One triangle of the sheet as the faces files give it: lengths rounded as
// printed (paper to the hundredth of a millimetre, the model to 1e-5).
struct PrintedFace {
    int polygon = -1;               // the input polygon it was cut from (-1: none found)
    int net = 0;                    // printed number
    int page = 0;                   // 1-based
    std::array<double, 9> model{};  // x, y, z of each corner
    std::array<double, 6> paper{};  // x, y of each corner, page mm, y downwards
    std::array<int, 3> corners{};   // the imported model's points (-1: none)
    // A triangle of a net tiled across pages: every other tile that shows it.
    std::vector<std::pair<int, std::array<double, 6>>> tiles;  // page, paper
};

struct PrintedFaces {
    std::vector<std::array<double, 2>> pages;  // width, height, mm
    std::vector<PrintedFace> faces;            // in the order of the model
};

PrintedFaces printedFaces(const std::vector<sheet::ModelTriangle>& model,
                          const sheet::Layout& layout, const InputPolygons& input);

// JSON: {"pages": [{"width": mm, "height": mm}, ...], "faces": [{"face": the
// input polygon it was cut from (-1: none found), "net": printed number,
// "page": 1-based, "model": [[x, y, z] x 3], "paper": [[x, y] x 3] in page
// mm, y downwards, "corners": [a, b, c] the imported model's points at its
// corners (-1: none), and for a triangle of a net tiled across pages "tiles":
// [{"page", "paper"}, ...] for each other tile that shows it}, ...]}, in the
// order of `model`.
std::string facesJson(const PrintedFaces& printed);

// The same faces for a browser to read without parsing: each field one
// array it can view in place (README, "faces.bin").
std::string facesBinary(const PrintedFaces& printed);

// Where the binary goes beside the JSON: its name with .bin for its extension.
std::string facesBinaryPath(const std::string& facesJsonPath);
