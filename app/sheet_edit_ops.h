#pragma once
// One edit of a sheet as the API sends it ({"op": "join", "edge": [a, b]},
// {"op": "move", "net": 3, "page": 2, "x": 40, "y": 60}, ...) and as the
// command line writes it ("join 3 7", "move 3 2 40 60"). Edges are named by
// their corners, as in a project; nets by their numbers, pages from 1.
#include <array>
#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "page_edits.h"

// The words of an edit as its JSON; false with the sentence.
bool editFromWords(const std::string& words, nlohmann::json& edit, std::string& error);

// Applies the edit; a malformed one is refused as any other, in a sentence.
// `pageOf` takes a page as printed (from 0) to the editor's, which differ
// where an oversize net is printed on several tiles.
sheet::EditOutcome applyEdit(sheet::PageEditor& editor, const nlohmann::json& edit,
                             const std::map<std::array<int, 2>, int>& edges,
                             const std::function<int(int)>& pageOf);
