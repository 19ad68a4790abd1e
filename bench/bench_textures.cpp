// Textured sheets: how long a viewer takes to draw them, and what a texture
// costs a run against the same model without one.
#include "bench/bench_textures.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "bench/meshgen/meshgen.h"
#include "bench/whole_run.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDuck = "/usr/share/assimp/models/Collada/duck.dae";
constexpr int kTextureSide = 2048;
constexpr double kSphereRadius = 5.0;  // cm: a ball 10 cm across

struct ChildCost {
    double seconds = -1;
    long peakKilobytes = -1;
    bool ok = false;
};

// A program run to its end, with its wall time and its own peak memory.
ChildCost runChild(const std::vector<std::string>& argv, double limit) {
    ChildCost cost;
    auto start = std::chrono::steady_clock::now();
    std::fflush(nullptr);  // else the child's stdio would print the table's buffer again
    pid_t pid = fork();
    if (pid < 0)
        return cost;
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        // the limit as a CPU limit: a viewer that hangs is killed
        rlimit cpu{rlim_t(limit), rlim_t(limit)};
        setrlimit(RLIMIT_CPU, &cpu);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.peakKilobytes = usage.ru_maxrss;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return cost;
}

int pdfPages(const std::string& pdf) {
    FILE* info = popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
    if (!info)
        return -1;
    char line[512];
    int pages = -1;
    while (std::fgets(line, sizeof line, info))
        if (std::sscanf(line, "Pages: %d", &pages) == 1)
            break;
    pclose(info);
    return pages;
}

// The slowest page of the PDF as poppler draws it at 150 dpi.
ChildCost worstRender(const std::string& pdf, const std::string& directory, double limit) {
    ChildCost worst;
    int pages = pdfPages(pdf);
    for (int p = 1; p <= pages; ++p) {
        ChildCost page = runChild({"pdftoppm", "-r", "150", "-f", std::to_string(p), "-l",
                                   std::to_string(p), "-png", pdf, directory + "/render"},
                                  limit);
        if (!page.ok)
            return page;
        worst.ok = true;
        worst.seconds = std::max(worst.seconds, page.seconds);
        worst.peakKilobytes = std::max(worst.peakKilobytes, page.peakKilobytes);
    }
    return worst;
}

// The slowest SVG page as chromium opens and paints it, or -1 without node
// and chromium.
double worstSvgOpen(const std::vector<std::string>& pages) {
    std::string script = std::string(KIVANO_SOURCE_DIR) + "/web/svg_open_time.mjs";
    if (pages.empty() || !fs::exists(script) || !fs::exists("/usr/bin/chromium"))
        return -1;
    std::string command = "node '" + script + "'";
    for (const std::string& p : pages)
        command += " '" + p + "'";
    FILE* out = popen((command + " 2>/dev/null").c_str(), "r");
    if (!out)
        return -1;
    double worst = -1, seconds = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, out)) {
        std::istringstream words(line);
        std::string path;
        if (words >> path >> seconds)
            worst = std::max(worst, seconds);
    }
    return pclose(out) == 0 ? worst : -1;
}

std::vector<std::string> svgPages(const std::string& base, int pages) {
    std::vector<std::string> out;
    if (pages == 1)
        out.push_back(base + ".svg");
    for (int p = 1; pages > 1 && p <= pages; ++p)
        out.push_back(base + "-" + std::to_string(p) + ".svg");
    return out;
}

// A ball with UVs round it, and a texture of noise over colour that
// compresses as badly as a photograph does.
void writeTexturedBall(const std::string& directory) {
    kivano::TriangleMesh ball = kivano::makeIcosphere(5, 0.0, 1);
    std::ofstream obj(directory + "/ball.obj"), plain(directory + "/ball-plain.obj");
    obj << "mtllib ball.mtl\nusemtl photo\n";
    for (size_t v = 0; v < ball.vertexCount(); ++v) {
        std::string line = "v " + std::to_string(ball.positions[3 * v] * kSphereRadius) + " " +
                           std::to_string(ball.positions[3 * v + 1] * kSphereRadius) + " " +
                           std::to_string(ball.positions[3 * v + 2] * kSphereRadius) + "\n";
        obj << line;
        plain << line;
    }
    for (size_t t = 0; t < ball.triangleCount(); ++t) {
        double u[3], v[3];
        for (int k = 0; k < 3; ++k) {
            const double* p = &ball.positions[3 * ball.indices[3 * t + size_t(k)]];
            u[k] = std::atan2(p[2], p[0]) / (2 * M_PI) + 0.5;
            v[k] = std::asin(std::clamp(p[1], -1.0, 1.0)) / M_PI + 0.5;
        }
        // a face across the seam takes its UVs past 1, where the texture repeats
        for (int k = 0; k < 3; ++k)
            if (std::max({u[0], u[1], u[2]}) - u[k] > 0.5)
                u[k] += 1.0;
        for (int k = 0; k < 3; ++k)
            obj << "vt " << u[k] << " " << v[k] << "\n";
        obj << "f";
        plain << "f";
        for (int k = 0; k < 3; ++k) {
            obj << " " << ball.indices[3 * t + size_t(k)] + 1 << "/" << 3 * t + size_t(k) + 1;
            plain << " " << ball.indices[3 * t + size_t(k)] + 1;
        }
        obj << "\n";
        plain << "\n";
    }
    std::ofstream(directory + "/ball.mtl") << "newmtl photo\nKd 1 1 1\nmap_Kd photo.ppm\n";
    std::ofstream ppm(directory + "/photo.ppm", std::ios::binary);
    ppm << "P6\n" << kTextureSide << " " << kTextureSide << "\n255\n";
    std::mt19937 noise(11);
    std::vector<char> row(size_t(kTextureSide) * 3);
    for (int y = 0; y < kTextureSide; ++y) {
        for (int x = 0; x < kTextureSide; ++x) {
            int grain = int(noise() % 48);
            row[size_t(x) * 3] = char(std::min(255, x / 9 + grain));
            row[size_t(x) * 3 + 1] = char(std::min(255, y / 9 + grain));
            row[size_t(x) * 3 + 2] = char(std::min(255, 128 + grain));
        }
        ppm.write(row.data(), std::streamsize(row.size()));
    }
}

