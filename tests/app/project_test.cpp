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

namespace {

nlohmann::json readJson(const fs::path& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

// A PDF without the moment it was made.
std::string pdfBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = bytes.find("/CreationDate (");
    if (at != std::string::npos)
        bytes.erase(at, bytes.find(')', at) - at + 1);
    return bytes;
}

std::string edgeWords(const char* op, const nlohmann::json& edge) {
    return std::string(op) + " " + std::to_string(edge["corners"][0].get<int>()) + " " +
           std::to_string(edge["corners"][1].get<int>());
}

}  // namespace

// The automatic sheet and an edited one each print from their project to
// the byte; a refused edit fails the run in words and leaves the project
// file as it was.
TEST(Project, SaveLoadPrintGivesTheSamePdfAndARefusedEditChangesNothing) {
    TempDir dir("kivano-project-bytes");
    auto at = [&](const char* name) { return (dir.path / name).string(); };
    std::string model = example("figure.obj");
    ASSERT_EQ(
        unfold({model, "-o", at("auto.pdf"), "--save-project", at("auto.kivano.json"), "--quiet"})
            .exit,
        0);
    Outcome again = unfold({model, "--project", at("auto.kivano.json"), "-o", at("again.pdf")});
    ASSERT_EQ(again.exit, 0) << again.out;
    EXPECT_EQ(pdfBytes(at("auto.pdf")), pdfBytes(at("again.pdf")));

    // Edits: a fold cut, then the first cut edge that can be joined, a net
    // turned and the tabs flipped where they can be.
    nlohmann::json project = readJson(at("auto.kivano.json"));
    std::vector<std::string> edits;
    for (const auto& edge : project["edges"])
        if (edge["fold"]) {
            edits.push_back(edgeWords("cut", edge));
            break;
        }
    std::vector<std::string> args{model,       "--project",      at("auto.kivano.json"), "-o",
                                  at("e.pdf"), "--save-project", at("e.kivano.json"),    "--quiet"};
    auto withEdits = [&](const std::vector<std::string>& list) {
        std::vector<std::string> all = args;
        for (const std::string& e : list)
            all.insert(all.end(), {"--edit", e});
        return unfold(all);
    };
    bool joined = false;
    std::string refusal;
    for (const auto& edge : project["edges"]) {
        if (edge["fold"])
            continue;
        std::vector<std::string> trial = edits;
        trial.push_back(edgeWords("join", edge));
        Outcome run = withEdits(trial);
        if (run.exit == 0) {
            edits = trial;
            joined = true;
            break;
        }
        refusal = run.out;
    }
    ASSERT_TRUE(joined) << refusal;
    edits.push_back("turn 1 30");
    Outcome edited = withEdits(edits);
    if (edited.exit != 0)
        edits.pop_back(), edited = withEdits(edits);
    ASSERT_EQ(edited.exit, 0) << edited.out;
    Outcome printed = unfold({model, "--project", at("e.kivano.json"), "-o", at("e2.pdf")});
    ASSERT_EQ(printed.exit, 0) << printed.out;
    EXPECT_EQ(pdfBytes(at("e.pdf")), pdfBytes(at("e2.pdf")));
    EXPECT_NE(pdfBytes(at("e.pdf")), pdfBytes(at("auto.pdf")));

    // A refused edit: the run fails and writes nothing, not even over the
    // project it was given.
    std::string before = readJson(at("e.kivano.json")).dump();
    Outcome refused = unfold({model, "--project", at("e.kivano.json"), "--edit", "join 0 99999",
                              "--save-project", at("e.kivano.json"), "-o", at("e3.pdf")});
    EXPECT_NE(refused.exit, 0);
    EXPECT_NE(refused.out.find("no two faces share an edge from corner 0 to 99999"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(readJson(at("e.kivano.json")).dump(), before);
    EXPECT_FALSE(fs::exists(at("e3.pdf")));
}

// A project made before one face of the model was split: refused without
// --update, and with it everything that still names the model's edges and
// faces is kept, which is all but the split face's.
TEST(Project, UpdateKeepsWhatStillFitsAModelWithOneFaceSplit) {
    TempDir dir("kivano-project-update");
    auto at = [&](const char* name) { return (dir.path / name).string(); };
    std::string model = example("figure.obj");
    ASSERT_EQ(
        unfold({model, "-o", at("auto.pdf"), "--save-project", at("auto.kivano.json"), "--quiet"})
            .exit,
        0);
    // One fold of the middle of the file cut by hand: the update keeps it.
    nlohmann::json automatic = readJson(at("auto.kivano.json"));
    nlohmann::json handCut;
    for (const auto& edge : automatic["edges"])
        if (edge["fold"] && edge["corners"][0].get<int>() > 8)
            handCut = edge;
    ASSERT_FALSE(handCut.is_null());
    Outcome cut =
        unfold({model, "--project", at("auto.kivano.json"), "--edit", edgeWords("cut", handCut),
                "-o", at("a.pdf"), "--save-project", at("a.kivano.json")});
    ASSERT_EQ(cut.exit, 0) << cut.out;
    // The first quad "f 1 3 4 2" becomes two triangles meeting at a new
    // point in its middle, numbered after every other point.
    std::ifstream in(model);
    std::ofstream out(at("split.obj"));
    int points = 0;
    bool split = false;
    std::vector<std::array<double, 3>> xyz;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream lines(text);
    std::string mtl = example("figure.mtl");
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "mtllib") {
            out << "mtllib " << mtl << "\n";
            continue;
        }
        if (word == "v") {
            std::array<double, 3> p;
            words >> p[0] >> p[1] >> p[2];
            xyz.push_back(p);
            ++points;
        }
        if (word == "f" && !split) {
            std::vector<std::string> corners;
            while (words >> word)
                corners.push_back(word.substr(0, word.find('/')));
            std::array<double, 3> middle{0, 0, 0};
            for (const std::string& c : corners)
                for (int k = 0; k < 3; ++k)
                    middle[size_t(k)] += xyz[size_t(std::stoi(c) - 1)][size_t(k)] / 4;
            out << "v " << middle[0] << " " << middle[1] << " " << middle[2] << "\n";
            int centre = points + 1;
            for (size_t k = 0; k < corners.size(); ++k)
                out << "f " << corners[k] << " " << corners[(k + 1) % corners.size()] << " "
                    << centre << "\n";
            split = true;
            continue;
        }
        out << line << "\n";
    }
    out.close();
    ASSERT_TRUE(split);

    Outcome refused =
        unfold({at("split.obj"), "--project", at("a.kivano.json"), "-o", at("b.pdf")});
    EXPECT_NE(refused.exit, 0);
    EXPECT_NE(refused.out.find("was made for another model"), std::string::npos) << refused.out;
    EXPECT_NE(refused.out.find("--update"), std::string::npos) << refused.out;

    Outcome updated = unfold({at("split.obj"), "--project", at("a.kivano.json"), "--update", "-o",
                              at("b.pdf"), "--save-project", at("b.kivano.json")});
    ASSERT_EQ(updated.exit, 0) << updated.out;
    EXPECT_NE(updated.out.find("the project fits the model in part: it kept"), std::string::npos)
        << updated.out;
    nlohmann::json before = readJson(at("a.kivano.json")), after = readJson(at("b.kivano.json"));
    std::map<std::string, nlohmann::json> edgesAfter;
    for (const auto& edge : after["edges"])
        edgesAfter[edge["corners"].dump()] = edge;
    size_t kept = 0, gone = 0;
    for (const auto& edge : before["edges"]) {
        auto found = edgesAfter.find(edge["corners"].dump());
        if (found == edgesAfter.end()) {
            ++gone;  // the split quad's inner edge
            continue;
        }
        kept += found->second["fold"] == edge["fold"];
    }
    EXPECT_LE(gone, 1u);
    EXPECT_EQ(edgesAfter[handCut["corners"].dump()]["fold"], false);
    // Only the edges around the split face may have changed.
    EXPECT_GE(kept + 4, before["edges"].size() - gone);
}
