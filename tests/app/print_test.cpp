// What a person sees on a printed sheet, checked from the outside: the PDF
// rendered by poppler, each face found on paper through the faces file and
// compared with the model file the test wrote itself.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "../test_files.h"
#include "bench/meshgen/meshgen.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

struct P2 {
    double x, y;
};
using P3 = std::array<double, 3>;

struct Rgb {
    int r, g, b;
};

bool near(Rgb a, Rgb b, int tolerance = 45) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string text(Rgb c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

// A page as poppler draws it.
struct Render {
    int width = 0, height = 0;
    double dpi = 0;
    std::vector<unsigned char> rgb;

    // The pixel under a point given in page millimetres.
    Rgb at(P2 mm) const {
        int x = int(std::floor(mm.x / 25.4 * dpi)), y = int(std::floor(mm.y / 25.4 * dpi));
        if (x < 0 || y < 0 || x >= width || y >= height)
            return {-1, -1, -1};
        const unsigned char* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return {p[0], p[1], p[2]};
    }
};

Render render(const fs::path& pdf, int page, double dpi) {
    Render out;
    fs::path prefix = pdf.parent_path() / ("page" + std::to_string(page));
    Outcome run = runCommand("pdftoppm -singlefile -r " + std::to_string(int(dpi)) + " -f " +
                             std::to_string(page) + " -l " + std::to_string(page) + " " +
                             shellQuote(pdf.string()) + " " + shellQuote(prefix.string()));
    if (run.exit != 0)
        return out;
    std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> out.width >> out.height >> max;
    in.get();
    out.dpi = dpi;
    out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
    in.read(reinterpret_cast<char*>(out.rgb.data()), std::streamsize(out.rgb.size()));
    return out;
}

// A face as printed: its model corners and where each lies on paper.
struct PrintedFace {
    P3 model[3];
    P2 paper[3];
    int page = 0;
};

std::vector<PrintedFace> printedFaces(const fs::path& facesJson) {
    std::ifstream in(facesJson);
    json all = json::parse(in);
    std::vector<PrintedFace> faces;
    for (const json& f : all["faces"]) {
        PrintedFace face;
        face.page = f["page"];
        for (int k = 0; k < 3; ++k) {
            for (int c = 0; c < 3; ++c)
                face.model[k][size_t(c)] = f["model"][k][c];
            face.paper[k] = {f["paper"][k][0], f["paper"][k][1]};
        }
        faces.push_back(face);
    }
    return faces;
}

P2 lerp(P2 a, P2 b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

P2 centroid(const P2 (&p)[3]) {
    return {(p[0].x + p[1].x + p[2].x) / 3, (p[0].y + p[1].y + p[2].y) / 3};
}

// The point `distance` mm beyond the middle of edge k, away from the face.
P2 outside(const PrintedFace& f, int k, double distance) {
    P2 a = f.paper[k], b = f.paper[(k + 1) % 3], c = f.paper[(k + 2) % 3];
    P2 mid = lerp(a, b, 0.5);
    double nx = -(b.y - a.y), ny = b.x - a.x, length = std::hypot(nx, ny);
    if (nx * (c.x - a.x) + ny * (c.y - a.y) > 0)
        nx = -nx, ny = -ny;
    return {mid.x + nx / length * distance, mid.y + ny / length * distance};
}

bool samePoint(const P3& a, const P3& b) {
    return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]) < 1e-4;
}

// Paper corners of two faces meet within what the unfolding's rounding
// leaves, far below a printer's dot.
bool samePoint(P2 a, P2 b) {
    return std::hypot(a.x - b.x, a.y - b.y) < 0.02;
}

// The face across model edge k, and whether it lies against this edge on
// paper (a fold) rather than elsewhere (a seam).
struct Across {
    const PrintedFace* face = nullptr;
    bool folded = false;
};