void printTarget(const char* what, double value, double limit, const char* unit) {
    if (value < 0)
        std::printf("  %-46s %9s\n", what, "n/a");
    else
        std::printf("  %-46s %9.2f%s  (limit %g%s) %s\n", what, value, unit, limit, unit,
                    value <= limit ? "met" : "NOT MET");
}

double megabytes(const std::string& file) {
    std::error_code error;
    auto size = fs::file_size(file, error);
    return error ? -1 : double(size) / (1024.0 * 1024.0);
}

}  // namespace

void measureTextures(const std::string& tool, const std::string& directory, double limit) {
    std::printf("\ntextured sheets:\n");
    std::printf("  %-26s %8s %8s %6s %9s %12s %12s %10s\n", "run", "wall s", "peak MB", "pages",
                "PDF MB", "render s max", "render MB max", "SVG open s");
    struct Row {
        const char* name;
        std::string model;
        std::vector<std::string> options;
        bool svg;
        kivano::WholeRun run = {};
        double pdfMb = -1;
        ChildCost render = {};
        double svgOpen = -1;
    };
    std::vector<Row> rows;
    if (fs::exists(kDuck)) {
        rows.push_back({"duck", kDuck, {}, true});
        rows.push_back({"duck --height 360", kDuck, {"--height", "360"}, true});
    }
    writeTexturedBall(directory);
    rows.push_back({"ball 20,480 textured", directory + "/ball.obj", {}, false});
    rows.push_back({"ball 20,480 plain", directory + "/ball-plain.obj", {}, false});
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& r = rows[i];
        std::string base = directory + "/textured-" + std::to_string(i);
        std::vector<std::string> options = r.options;
        if (r.svg) {
            options.push_back("-o");
            options.push_back(base + ".svg");
        }
        r.run =
            kivano::runWholeUnfold(tool, r.model, base + ".pdf", base + ".json", limit, options);
        if (!r.run.ok) {
            std::printf("  %-26s failed: %s\n", r.name, r.run.failure.c_str());
            continue;
        }
        r.pdfMb = megabytes(base + ".pdf");
        r.render = worstRender(base + ".pdf", directory, limit);
        if (r.svg)
            r.svgOpen = worstSvgOpen(svgPages(base, r.run.pages));
        std::printf("  %-26s %8.2f %8.1f %6d %9.2f %12.2f %12.1f %10.2f\n", r.name, r.run.wall,
                    double(r.run.peakKilobytes) / 1024.0, r.run.pages, r.pdfMb, r.render.seconds,
                    double(r.render.peakKilobytes) / 1024.0, r.svgOpen);
        std::fflush(stdout);
    }
    std::printf("\ntargets (textured sheets):\n");
    for (const Row& r : rows) {
        if (!r.svg || !r.run.ok)
            continue;
        std::string what = std::string(r.name) + ": slowest page at 150 dpi";
        printTarget(what.c_str(), r.render.ok ? r.render.seconds : -1, 2.0, " s");
        what = std::string(r.name) + ": its memory";
        printTarget(what.c_str(), r.render.ok ? double(r.render.peakKilobytes) / 1024.0 : -1, 300,
                    " MB");
        what = std::string(r.name) + ": PDF";
        printTarget(what.c_str(), r.pdfMb, 10, " MB");
        what = std::string(r.name) + ": slowest SVG page in chromium";
        printTarget(what.c_str(), r.svgOpen, 2.0, " s");
    }
    const Row& textured = rows[rows.size() - 2];
    const Row& plain = rows.back();
    bool both = textured.run.ok && plain.run.ok;
    printTarget("ball 20,480: textured run / plain run",
                both ? textured.run.wall / plain.run.wall : -1, 1.5, "x");
    printTarget("ball 20,480: textured peak / plain peak",
                both ? double(textured.run.peakKilobytes) / double(plain.run.peakKilobytes) : -1,
                1.5, "x");
    printTarget("ball 20,480 textured: PDF at 300 dpi", textured.pdfMb, 40, " MB");
}
