#pragma once
// A project: what a sheet is made of beyond the model and the options, so
// that the same sheet can be printed again and edited. Edges are named by
// their two corners, the indices (from 0) of the imported model's points,
// which for an OBJ file is its own order, so that a script can name an edge
// from the file.
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "faces_json.h"
#include "layout.h"
#include "sheet_model.h"

inline constexpr int kProjectVersion = 1;

// Where a net lies in the frame the unfolding gave it: the first two corners
// of its first face, which the project places on the page.
struct NetFrame {
    sheet::Vec2 first, second;
};

// The SHA-256 of a file in hex, or an empty text when it cannot be read.
std::string fileSha256(const std::string& path);

// The project of a laid-out sheet as JSON. `frames` holds each net's frame by
// its container number; `options` the run's options as the server takes them.
std::string projectJson(const std::string& modelPath, const std::string& modelSha256,
                        const nlohmann::json& options,
                        const std::vector<sheet::ModelTriangle>& model, const sheet::Layout& layout,
                        const InputPolygons& input, const std::map<unsigned, NetFrame>& frames);