Across across(const std::vector<PrintedFace>& faces, const PrintedFace& f, int k) {
    const P3 &a = f.model[k], &b = f.model[(k + 1) % 3];
    for (const PrintedFace& g : faces) {
        if (&g == &f)
            continue;
        for (int j = 0; j < 3; ++j) {
            const P3 &c = g.model[j], &d = g.model[(j + 1) % 3];
            if (samePoint(a, d) && samePoint(b, c))
                return {&g, g.page == f.page && samePoint(f.paper[k], g.paper[(j + 1) % 3]) &&
                                samePoint(f.paper[(k + 1) % 3], g.paper[j])};
            if (samePoint(a, c) && samePoint(b, d))
                return {&g, false};  // walked the same way: never a fold
        }
    }
    return {};
}

// ---- a textured cube -------------------------------------------------------

// Six faces, each textured with one square of the texture, 4 cm a side.
const Rgb kCellColours[6] = {{220, 30, 30},  {30, 170, 40},  {40, 70, 220},
                             {230, 200, 20}, {190, 40, 190}, {30, 190, 200}};
constexpr int kCell = 16;  // texture pixels per square

// Which face of the cube a triangle lies on, by its outward normal.
int cubeFace(const PrintedFace& f) {
    P3 u, v;
    for (int c = 0; c < 3; ++c) {
        u[size_t(c)] = f.model[1][size_t(c)] - f.model[0][size_t(c)];
        v[size_t(c)] = f.model[2][size_t(c)] - f.model[0][size_t(c)];
    }
    P3 n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    int axis = 0;
    for (int c = 1; c < 3; ++c)
        if (std::fabs(n[size_t(c)]) > std::fabs(n[size_t(axis)]))
            axis = c;
    return 2 * axis + (n[size_t(axis)] > 0 ? 1 : 0);
}

// The cube as OBJ with UVs, each face's UVs inside its own square of the
// texture (kept 2 pixels from its sides, so that filtering never reaches a
// neighbour), and the texture as a binary PPM.
void writeTexturedCube(const fs::path& dir) {
    std::ofstream ppm(dir / "cells.ppm", std::ios::binary);
    ppm << "P6\n" << 3 * kCell << " " << 2 * kCell << "\n255\n";
    for (int y = 0; y < 2 * kCell; ++y)
        for (int x = 0; x < 3 * kCell; ++x) {
            // rows of the image run downwards, v upwards
            Rgb c = kCellColours[(1 - y / kCell) * 3 + x / kCell];
            ppm << char(c.r) << char(c.g) << char(c.b);
        }
    std::ofstream(dir / "cube.mtl") << "newmtl cells\nKd 1 1 1\nmap_Kd cells.ppm\n";
    std::ofstream obj(dir / "cube.obj");
    obj << "mtllib cube.mtl\nusemtl cells\n";
    const double s = 4.0;
    int vertex = 0;
    for (int face = 0; face < 6; ++face) {
        int axis = face / 2;
        bool positive = face % 2 == 1;
        int a = (axis + 1) % 3, b = (axis + 2) % 3;
        double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        double cellU = (face % 3) / 3.0, cellV = (face / 3) / 2.0;
        double inset = 2.0 / (3 * kCell), insetV = 2.0 / (2 * kCell);
        for (int i = 0; i < 4; ++i) {
            // outward: counter-clockwise seen from outside
            int k = positive ? i : 3 - i;
            P3 p{};
            p[size_t(axis)] = positive ? s : 0.0;
            p[size_t(a)] = corners[k][0] * s;
            p[size_t(b)] = corners[k][1] * s;
            obj << "v " << p[0] << " " << p[1] << " " << p[2] << "\n";
            obj << "vt " << cellU + inset + corners[k][0] * (1.0 / 3 - 2 * inset) << " "
                << cellV + insetV + corners[k][1] * (0.5 - 2 * insetV) << "\n";
        }
        obj << "f";
        for (int i = 1; i <= 4; ++i)
            obj << " " << vertex + i << "/" << vertex + i;
        obj << "\n";
        vertex += 4;
    }
}

