// The tables behind `make bench`.
// First, per model, algokante in this process with the net index and with the
// full scan (CPU seconds) and whether both gave the same sheet bit for bit.
// Then, when the kivano tool is built, one whole `kivano unfold MODEL -o
// MODEL.pdf --json REPORT` run per model: the seconds of each stage, of the
// whole run (wall and CPU) and its peak memory; then the targets.
//   kivano_bench [--quick] [--textures] [--edits] [--limit SECONDS]
//   --quick: the models up to 20,480 triangles; --textures: only the textured
//   sheets; --edits: only the edits of a finished sheet; --limit: wall seconds a
//   whole run may take (120 by default)
// Last, pages and seconds of both packers on the models the peer was
// measured on, next to the peer's figures.
#include "bench/bench_edits.h"
#include "bench/bench_textures.h"
#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "bench/whole_run.h"
#include "geometry/options.h"
#include "tests/unfold/net_checks.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/fewest_pieces.h"
#include "unfold/netindex.h"
#include "unfold/run_state.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

// Wall seconds one whole run may take by default; a slower one shows as "-".
static const double kDefaultRunLimit = 120;

namespace {
struct Model {
    std::string name;
    std::function<kivano::TriangleMesh()> make;
    std::string file;  // an existing model file; empty: write the generated mesh
    // Instead of make: the corners of one polygon face, which only the whole
    // run can triangulate.
    std::function<std::vector<double>()> polygon = {};
    // Also unfold with the full scan and compare; the worst shapes' one long
    // net makes the scan quadratic, a minute each.
    bool scan = true;
    std::vector<std::string> options = {};  // of the whole run
};

struct Unfolding {
    size_t triangles = 0;
    int nets = 0;
    double indexed = 0, scanned = -1;  // -1: not scanned
    bool same = false;
};

struct Measured {
    std::string name;
    Unfolding unfolding;
    kivano::WholeRun run;
};
}  // namespace

// CPU seconds: the machines this runs on are shared, and wall time there
// mostly measures the neighbours.
static double cpuNow() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The seconds of algokante and the finished sheet, described bit for bit.
static double timeAlgokante(const kivano::TriangleMesh& mesh, bool fullScan, std::string& sheet) {
    if (fullScan)
        setenv("KIVANO_FULL_SCAN", "1", 1);
    else
        unsetenv("KIVANO_FULL_SCAN");
    loadMeshes({mesh}, true);
    double start = cpuNow();
    algokante();
    double seconds = cpuNow() - start;
    unsetenv("KIVANO_FULL_SCAN");
    sheet = describeSheet(true);
    return seconds;
}

static Unfolding measureUnfolding(const kivano::TriangleMesh& mesh, bool scan) {
    Unfolding unfolding;
    unfolding.triangles = mesh.triangleCount();
    std::string indexedSheet, scannedSheet;
    unfolding.indexed = timeAlgokante(mesh, false, indexedSheet);
    unfolding.nets = activeNetCount();
    if (scan) {
        unfolding.scanned = timeAlgokante(mesh, true, scannedSheet);
        unfolding.same = indexedSheet == scannedSheet;
    }
    clearRun();
    return unfolding;
}

static std::string modelFile(const Model& model, const kivano::TriangleMesh& mesh,
                             const std::string& directory) {
    if (!model.file.empty())
        return model.file;
    std::string path = directory + "/" + model.name + ".obj";
    if (!kivano::writeObj(mesh, path.c_str()))
        std::fprintf(stderr, "kivano_bench: cannot write %s\n", path.c_str());
    return path;
}

static std::string polygonFile(const Model& model, const std::string& directory) {
    std::string path = directory + "/" + model.name + ".obj";
    std::vector<double> corners = model.polygon();
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) {
        std::fprintf(stderr, "kivano_bench: cannot write %s\n", path.c_str());
        return path;
    }
    for (size_t i = 0; i + 2 < corners.size(); i += 3)
        std::fprintf(out, "v %.17g %.17g %.17g\n", corners[i], corners[i + 1], corners[i + 2]);
    std::fprintf(out, "f");
    for (size_t i = 0; i < corners.size() / 3; ++i)
        std::fprintf(out, " %zu", i + 1);
    std::fprintf(out, "\n");
    std::fclose(out);
    return path;
}

