#pragma once
// A project: what a sheet is made of beyond the model and the options, so
// that the same sheet can be printed again and edited. Edges are named by
// their two corners, faces by their three, as indices (from 0) of the
// imported model's points, which for an OBJ file is its own order, so that a
// script can name them from the file.
#include <array>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "faces_json.h"
#include "page_edits.h"

inline constexpr int kProjectVersion = 1;
// A project is a few records per edge of a model of at most some million
// faces; a larger file is no project.
inline constexpr size_t kMaxProjectBytes = 256u << 20;

// The SHA-256 of a file in hex, or an empty text when it cannot be read.
std::string fileSha256(const std::string& path);

// The corners of each face of a sheet as unfolded (by Face::origin), as
// indices of the imported model's points; -1 where a corner has none.
using FaceCorners = std::vector<std::array<int, 3>>;
FaceCorners faceCorners(const sheet::Sheet& unfolded, const InputPolygons& input);

// The edges two faces share by their corners (least first), each the
// sheet's edge id.
std::map<std::array<int, 2>, int> edgesByCorners(const sheet::SheetEditor& editor,
                                                 const FaceCorners& corners);

// The edited sheet as a project file.
std::string projectJson(const std::string& modelPath, const std::string& modelSha256,
                        const nlohmann::json& options, const sheet::PageEditor& editor,
                        const FaceCorners& corners);

struct Project {
    std::string modelFile, modelSha256;
    nlohmann::json options, edges, nets;
};

// Reads a project file and checks its form; false with the sentence.
bool readProject(const std::string& path, Project& project, std::string& error);

// How much of a project names edges and faces of this sheet.
struct ProjectFit {
    size_t edges = 0, edgesKept = 0, nets = 0, netsKept = 0;
};

// The project's decisions and net records for the editor's sheet, starting
// from what it has now. Without `lenient`, an edge or face the sheet does not
// have is an error.
bool projectDecisions(const Project& project, const sheet::PageEditor& editor,
                      const FaceCorners& corners, bool lenient, sheet::SheetDecisions& decisions,
                      std::map<int, sheet::NetRecord>& nets, ProjectFit& fit, std::string& error);