// Same corners at the same places: the OBJ above lists each face's corners
// apart, so the cube would fall into six parts without this.
void weld(const fs::path& obj) {
    std::ifstream in(obj);
    std::vector<std::string> lines;
    std::vector<std::string> positions;
    std::map<std::string, int> index;
    std::vector<int> remap;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("v ", 0) == 0) {
            auto [it, added] = index.emplace(line, int(positions.size()) + 1);
            if (added)
                positions.push_back(line);
            remap.push_back(it->second);
        } else {
            lines.push_back(line);
        }
    }
    std::ofstream out(obj);
    for (const std::string& p : positions)
        out << p << "\n";
    for (const std::string& l : lines) {
        if (l.rfind("f ", 0) != 0) {
            out << l << "\n";
            continue;
        }
        std::istringstream words(l.substr(2));
        std::string corner;
        out << "f";
        while (words >> corner) {
            size_t slash = corner.find('/');
            out << " " << remap[size_t(std::stoi(corner.substr(0, slash)) - 1)]
                << corner.substr(slash);
        }
        out << "\n";
    }
}

struct CubeSheet {
    Render page;
    std::vector<PrintedFace> faces;
};

CubeSheet printCube(const TempDir& dir, const std::vector<std::string>& options) {
    writeTexturedCube(dir.path);
    weld(dir.path / "cube.obj");
    std::vector<std::string> args = {(dir.path / "cube.obj").string(),   "-o",
                                     (dir.path / "cube.pdf").string(),   "--faces-json",
                                     (dir.path / "faces.json").string(), "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    Outcome run = unfold(args);
    EXPECT_EQ(run.exit, 0) << run.out;
    CubeSheet sheet{render(dir.path / "cube.pdf", 1, 300), printedFaces(dir.path / "faces.json")};
    EXPECT_EQ(sheet.faces.size(), 12u);
    for (const PrintedFace& f : sheet.faces)
        EXPECT_EQ(f.page, 1);
    return sheet;
}

const Rgb kWhite{255, 255, 255};

}  // namespace

// Each face prints its own square of the texture: the colour at its centre is
// the texture's at its UVs' centre.
TEST(TexturedSheet, FacesShowTheirTextureAndBleedHalfAMillimetrePastTheCut) {
    for (double bleed : {0.5, 0.0}) {
        TempDir dir("kivano-print");
        CubeSheet sheet = printCube(dir, {"--bleed", bleed > 0 ? "0.5" : "0"});
        ASSERT_GT(sheet.page.width, 0);
        int bare = 0;
        for (const PrintedFace& f : sheet.faces) {
            Rgb own = kCellColours[cubeFace(f)];
            EXPECT_TRUE(near(sheet.page.at(centroid(f.paper)), own))
                << text(sheet.page.at(centroid(f.paper))) << " for " << text(own);
            for (int k = 0; k < 3; ++k) {
                if (across(sheet.faces, f, k).folded)
                    continue;
                // Past the cut line (0.15 mm wide on this side): the face's
                // own picture where no tab hangs, the tab's grey where one
                // does; nothing of the face beyond the bleed.
                Rgb justOut = sheet.page.at(outside(f, k, 0.33));
                Rgb farOut = sheet.page.at(outside(f, k, 1.0));
                EXPECT_FALSE(near(farOut, own)) << text(farOut);
                if (near(justOut, own))
                    ++bare;
            }
        }
        // Every seam has one side without a tab.
        if (bleed > 0)
            EXPECT_GE(bare, 7);
        else
            EXPECT_EQ(bare, 0);
    }
}