static Measured measure(const Model& model, const std::string& directory, const std::string& tool,
                        double limit) {
    Measured measured;
    measured.name = model.name;
    std::string file;
    if (model.polygon) {
        measured.unfolding.triangles = model.polygon().size() / 3 - 2;
        file = polygonFile(model, directory);
    } else {
        kivano::TriangleMesh mesh = model.make();
        if (mesh.triangleCount() == 0)
            return measured;  // the maker said why
        measured.unfolding = measureUnfolding(mesh, model.scan);
        file = modelFile(model, mesh, directory);
    }
    if (!tool.empty()) {
        std::string base = directory + "/" + model.name;
        measured.run =
            kivano::runWholeUnfold(tool, file, base + ".pdf", base + ".json", limit, model.options);
        if (!measured.run.ok)
            std::fprintf(stderr, "kivano unfold %s: %s\n", file.c_str(),
                         measured.run.failure.c_str());
    }
    return measured;
}

static void printCell(double value, const char* format = "%9.3f") {
    if (value < 0)
        std::printf("%9s", "-");
    else
        std::printf(format, value);
}

static void printUnfoldingHeader() {
    std::printf("%-14s %9s %6s %9s %9s %9s %5s\n", "model", "triangles", "nets", "index s",
                "scan s", "speed-up", "same");
}

static void printUnfolding(const Measured& m) {
    const Unfolding& u = m.unfolding;
    if (u.indexed == 0) {
        std::printf("%-14s %9zu  (one polygon: whole run only)\n", m.name.c_str(), u.triangles);
        return;
    }
    std::printf("%-14s %9zu %6d", m.name.c_str(), u.triangles, u.nets);
    printCell(u.indexed, " %9.3f");
    printCell(u.scanned, " %9.3f");
    printCell(u.indexed > 0 && u.scanned >= 0 ? u.scanned / u.indexed : -1, " %8.1fx");
    std::printf(" %5s\n", u.scanned < 0 ? "-" : u.same ? "yes" : "NO");
}

static void printRunHeader() {
    std::printf("%-14s %9s %9s %9s %9s %9s %9s %9s %9s\n", "model", "import", "extract",
                "algokante", "output", "sheet", "wall s", "CPU s", "peak MB");
}

static void printRun(const Measured& m) {
    const kivano::WholeRun& r = m.run;
    std::printf("%-14s", m.name.c_str());
    for (double seconds : {r.import, r.extraction, r.algokante, r.output, r.sheet, r.wall, r.cpu})
        printCell(seconds, " %9.3f");
    printCell(r.peakKilobytes < 0 ? -1 : double(r.peakKilobytes) / 1024, " %9.1f");
    std::printf("\n");
}

static const Measured* find(const std::vector<Measured>& all, const char* name) {
    for (const Measured& m : all)
        if (m.name == name && m.run.ok)
            return &m;
    return nullptr;
}

static void printTarget(const char* what, double value, double limit, const char* unit) {
    if (value < 0)
        std::printf("  %-46s %10s\n", what, "not measured");
    else
        std::printf("  %-46s %9.2f%s  (limit %g%s) %s\n", what, value, unit, limit, unit,
                    value <= limit ? "met" : "NOT MET");
}

static void printGrowth(const std::vector<Measured>& all, const char* small, const char* large,
                        const char* what) {
    const Measured* a = find(all, small);
    const Measured* b = find(all, large);
    printTarget(what, a && b && a->run.cpu > 0 ? b->run.cpu / a->run.cpu : -1, 6, "x");
}

// Shapes that are not spheres: each within these multiples of the sphere of
// about as many triangles, and within so much memory per triangle above what
// the smallest sphere's run needs.
static const char* const kWorstShapes[] = {"spiral-20000", "star-20000", "star-limited",
                                           "strip-20000", "bent-20000"};
static const double kWorstTimeRatio = 3, kWorstMemoryRatio = 2, kKilobytesPerTriangle = 4;

static void printWorstShapeTargets(const std::vector<Measured>& all) {
    const Measured* sphere = find(all, "sphere-20480");
    const Measured* smallest = find(all, "sphere-1280");
    for (const char* name : kWorstShapes) {
        const Measured* shape = find(all, name);
        bool measured = shape && sphere && sphere->run.cpu > 0 && sphere->run.peakKilobytes > 0;
        std::string what = std::string(name) + ": time / sphere 20,480";
        printTarget(what.c_str(), measured ? shape->run.cpu / sphere->run.cpu : -1, kWorstTimeRatio,
                    "x");
        what = std::string(name) + ": memory / sphere 20,480";
        printTarget(
            what.c_str(),
            measured ? double(shape->run.peakKilobytes) / double(sphere->run.peakKilobytes) : -1,
            kWorstMemoryRatio, "x");
        what = std::string(name) + ": KB per triangle above sphere 1,280";
        printTarget(what.c_str(),
                    shape && smallest
                        ? double(shape->run.peakKilobytes - smallest->run.peakKilobytes) /
                              double(shape->unfolding.triangles)
                        : -1,
                    kKilobytesPerTriangle, " KB");
    }
}

