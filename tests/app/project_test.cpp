// The project a run saves, checked against the model file itself and the
// run's own report: the model's fingerprint, every edge named by two
// corners of one of the file's faces, and the sheet's decisions counted as
// the report counts them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../test_files.h"
#include "tool_run.h"

namespace fs = std::filesystem;

TEST(Project, ASavedProjectNamesTheFilesEdgesAndTheSheetsDecisions) {
    TempDir dir("kivano-project");
    std::string model = example("figure.obj");
    Outcome run = unfold({model, "-o", (dir.path / "f.pdf").string(), "--json",
                          (dir.path / "f.json").string(), "--save-project",
                          (dir.path / "f.kivano.json").string(), "--quiet"});
    ASSERT_EQ(run.exit, 0) << run.out;
    std::ifstream projectFile(dir.path / "f.kivano.json"), reportFile(dir.path / "f.json");
    nlohmann::json project = nlohmann::json::parse(projectFile);
    nlohmann::json report = nlohmann::json::parse(reportFile);

    EXPECT_EQ(project["kivano_project"], 1);
    EXPECT_EQ(project["model"]["file"], "figure.obj");
    Outcome sum = runCommand("sha256sum " + shellQuote(model));
    EXPECT_EQ(sum.out.substr(0, 64), project["model"]["sha256"]);
    EXPECT_EQ(project["options"]["lug-width"], 4.0);

    // The file's faces, by its own vertex numbers from 0.
    std::vector<std::vector<int>> faces;
    std::ifstream obj(model);
    for (std::string line; std::getline(obj, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word != "f")
            continue;
        faces.emplace_back();
        while (words >> word)
            faces.back().push_back(std::stoi(word.substr(0, word.find('/'))) - 1);
    }
    std::set<std::pair<int, int>> named;
    int cuts = 0, tabs = 0;
    for (const auto& edge : project["edges"]) {
        int a = edge["corners"][0], b = edge["corners"][1];
        EXPECT_LT(a, b);
        EXPECT_TRUE(named.insert({a, b}).second) << a << "-" << b << " named twice";
        bool inOneFace = false;
        for (const auto& face : faces)
            inOneFace = inOneFace || (std::count(face.begin(), face.end(), a) &&
                                      std::count(face.begin(), face.end(), b));
        EXPECT_TRUE(inOneFace) << a << "-" << b << " is no edge of the file";
        if (edge["fold"])
            continue;
        ++cuts;
        if (edge["tab"].is_null())
            continue;
        ++tabs;
        std::set<int> tab{edge["tab"][0].get<int>(), edge["tab"][1].get<int>()};
        EXPECT_EQ(tab, (std::set<int>{a, b}));
    }
    // every side of every face of the file is an edge of the project
    for (const auto& face : faces)
        for (size_t k = 0; k < face.size(); ++k) {
            int a = face[k], b = face[(k + 1) % face.size()];
            EXPECT_TRUE(named.count({std::min(a, b), std::max(a, b)})) << a << "-" << b;
        }
    EXPECT_EQ(cuts, report["cut_edges"]);
    EXPECT_EQ(tabs, report["lug_objects"]);
    ASSERT_EQ(project["nets"].size(), report["nets"].get<size_t>());
    std::set<int> numbers;
    for (const auto& net : project["nets"]) {
        numbers.insert(net["number"].get<int>());
        EXPECT_GE(net["page"].get<int>(), 1);
        EXPECT_LE(net["page"].get<int>(), report["pages"].get<int>());
        EXPECT_GE(net["turn"].get<double>(), 0.0);
        EXPECT_LT(net["turn"].get<double>(), 360.0);
    }
    EXPECT_EQ(numbers.size(), project["nets"].size());
}