// With --tab-texture partner, of the two sides of a seam exactly one carries
// a tab, and that tab shows the face it is glued under.
TEST(TexturedSheet, TabsShowTheFaceTheyAreGluedUnder) {
    for (bool partner : {true, false}) {
        TempDir dir("kivano-print");
        CubeSheet sheet =
            printCube(dir, partner ? std::vector<std::string>{"--tab-texture", "partner"}
                                   : std::vector<std::string>{});
        std::map<std::pair<const PrintedFace*, const PrintedFace*>, int> showing;
        for (const PrintedFace& f : sheet.faces)
            for (int k = 0; k < 3; ++k) {
                Across other = across(sheet.faces, f, k);
                if (!other.face || other.folded)
                    continue;
                Rgb tab = sheet.page.at(outside(f, k, 1.5));
                std::pair<const PrintedFace*, const PrintedFace*> seam{std::min(&f, other.face),
                                                                       std::max(&f, other.face)};
                showing[seam] += near(tab, kCellColours[cubeFace(*other.face)]) ? 1 : 0;
            }
        EXPECT_EQ(showing.size(), 7u);
        for (const auto& [seam, tabs] : showing)
            EXPECT_EQ(tabs, partner ? 1 : 0);
    }
}

// A texture the model file holds prints like one beside it.
TEST(TexturedSheet, AGlbsOwnTextureIsPrinted) {
    fs::path glb = "/usr/share/assimp/models/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb";
    if (!fs::exists(glb))
        GTEST_SKIP() << "assimp's sample models are not installed";
    TempDir dir("kivano-print");
    Outcome run = unfold({glb.string(), "-o", (dir.path / "box.pdf").string(), "-o",
                          (dir.path / "box.obj").string(), "--height", "100"});
    ASSERT_EQ(run.exit, 0) << run.out;
    EXPECT_EQ(run.out.find("cannot be read"), std::string::npos) << run.out;
    Outcome images = runCommand("pdfimages -list " + shellQuote((dir.path / "box.pdf").string()));
    ASSERT_EQ(images.exit, 0);
    EXPECT_NE(images.out.find(" image "), std::string::npos) << images.out;
    // The scene's material library names the texture as a file beside it.
    std::ifstream mtl(dir.path / "box.mtl");
    std::string line, named;
    while (std::getline(mtl, line))
        if (line.rfind("map_Kd ", 0) == 0)
            named = line.substr(7);
    ASSERT_FALSE(named.empty());
    std::ifstream image(dir.path / named, std::ios::binary);
    char head[4] = {};
    image.read(head, 4);
    bool png = std::string(head + 1, 3) == "PNG",
         jpeg = head[0] == char(0xff) && head[1] == char(0xd8);
    EXPECT_TRUE(png || jpeg) << named;
}