static void printTargets(const std::vector<Measured>& all) {
    bool same = true;
    for (const Measured& m : all)
        same = same && (m.unfolding.scanned < 0 || m.unfolding.same);
    std::printf("\ntargets (whole runs in CPU seconds):\n  %-46s %9s\n",
                "index and scan give the same sheets", same ? "met" : "NOT MET");
    printGrowth(all, "sphere-20480", "sphere-81920", "sphere 20,480 -> 81,920: whole run grows");
    printGrowth(all, "tube-20000", "tube-80000", "tube 20,000 -> 80,000: whole run grows");
    const Measured* sphere = find(all, "sphere-81920");
    const Measured* bunny = find(all, "bunny");
    printTarget("sphere 81,920: whole run", sphere ? sphere->run.cpu : -1, 6, " s");
    printTarget("bunny: whole run", bunny ? bunny->run.cpu : -1, 0.4, " s");
    printTarget("sphere 81,920: peak memory",
                sphere ? double(sphere->run.peakKilobytes) / 1024 : -1, 350, " MB");
    printWorstShapeTargets(all);
}

static std::vector<Model> models(bool quick) {
    std::vector<Model> all = {
        {"sphere-1280", [] { return kivano::makeIcosphere(3, 0.1, 1); }, ""},
        {"sphere-5120", [] { return kivano::makeIcosphere(4, 0.1, 1); }, ""},
        {"sphere-20480", [] { return kivano::makeIcosphere(5, 0.1, 1); }, ""},
        {"tube-20000", [] { return kivano::makeTube(100, 100, 0.1, 1); }, ""},
        // a wall 3 mm high and 8 m long, 10 turns: one long thin net
        {"spiral-20000", [] { return kivano::makeSpiralBand(10000, 0.3, 10); }, "", {}, false},
        {"strip-20000", [] { return kivano::makeStraightStrip(10000); }, "", {}, false},
        {"bent-20000", [] { return kivano::makeBentGrid(100, 100); }, "", {}, false},
        {"star-20000", {}, "", [] { return kivano::makeStarPolygon(20000); }, false},
        // the page test asks about the whole star at every join
        {"star-limited",
         {},
         "",
         [] { return kivano::makeStarPolygon(20000); },
         false,
         {"--limit-page"}},
    };
    if (!quick) {
        all.push_back({"sphere-81920", [] { return kivano::makeIcosphere(6, 0.1, 1); }, ""});
        all.push_back({"tube-80000", [] { return kivano::makeTube(100, 400, 0.1, 1); }, ""});
    }
    const char* bunny = KIVANO_SOURCE_DIR "/../shared/models/bunny.obj";
    all.push_back({"bunny",
                   [bunny] {
                       kivano::TriangleMesh mesh;
                       std::string error;
                       if (!kivano::readObj(bunny, mesh, error))
                           std::fprintf(stderr, "bunny: %s\n", error.c_str());
                       return mesh;
                   },
                   bunny});
    return all;
}

// Pages against the most used free peer, at true scale on A4 with default
// settings: the peer's pieces and pages were measured on this machine's kind
// and are given, not run. The spheres are icospheres of radius 5 cm whose
// corners moved by up to 2 % of the radius.
struct PackingModel {
    const char* name;
    int level;  // icosphere subdivisions; -1 for the bunny
    int peerPieces, peerPages;
};

const PackingModel kPackingModels[] = {
    {"bunny", -1, 77, 3},
    {"sphere-5cm-5120", 4, 158, 4},
    {"sphere-5cm-20480", 5, 692, 7},
    {"sphere-5cm-81920", 6, 2485, 19},
};

struct PackingRow {
    const PackingModel* model;
    kivano::WholeRun boxes, shapes;
    kivano::WholeRun fewest;          // --pieces fewest, true-shape packing
    std::string fewestOverlap = "-";  // the independent overlap check's finding, in process
};

