// Whatever file a person hands to `kivano unfold`, the tool ends either with
// exit 0 and a sheet that holds only finite numbers, or with a non-zero exit,
// one line that names the problem, and no output file left behind. Scripts
// run by `kivano shell` that go wrong end non-zero with the command named.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum class Outcome { Sheet, Refused };

struct BadInput {
    std::string file;  // under the bad-input folder
    Outcome outcome;
    std::string mentions;   // a fragment of the error line, or of a warning for a sheet
    std::string extraArgs;  // more options for the run
};

struct RunResult {
    int exit = -1;
    std::vector<std::string> errLines;
    fs::path outDir;
};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);)
        if (!line.empty())
            out.push_back(line);
    return out;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

fs::path scratchDir(const std::string& name) {
    fs::path dir =
        fs::temp_directory_path() / ("kivano-bad-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    return dir;
}

RunResult unfold(const std::string& input, const std::string& name, const std::string& extraArgs) {
    RunResult r;
    fs::path dir = scratchDir(name);
    r.outDir = dir / "out";
    fs::path err = dir / "stderr.txt";
    std::string command =
        "KIVANO_PLUGIN=" + quoted(KIVANO_PLUGIN_FILE) + " " + quoted(KIVANO_EXE) + " unfold " +
        quoted(input) + " -o " + quoted((r.outDir / "sheet.pdf").string()) + " -o " +
        quoted((r.outDir / "sheet.svg").string()) + " -o " +
        quoted((r.outDir / "scene.obj").string()) + " --quiet " + extraArgs + " >" +
        quoted((dir / "stdout.txt").string()) + " 2>" + quoted(err.string());
    int status = std::system(command.c_str());
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.errLines = lines(readText(err));
    return r;
}

std::string show(const std::vector<std::string>& errLines) {
    std::string text;
    for (const std::string& l : errLines)
        text += "  | " + l + "\n";
    return text.empty() ? "  (nothing on stderr)\n" : text;
}

bool anyMentions(const std::vector<std::string>& errLines, const std::string& fragment) {
    return std::any_of(errLines.begin(), errLines.end(),
                       [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

// Every number on the geometry lines of an OBJ is finite; the scene holds a face.
void expectFiniteObj(const fs::path& path) {
    std::istringstream s(readText(path));
    int faces = 0;
    int lineNumber = 0;
    for (std::string line; std::getline(s, line);) {
        ++lineNumber;
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        faces += tag == "f";
        if (tag != "v" && tag != "vt" && tag != "vn")
            continue;
        for (std::string word; words >> word;) {
            char* end = nullptr;
            double value = std::strtod(word.c_str(), &end);
            EXPECT_TRUE(*end == '\0' && std::isfinite(value))
                << path.filename() << " line " << lineNumber << ": " << line;
        }
    }
    EXPECT_GT(faces, 0) << path << " holds no face";
}

// Drawing numbers in the SVG: no "nan" or "inf" anywhere a number goes.
void expectFiniteSvg(const fs::path& path) {
    std::string text = readText(path);
    std::string low = text;
    std::transform(low.begin(), low.end(), low.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_NE(text.find("<svg"), std::string::npos) << path;
    EXPECT_NE(text.find("</svg>"), std::string::npos) << path << " is cut short";
    for (const char* bad : {"nan", "inf"}) {
        size_t at = 0;
        while ((at = low.find(bad, at)) != std::string::npos) {
            bool inWord = (at > 0 && std::isalpha((unsigned char)low[at - 1])) ||
                          std::isalpha((unsigned char)low[at + 3]);
            EXPECT_TRUE(inWord) << path << " has '" << text.substr(at > 20 ? at - 20 : 0, 50)
                                << "'";
            at += 3;
        }
    }
}

void expectValidPdf(const fs::path& path) {
    EXPECT_EQ(readText(path).substr(0, 5), "%PDF-") << path;
    std::string check = "pdfinfo " + quoted(path.string()) + " >/dev/null 2>&1";
    if (std::system("command -v pdfinfo >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(check.c_str()), 0) << "pdfinfo cannot read " << path;
    }
}

void expectSheet(const RunResult& r, const BadInput& c) {
    ASSERT_EQ(r.exit, 0) << "stderr:\n" << show(r.errLines);
    expectValidPdf(r.outDir / "sheet.pdf");
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(r.outDir))
        if (entry.path().extension() == ".svg") {
            expectFiniteSvg(entry.path());
            ++pages;
        }
    EXPECT_GT(pages, 0) << "no SVG written";
    expectFiniteObj(r.outDir / "scene.obj");
    if (!c.mentions.empty()) {
        EXPECT_TRUE(anyMentions(r.errLines, c.mentions))
            << "no warning about '" << c.mentions << "':\n"
            << show(r.errLines);
    }
}

void expectRefusal(const RunResult& r, const BadInput& c) {
    EXPECT_NE(r.exit, 0);
    EXPECT_LT(r.exit, 128) << "killed by a signal";
    // The option parser adds a pointer to --help under its one line.
    size_t problemLines =
        std::count_if(r.errLines.begin(), r.errLines.end(), [](const std::string& l) {
            return l.rfind("Run with --help", 0) != 0 && l.rfind("kivano: warning:", 0) != 0;
        });
    EXPECT_EQ(problemLines, 1u) << "want one line naming the problem:\n" << show(r.errLines);
    EXPECT_TRUE(anyMentions(r.errLines, c.mentions)) << "no line names '" << c.mentions << "':\n"
                                                     << show(r.errLines);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(r.outDir))
        left.push_back(entry.path().filename().string());
    EXPECT_TRUE(left.empty()) << "left behind: " << left.front();
}

void check(const BadInput& c, const std::string& input) {
    SCOPED_TRACE(c.file + " " + c.extraArgs);
    std::string name = fs::path(c.file).filename().string();
    RunResult r = unfold(input, name, c.extraArgs);
    if (c.outcome == Outcome::Sheet)
        expectSheet(r, c);
    else
        expectRefusal(r, c);
    if (!::testing::Test::HasFailure())
        fs::remove_all(r.outDir.parent_path());
}

void checkAll(const std::vector<BadInput>& cases) {
    for (const BadInput& c : cases)
        check(c, (fs::path(KIVANO_BAD_INPUTS) / c.file).string());
}

TEST(BadInput, UnreadableFilesAreRefusedByName) {
    checkAll({
        {"no_such_model.obj", Outcome::Refused, "no_such_model.obj", ""},
        {".", Outcome::Refused, "cannot read", ""},
        {"empty.obj", Outcome::Refused, "empty.obj", ""},
        {"binary.obj", Outcome::Refused, "binary.obj", ""},
        {"truncated.stl", Outcome::Refused, "truncated.stl", ""},
        // found by the import fuzzer: assimp's reader crashed on a word where
        // a face's corner count belongs
        {"face_word.off", Outcome::Refused,
         "line 8: a face needs its number of corners, then that many vertex indices", ""},
        {"malformed_facet.stl", Outcome::Refused, "malformed_facet.stl", ""},
    });
}

// Each format's header (or glTF's buffers and accessors) promising far more
// than the file holds: refused before anything is reserved for it.
TEST(BadInput, HeadersClaimingMoreThanTheFileHoldsAreRefused) {
    checkAll({
        {"lying.off", Outcome::Refused,
         "the header declares 3,535,352,353 vertices and 1 face but the file holds 45 bytes", ""},
        // found by the import fuzzer: a count run on into other characters
        {"lying_run_on.off", Outcome::Refused,
         "the header declares 3,535,352,353 vertices and 1 face but the file holds 45 bytes", ""},
        // found by the import fuzzer: faces whose property the header garbles
        // take no bytes, yet a reader steps through four billion of them
        {"lying_unsized.ply", Outcome::Refused,
         "the header declares 3 vertices and 4,000,000,000 faces but the file holds 214 bytes", ""},
        // found by the import fuzzer: a garbled element line after a lying one
        {"garbled_element.ply", Outcome::Refused,
         "the header declares 3,000,000,000 vertices but the file holds 213 bytes", ""},
        {"lying.ply", Outcome::Refused,
         "the header declares 3,000,000,000 vertices and 1 face but the file holds 189 bytes", ""},
        {"lying_binary.ply", Outcome::Refused,
         "the header declares 3 vertices and 4,000,000,000 faces but the file holds 214 bytes", ""},
        {"lying.stl", Outcome::Refused,
         "the header declares 4,000,000,000 triangles but the file holds 184 bytes", ""},
        {"lying.3ds", Outcome::Refused,
         "the header declares 3,000,000,000 bytes but the file holds 66 bytes", ""},
        {"lying.glb", Outcome::Refused,
         "accessor 0 declares 4,000,000,000 elements of 12 bytes but its buffer view holds 36 "
         "bytes",
         ""},
        {"lying.gltf", Outcome::Refused,
         "buffer 0 declares 4,000,000,000 bytes but its data holds 36 bytes", ""},
    });
}

TEST(BadInput, FilesWithoutSurfacesAreRefused) {
    checkAll({
        {"no_faces.obj", Outcome::Refused, "no_faces.obj", ""},
        {"points_lines.obj", Outcome::Refused, "points_lines.obj", ""},
    });
}

TEST(BadInput, MalformedNumbersAndIndicesAreRefused) {
    checkAll({
        {"malformed.obj", Outcome::Refused, "line 5", ""},
        {"malformed_face.obj", Outcome::Refused, "line 5", ""},
        {"index_out_of_range.obj", Outcome::Refused, "line 5", ""},
        {"index_zero.obj", Outcome::Refused, "line 4", ""},
        {"nan_coords.obj", Outcome::Refused, "line 3", ""},
        {"inf_coords.obj", Outcome::Refused, "line 4", ""},
    });
}

// A corner 1e300 away cannot be measured without overflow: a refusal is
// right, a sheet is right only when every number in it is finite.
TEST(BadInput, HugeCoordinatesGiveFiniteSheetsOrARefusal) {
    BadInput c{"huge_coords.obj", Outcome::Refused, "huge_coords.obj", ""};
    RunResult r = unfold((fs::path(KIVANO_BAD_INPUTS) / c.file).string(), "huge", "");
    if (r.exit == 0) {
        c.outcome = Outcome::Sheet;
        c.mentions.clear();
        expectSheet(r, c);
    } else {
        expectRefusal(r, c);
    }
}

TEST(BadInput, AwkwardButValidMeshesGiveSheets) {
    checkAll({
        {"degenerate_faces.obj", Outcome::Sheet, "", ""},
        {"nonmanifold.obj", Outcome::Sheet, "", ""},
        {"opposite_orientation.obj", Outcome::Sheet, "", ""},
        {"twenty_objects.obj", Outcome::Sheet, "", ""},
        {"twenty_objects.obj", Outcome::Sheet, "",
         "--limit-page --page 50x50 --margin 5 --arrangement side-by-side"},
        {"mixed_uvs.obj", Outcome::Sheet, "", "--no-lugs --arrangement animation"},
        {"missing_texture.obj", Outcome::Sheet, "no_such_texture.png", ""},
    });
}

TEST(BadInput, UnusableOptionsAreRefusedBeforeAnythingIsWritten) {
    checkAll({
        {"twenty_objects.obj", Outcome::Refused, "--page", "--page 0x0"},
        {"twenty_objects.obj", Outcome::Refused, "--page", "--page abc"},
        {"twenty_objects.obj", Outcome::Refused, "--scale", "--scale -1"},
        {"twenty_objects.obj", Outcome::Refused, "--scale", "--scale nan"},
        {"twenty_objects.obj", Outcome::Refused, "--lug-width", "--lug-width inf"},
        {"twenty_objects.obj", Outcome::Refused, "--margin", "--margin 200"},
        {"twenty_objects.obj", Outcome::Refused, "--arrangement", "--arrangement diagonal"},
        {"twenty_objects.obj", Outcome::Refused, "-x", "-x 3"},
        {"twenty_objects.obj", Outcome::Refused, "--max-pages", "--max-pages -1"},
        // a sheet of more pages than allowed is refused before any is written:
        // by the faces' area alone, or once laid out
        {"twenty_objects.obj", Outcome::Refused,
         "would take at least 6 pages, more than --max-pages 3",
         "--page 50x50 --limit-page --max-pages 3"},
        {"twenty_objects.obj", Outcome::Refused, "would take 20 pages, more than --max-pages 10",
         "--page 50x50 --limit-page --max-pages 10"},
    });
}

// assimp reads glTF recursively, both its JSON and its node tree: nested
// deep enough, a file would exhaust the stack. Each is refused in one line.
TEST(BadInput, DeeplyNestedGltfIsRefusedWithoutACrash) {
    fs::path dir = scratchDir("gltf");
    // One triangle, its corners in a buffer beside the files.
    const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::ofstream(dir / "tri.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(corners), sizeof corners);
    auto model = [](const std::string& nodes, const std::string& extra) {
        return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)" +
               nodes +
               R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
               R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
               R"("min":[0,0,0],"max":[1,1,0]}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
               R"("buffers":[{"uri":"tri.bin","byteLength":36}])" +
               extra + "}";
    };
    const int levels = 30000;
    std::string chain;
    for (int i = 1; i < levels; ++i)
        chain += R"({"children":[)" + std::to_string(i) + "]},";
    std::ofstream(dir / "chain.gltf") << model(chain + R"({"mesh":0})", "");
    std::ofstream(dir / "cycle.gltf") << model(R"({"children":[1]},{"children":[0],"mesh":0})", "");
    std::ofstream(dir / "nested.gltf") << model(
        R"({"mesh":0})", ",\"extras\":" + std::string(1000000, '[') + std::string(1000000, ']'));
    for (const BadInput& c : std::vector<BadInput>{
             {"chain.gltf", Outcome::Refused, "the glTF node tree is deeper than 1000 levels", ""},
             {"cycle.gltf", Outcome::Refused, "the glTF node tree has a node among its own", ""},
             {"nested.gltf", Outcome::Refused, "its JSON is nested deeper than 256 levels", ""},
         }) {
        SCOPED_TRACE(c.file);
        RunResult r = unfold((dir / c.file).string(), c.file, "");
        EXPECT_EQ(r.exit, 1);
        expectRefusal(r, c);
    }
    if (!::testing::Test::HasFailure())
        fs::remove_all(dir);
}

struct BadScript {
    std::string name;  // file name; a .py file runs as Python
    std::string text;
    std::string mentions;
};

void checkScript(const BadScript& c) {
    SCOPED_TRACE(c.name + ": " + c.text);
    fs::path dir = scratchDir("script-" + c.name);
    fs::path script = dir / c.name;
    std::ofstream(script) << "loadPlugin \"" KIVANO_PLUGIN_FILE "\";\n" << c.text << "\n";
    if (script.extension() == ".py")
        std::ofstream(script) << "import maya.cmds as cmds\ncmds.loadPlugin('" KIVANO_PLUGIN_FILE
                                 "')\n"
                              << c.text << "\n";
    fs::path err = dir / "stderr.txt";
    std::string command = quoted(KIVANO_EXE) + " shell " + quoted(script.string()) +
                          " >/dev/null 2>" + quoted(err.string());
    int status = std::system(command.c_str());
    std::vector<std::string> errLines = lines(readText(err));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
    EXPECT_TRUE(anyMentions(errLines, c.mentions)) << "no line names '" << c.mentions << "':\n"
                                                   << show(errLines);
    if (!::testing::Test::HasFailure())
        fs::remove_all(dir);
}

TEST(BadScript, ShellScriptsThatGoWrongExitNonZeroNamingTheCommand) {
    for (const BadScript& c : std::vector<BadScript>{
             {"select.mel", "select nosuchobject;", "select"},
             {"menu.mel", "kivanomenu -l abc;", "-l"},
             {"syntax.mel", "select -r (;", "Syntax error"},
             {"select.py", "cmds.select('nosuchobject')", "select"},
             {"syntax.py", "1 +", "SyntaxError"},
             {"types.py", "cmds.select({'a': 1})", "select"},
         })
        checkScript(c);
}

}  // namespace