// Faces wound against their neighbours are turned before unfolding: every
// face prints front up, so the windings read counter-clockwise on paper walk
// each shared model edge once each way, and each face keeps its shape.
TEST(Winding, FacesWoundAgainstTheirNeighboursPrintFrontUp) {
    struct Case {
        const char* name;
        kivano::TriangleMesh mesh;
        std::vector<unsigned> turned;
        const char* warning;
        double scale;  // to centimetres
    };
    kivano::TriangleMesh square;
    square.positions = {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0};
    square.indices = {0, 1, 2, 0, 3, 2};  // the second one wound the other way
    std::vector<Case> cases = {
        {"square", square, {}, "1 of 2 faces were wound against their neighbours", 1.0},
        {"sphere",
         kivano::makeIcosphere(2, 0.2, 5),
         {3, 50, 51, 200},
         "4 of 320 faces were wound against their neighbours",
         5.0}};
    for (Case& c : cases) {
        for (unsigned t : c.turned)
            std::swap(c.mesh.indices[3 * t + 1], c.mesh.indices[3 * t + 2]);
        TempDir dir("kivano-print");
        fs::path obj = dir.path / "model.obj";
        {
            std::ofstream out(obj);
            for (size_t v = 0; v < c.mesh.vertexCount(); ++v)
                out << "v " << c.mesh.positions[3 * v] * c.scale << " "
                    << c.mesh.positions[3 * v + 1] * c.scale << " "
                    << c.mesh.positions[3 * v + 2] * c.scale << "\n";
            for (size_t t = 0; t < c.mesh.triangleCount(); ++t)
                out << "f " << c.mesh.indices[3 * t] + 1 << " " << c.mesh.indices[3 * t + 1] + 1
                    << " " << c.mesh.indices[3 * t + 2] + 1 << "\n";
        }
        Outcome run = unfold({obj.string(), "-o", (dir.path / "sheet.pdf").string(), "--faces-json",
                              (dir.path / "faces.json").string()});
        ASSERT_EQ(run.exit, 0) << run.out;
        EXPECT_NE(run.out.find(c.warning), std::string::npos) << run.out;

        std::vector<PrintedFace> faces = printedFaces(dir.path / "faces.json");
        ASSERT_EQ(faces.size(), c.mesh.triangleCount()) << c.name;
        std::map<std::pair<std::string, std::string>, int> walked;
        auto key = [](const P3& p) {
            char text[96];
            std::snprintf(text, sizeof text, "%.4f %.4f %.4f", p[0], p[1], p[2]);
            return std::string(text);
        };
        for (const PrintedFace& f : faces) {
            // Each side as long on paper as in the model, 1 cm to 10 mm, to
            // the unfolding's single precision.
            for (int k = 0; k < 3; ++k) {
                const P3 &a = f.model[k], &b = f.model[(k + 1) % 3];
                double model =
                    std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                              (a[2] - b[2]) * (a[2] - b[2]));
                P2 p = f.paper[k], q = f.paper[(k + 1) % 3];
                EXPECT_NEAR(std::hypot(p.x - q.x, p.y - q.y), 10 * model, 1e-3 + 1e-2 * model)
                    << c.name;
            }
            // Counter-clockwise with y up is clockwise on the page's y down.
            double area = (f.paper[1].x - f.paper[0].x) * (f.paper[2].y - f.paper[0].y) -
                          (f.paper[2].x - f.paper[0].x) * (f.paper[1].y - f.paper[0].y);
            int order[3] = {0, 1, 2};
            if (area > 0)
                std::swap(order[1], order[2]);
            for (int k = 0; k < 3; ++k)
                ++walked[{key(f.model[order[k]]), key(f.model[order[(k + 1) % 3]])}];
        }
        for (const auto& [edge, times] : walked)
            EXPECT_EQ(times, 1) << c.name << ": edge " << edge.first << " - " << edge.second
                                << " walked the same way by two printed faces";
    }
}

// ---- checkered models, simplified ---------------------------------------------