// The fewest-pieces unfolding in this process, on an A4 page's printable
// area, checked by the overlap test the unfolding does not share.
static std::string checkFewestOverlap(const std::string& file, double scale) {
    kivano::TriangleMesh mesh;
    std::string error;
    if (!kivano::readObj(file.c_str(), mesh, error))
        return error;
    for (double& v : mesh.positions)
        v *= scale;
    KivanoOptions.limitPageSize = true;
    KivanoOptions.pageWidth = 18.7;
    KivanoOptions.pageHeight = 25.9;
    loadMeshes({mesh}, true);
    unfoldFewestPieces();
    std::string overlap = checkNoOverlap();
    KivanoOptions = KivanoOptionsRecord();
    clearRun();
    return overlap.empty() ? "none" : overlap;
}

static std::vector<PackingRow> measurePacking(const std::string& tool, const std::string& directory,
                                              double limit, bool quick) {
    std::vector<PackingRow> rows;
    for (const PackingModel& model : kPackingModels) {
        if (quick && model.level > 5)
            continue;
        std::string file = KIVANO_SOURCE_DIR "/../shared/models/bunny.obj";
        std::vector<std::string> scale;
        if (model.level >= 0) {
            file = directory + "/" + model.name + ".obj";
            kivano::writeObj(kivano::makeIcosphere(model.level, 0.02, 7), file.c_str());
            scale = {"--scale", "5"};  // the mesh's radius is one centimetre
        }
        PackingRow row{&model, {}, {}, {}};
        for (const char* packing : {"boxes", "shapes"}) {
            std::string base = directory + "/" + model.name + "-" + packing;
            std::vector<std::string> options = scale;
            options.insert(options.end(), {"--packing", packing});
            kivano::WholeRun run =
                kivano::runWholeUnfold(tool, file, base + ".pdf", base + ".json", limit, options);
            if (!run.ok)
                std::fprintf(stderr, "kivano unfold %s --packing %s: %s\n", file.c_str(), packing,
                             run.failure.c_str());
            (std::strcmp(packing, "boxes") == 0 ? row.boxes : row.shapes) = run;
        }
        std::string base = directory + "/" + model.name + "-fewest";
        std::vector<std::string> options = scale;
        options.insert(options.end(), {"--pieces", "fewest"});
        row.fewest =
            kivano::runWholeUnfold(tool, file, base + ".pdf", base + ".json", limit, options);
        row.fewestOverlap = checkFewestOverlap(file, model.level >= 0 ? 5.0 : 1.0);
        if (!row.fewest.ok)
            std::fprintf(stderr, "kivano unfold %s --pieces fewest: %s\n", file.c_str(),
                         row.fewest.failure.c_str());
        rows.push_back(row);
    }
    return rows;
}

static void printPacking(const std::vector<PackingRow>& rows) {
    std::printf("\npacking at true scale on A4 (layout = labels and packing, CPU s):\n");
    std::printf("%-18s %6s %6s | %6s %6s %8s %8s | %6s %8s %8s\n", "model", "peer", "peer", "nets",
                "boxes", "layout", "whole", "shapes", "layout", "whole");
    std::printf("%-18s %6s %6s | %6s %6s %8s %8s | %6s %8s %8s\n", "", "pieces", "pages", "",
                "pages", "s", "s", "pages", "s", "s");
    for (const PackingRow& r : rows) {
        std::printf("%-18s %6d %6d | %6d %6d", r.model->name, r.model->peerPieces,
                    r.model->peerPages, r.boxes.nets, r.boxes.pages);
        printCell(r.boxes.layout, " %8.3f");
        printCell(r.boxes.cpu, " %8.3f");
        std::printf(" | %6d", r.shapes.pages);
        printCell(r.shapes.layout, " %8.3f");
        printCell(r.shapes.cpu, " %8.3f");
        std::printf("\n");
    }
}

// Pieces of both unfoldings, pieces within the page for both (the default
// with --limit-page is not run: its pieces are those of the packing runs
// above, which the page does not limit).
static void printPieces(const std::vector<PackingRow>& rows) {
    std::printf(
        "\npieces at true scale on A4 (--pieces fewest keeps every piece within the page):\n");
    std::printf("%-18s %6s | %6s %6s %8s | %6s %6s %8s %6s\n", "model", "peer", "nets", "cut",
                "whole", "nets", "cut", "whole", "pages");
    std::printf("%-18s %6s | %6s %6s %8s | %6s %6s %8s %6s\n", "", "pieces", "", "edges", "s",
                "fewest", "edges", "s", "");
    for (const PackingRow& r : rows) {
        std::printf("%-18s %6d | %6d %6d", r.model->name, r.model->peerPieces, r.shapes.nets,
                    r.shapes.cutEdges);
        printCell(r.shapes.cpu, " %8.3f");
        std::printf(" | %6d %6d", r.fewest.nets, r.fewest.cutEdges);
        printCell(r.fewest.cpu, " %8.3f");
        std::printf(" %6d  overlap: %s\n", r.fewest.pages, r.fewestOverlap.c_str());
    }
}