namespace {

const Rgb kCheckerColours[2] = {{220, 30, 30}, {40, 70, 220}};
constexpr int kSquarePixels = 16;

// The texture: `across` x `down` squares, the first (at u = v = 0) red.
void writeChecker(const fs::path& path, int across, int down) {
    std::ofstream ppm(path, std::ios::binary);
    ppm << "P6\n" << across * kSquarePixels << " " << down * kSquarePixels << "\n255\n";
    for (int y = down * kSquarePixels - 1; y >= 0; --y)  // rows run down, v up
        for (int x = 0; x < across * kSquarePixels; ++x) {
            Rgb c = kCheckerColours[(x / kSquarePixels + y / kSquarePixels) % 2];
            ppm << char(c.r) << char(c.g) << char(c.b);
        }
}

// Writes the model with one UV per corner from `uvOf` (points shared by
// place, so seams are only in the UVs), faces as lists of points.
void writeMapped(const fs::path& dir, const std::vector<std::vector<P3>>& faces,
                 const std::function<std::array<double, 2>(const P3&, const P3&)>& uvOf) {
    std::ofstream(dir / "m.mtl") << "newmtl checker\nKd 1 1 1\nmap_Kd checker.ppm\n";
    std::ofstream obj(dir / "m.obj");
    obj << "mtllib m.mtl\nusemtl checker\n";
    std::map<P3, int> points;
    int uvs = 0;
    std::ostringstream faceLines;
    for (const std::vector<P3>& face : faces) {
        P3 middle{};
        for (const P3& p : face)
            for (size_t c = 0; c < 3; ++c)
                middle[c] += p[c] / double(face.size());
        faceLines << "f";
        for (const P3& p : face) {
            auto [it, added] = points.emplace(p, int(points.size()) + 1);
            if (added)
                obj << "v " << p[0] << " " << p[1] << " " << p[2] << "\n";
            std::array<double, 2> uv = uvOf(p, middle);
            obj << "vt " << uv[0] << " " << uv[1] << "\n";
            faceLines << " " << it->second << "/" << ++uvs;
        }
        faceLines << "\n";
    }
    obj << faceLines.str();
}

// Longitude and latitude as UVs; the face's middle says which side of the
// seam a corner on it belongs to.
std::array<double, 2> sphereUv(const P3& p, const P3& middle) {
    double u = std::atan2(p[1], p[0]) / (2 * M_PI);
    double mu = std::atan2(middle[1], middle[0]) / (2 * M_PI);
    if (u < 0)
        u += 1;
    if (mu < 0)
        mu += 1;
    if (u - mu > 0.5)
        u -= 1;
    if (mu - u > 0.5)
        u += 1;
    return {u, std::acos(std::clamp(p[2], -1.0, 1.0)) / M_PI};
}

// Each side of the cube [0, 4]^3 in n x n quads with its own UV square
// running along the side's next two axes.
std::vector<std::vector<P3>> gridCube(int n) {
    std::vector<std::vector<P3>> faces;
    for (int side = 0; side < 6; ++side) {
        int axis = side / 2;
        bool positive = side % 2 == 1;
        size_t a = size_t(axis + 1) % 3, b = size_t(axis + 2) % 3;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                std::vector<P3> q;
                for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                    P3 p{};
                    p[size_t(axis)] = positive ? 4.0 : 0.0;
                    p[a] = 4.0 * (i + di) / n;
                    p[b] = 4.0 * (j + dj) / n;
                    q.push_back(p);
                }
                if (!positive)
                    std::reverse(q.begin(), q.end());
                faces.push_back(q);
            }
    }
    return faces;
}

std::array<double, 2> cubeUv(const P3& p, const P3& middle) {
    int axis = 0;
    for (int c = 0; c < 3; ++c)
        if (std::fabs(middle[size_t(c)] - 2.0) > std::fabs(middle[size_t(axis)] - 2.0))
            axis = c;
    return {p[size_t(axis + 1) % 3] / 4.0, p[size_t(axis + 2) % 3] / 4.0};
}

std::vector<std::vector<P3>> gridSphere(int around, int down) {
    auto at = [&](int i, int j) -> P3 {
        if (j == 0 || j == down)
            return {0, 0, j == 0 ? 1.0 : -1.0};
        double phi = 2 * M_PI * (i % around) / around, theta = M_PI * j / down;
        return {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
    };
    std::vector<std::vector<P3>> faces;
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < down; ++j) {
            if (j == 0)
                faces.push_back({at(i, 0), at(i, 1), at(i + 1, 1)});
            else if (j == down - 1)
                faces.push_back({at(i, j), at(i, down), at(i + 1, j)});
            else
                faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
        }
    return faces;
}

}  // namespace

// Simplified, a checkered cube and sphere print each point of a face in the
// colour the model's own mapping gives that point: the corners kept carry
// their UVs, and no face runs across a texture seam.
TEST(TexturedSheet, SimplifiedCheckeredModelsPrintTheirSquaresWhereTheyBelong) {
    struct Case {
        const char* name;
        std::vector<std::vector<P3>> faces;
        std::function<std::array<double, 2>(const P3&, const P3&)> uv;
        int across, down;
        double scale;
        std::vector<std::string> options;
    };
    std::vector<Case> cases{{"cube", gridCube(8), cubeUv, 4, 4, 1.5, {"--faces", "100"}},
                            {"sphere",
                             gridSphere(48, 24),
                             sphereUv,
                             8,
                             4,
                             6.0,
                             {"--faces", "400", "--max-deviation", "3", "--limit-page"}}};
    // Points this far inside a face's printed edges miss its lines and glue
    // numbers; this far inside a square of the texture, its filtering.
    const double kInsideEdges = 4.0, kInsideSquare = 0.2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir("kivano-print");
        writeMapped(dir.path, c.faces, c.uv);
        writeChecker(dir.path / "checker.ppm", c.across, c.down);
        std::vector<std::string> args{(dir.path / "m.obj").string(),
                                      "-o",
                                      (dir.path / "m.pdf").string(),
                                      "--faces-json",
                                      (dir.path / "faces.json").string(),
                                      "--scale",
                                      std::to_string(c.scale),
                                      "--quiet"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Outcome run = unfold(args);
        ASSERT_EQ(run.exit, 0) << run.out;
        std::vector<PrintedFace> faces = printedFaces(dir.path / "faces.json");
        EXPECT_LE(faces.size(), c.name == std::string("cube") ? 100u : 400u);
        std::map<int, Render> pages;
        int judged = 0, wrongFaces = 0;
        for (const PrintedFace& f : faces) {
            // The model as it was given: the faces file has it scaled.
            P3 model[3], middle{};
            for (int k = 0; k < 3; ++k)
                for (size_t a = 0; a < 3; ++a) {
                    model[k][a] = f.model[k][a] / c.scale;
                    middle[a] += model[k][a] / 3;
                }
            std::array<double, 2> uv[3];
            bool pole = false;
            for (int k = 0; k < 3; ++k) {
                uv[k] = c.uv(model[k], middle);
                pole = pole || (c.across == 8 && std::fabs(std::fabs(model[k][2]) - 1) < 1e-6);
            }
            if (pole)
                continue;  // u means nothing there
            if (!pages.count(f.page))
                pages[f.page] = render(dir.path / "m.pdf", f.page, 100);
            const Render& page = pages[f.page];
            int looked = 0, wrong = 0;
            const int steps = 12;
            for (int i = 1; i < steps; ++i)
                for (int j = 1; i + j < steps; ++j) {
                    double w[3] = {double(i) / steps, double(j) / steps,
                                   1.0 - double(i + j) / steps};
                    P2 at{0, 0};
                    double u = 0, v = 0;
                    for (int k = 0; k < 3; ++k) {
                        at.x += f.paper[k].x * w[k], at.y += f.paper[k].y * w[k];
                        u += uv[k][0] * w[k], v += uv[k][1] * w[k];
                    }
                    bool clear = true;
                    for (int k = 0; k < 3; ++k) {
                        P2 a = f.paper[k], b = f.paper[(k + 1) % 3];
                        double length = std::hypot(b.x - a.x, b.y - a.y);
                        double d =
                            std::fabs((b.x - a.x) * (at.y - a.y) - (b.y - a.y) * (at.x - a.x)) /
                            length;
                        clear = clear && d >= kInsideEdges;
                    }
                    double su = u * c.across, sv = v * c.down;
                    double fu = su - std::floor(su), fv = sv - std::floor(sv);
                    if (!clear || fu < kInsideSquare || fu > 1 - kInsideSquare ||
                        fv < kInsideSquare || fv > 1 - kInsideSquare)
                        continue;
                    int square = int(std::floor(su)) + int(std::floor(sv));
                    Rgb want = kCheckerColours[((square % 2) + 2) % 2];
                    ++looked;
                    if (!near(page.at(at), want))
                        ++wrong;
                }
            if (looked < 4)
                continue;
            ++judged;
            // A net's number may stand on a face; a wrong mapping spoils most of it.
            if (wrong * 4 > looked)
                ++wrongFaces;
        }
        EXPECT_GE(judged, 10);
        EXPECT_EQ(wrongFaces, 0) << "of " << judged << " faces";
    }
}