static void printPiecesTargets(const std::vector<PackingRow>& rows) {
    bool half = !rows.empty(), quarter = !rows.empty();
    double slowest = -1;
    for (const PackingRow& r : rows) {
        bool ok = r.fewest.ok && r.fewest.nets > 0;
        half = half && ok && 2 * r.fewest.nets <= r.model->peerPieces;
        quarter = quarter && ok && 4 * r.fewest.nets <= r.model->peerPieces;
        if (ok && r.shapes.cpu > 0)
            slowest = std::max(slowest, r.fewest.cpu / r.shapes.cpu);
    }
    std::printf("  %-46s %9s\n", "fewest pieces: at most half the peer's",
                half ? "met" : "NOT MET");
    std::printf("  %-46s %9s\n", "fewest pieces: at most a quarter (the aim)",
                quarter ? "met" : "not yet");
    printTarget("fewest pieces: slowest run / default run", slowest, 10, "x");
}

static void printPackingTargets(const std::vector<PackingRow>& rows) {
    bool fewer = !rows.empty();
    for (const PackingRow& r : rows)
        fewer = fewer && r.shapes.ok && r.shapes.pages < r.model->peerPages;
    std::printf("  %-46s %9s\n", "true-shape packing: fewer pages than the peer",
                fewer ? "met" : "NOT MET");
    for (const PackingRow& r : rows)
        if (r.model->level == 6)
            printTarget(
                "sphere 5 cm 81,920: shapes run / boxes run",
                r.boxes.ok && r.shapes.ok && r.boxes.cpu > 0 ? r.shapes.cpu / r.boxes.cpu : -1, 1.5,
                "x");
}

int main(int argc, char** argv) {
    bool quick = false, texturesOnly = false, editsOnly = false;
    double limit = kDefaultRunLimit;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--textures") == 0)
            texturesOnly = true;
        else if (std::strcmp(argv[i], "--edits") == 0)
            editsOnly = true;
        else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc && std::atof(argv[i + 1]) > 0)
            limit = std::atof(argv[++i]);
        else {
            std::fprintf(
                stderr, "usage: kivano_bench [--quick] [--textures] [--edits] [--limit SECONDS]\n");
            return 2;
        }
    }
    std::string tool = KIVANO_TOOL;
    if (!tool.empty() && access(tool.c_str(), X_OK) != 0)
        tool.clear();
    char directory[] = "/tmp/kivano-bench-XXXXXX";
    if (!mkdtemp(directory)) {
        std::perror("kivano_bench: temporary directory");
        return 1;
    }
    if (texturesOnly && !tool.empty()) {
        measureTextures(tool, directory, limit);
        return 0;
    }
    if (editsOnly && !tool.empty()) {
        measureEdits(tool, directory, limit);
        return 0;
    }
    std::vector<Measured> all;
    std::printf("algokante in process (CPU seconds):\n");
    printUnfoldingHeader();
    for (const Model& model : models(quick)) {
        Measured measured = measure(model, directory, tool, limit);
        if (measured.unfolding.triangles == 0)
            continue;
        all.push_back(measured);
        printUnfolding(all.back());
        std::fflush(stdout);
    }
    if (tool.empty()) {
        std::printf("(the kivano tool is not built: no whole runs)\n");
        return 0;
    }
    std::printf(
        "\nwhole `kivano unfold MODEL -o MODEL.pdf` runs (stages in processor seconds where the report gives them):\n");
    printRunHeader();
    for (const Measured& m : all)
        printRun(m);
    std::vector<PackingRow> packing = measurePacking(tool, directory, limit, quick);
    printPacking(packing);
    printPieces(packing);
    printTargets(all);
    printPackingTargets(packing);
    printPiecesTargets(packing);
    measureTextures(tool, directory, limit);
    measureEdits(tool, directory, limit);
    std::printf("(outputs in %s)\n", directory);
    return 0;
}
