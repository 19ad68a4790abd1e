// --faces as a person uses it: the model the run unfolded (kept in the scene
// it writes) lies within the bound of the model given, measured here by
// random points on each surface and every triangle of the other, and the
// report says what happened.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "../test_files.h"
#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

using V = std::array<double, 3>;
using Tri = std::array<V, 3>;

V minus(const V& a, const V& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const V& a, const V& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
V cross(const V& a, const V& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double toSegment(const V& p, const V& a, const V& b) {
    V ab = minus(b, a);
    double t = dot(ab, ab) > 0 ? std::clamp(dot(minus(p, a), ab) / dot(ab, ab), 0.0, 1.0) : 0.0;
    V q{a[0] + ab[0] * t, a[1] + ab[1] * t, a[2] + ab[2] * t};
    return std::sqrt(dot(minus(p, q), minus(p, q)));
}

// Over the plane when p projects inside the triangle, else to its nearest side.
double toTriangle(const V& p, const Tri& t) {
    V n = cross(minus(t[1], t[0]), minus(t[2], t[0]));
    double nn = dot(n, n);
    if (nn > 0) {
        bool inside = true;
        for (int k = 0; k < 3; ++k)
            inside = inside && dot(cross(minus(t[(k + 1) % 3], t[k]), minus(p, t[k])), n) >= 0;
        if (inside)
            return std::fabs(dot(minus(p, t[0]), n)) / std::sqrt(nn);
    }
    return std::min({toSegment(p, t[0], t[1]), toSegment(p, t[1], t[2]), toSegment(p, t[2], t[0])});
}

// The furthest any of `samples` random points of `from`, spread by area,
// lies from every triangle of `to`.
double furthest(const std::vector<Tri>& from, const std::vector<Tri>& to, int samples) {
    std::vector<double> area;
    for (const Tri& t : from)
        area.push_back(std::sqrt(dot(cross(minus(t[1], t[0]), minus(t[2], t[0])),
                                     cross(minus(t[1], t[0]), minus(t[2], t[0])))));
    std::mt19937 random(5);
    std::discrete_distribution<size_t> pick(area.begin(), area.end());
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double most = 0.0;
    for (int s = 0; s < samples; ++s) {
        const Tri& t = from[pick(random)];
        double a = unit(random), b = unit(random);
        if (a + b > 1)
            a = 1 - a, b = 1 - b;
        V p;
        for (size_t k = 0; k < 3; ++k)
            p[k] = t[0][k] + (t[1][k] - t[0][k]) * a + (t[2][k] - t[0][k]) * b;
        double nearest = HUGE_VAL;
        for (const Tri& u : to)
            nearest = std::min(nearest, toTriangle(p, u));
        most = std::max(most, nearest);
    }
    return most;
}

// The first object of an OBJ file as triangles (fans).
std::vector<Tri> firstObject(const std::string& path) {
    std::ifstream in(path);
    std::vector<V> points;
    std::vector<Tri> out;
    int objects = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "o")
            ++objects;
        else if (kind == "v") {
            V p;
            words >> p[0] >> p[1] >> p[2];
            points.push_back(p);
        } else if (kind == "f" && objects <= 1) {
            std::vector<V> corners;
            for (std::string corner; words >> corner;)
                corners.push_back(points[size_t(std::stoi(corner) - 1)]);
            for (size_t k = 1; k + 1 < corners.size(); ++k)
                out.push_back({corners[0], corners[k], corners[k + 1]});
        }
    }
    return out;
}

}  // namespace

TEST(Simplify, TheUnfoldedModelLiesWithinTheBoundOfTheOneGiven) {
    TempDir dir("kivano-app");
    kivano::TriangleMesh bumpy = kivano::makeIcosphere(4, 0.3, 11);
    ASSERT_TRUE(kivano::writeObj(bumpy, (dir.path / "in.obj").c_str()));
    std::vector<Tri> given = firstObject(dir.path / "in.obj");
    double mm = 10.0;  // a scene unit on paper at scale 1
    // A sphere 20 mm across at scale 1: 1 % of its box's diagonal, about
    // 0.35 mm; and a looser bound.
    V low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (const Tri& t : given)
        for (const V& p : t)
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], p[k]);
                high[k] = std::max(high[k], p[k]);
            }
    V size = minus(high, low);
    double diagonal = std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]) * mm;
    for (const char* bound : {"", "0.6"}) {
        SCOPED_TRACE(bound);
        std::vector<std::string> args{dir.path / "in.obj",
                                      "--faces",
                                      "400",
                                      "--keep-original",
                                      "-o",
                                      dir.path / "scene.obj",
                                      "--json",
                                      dir.path / "r.json",
                                      "--quiet"};
        if (*bound)
            args.insert(args.end(), {"--max-deviation", bound});
        Outcome run = unfold(args);
        ASSERT_EQ(run.exit, 0) << run.out;
        nlohmann::json report = nlohmann::json::parse(readAll(dir.path / "r.json"));
        const nlohmann::json& s = report.at("simplified");
        double boundMm = s.at("max_deviation_mm");
        EXPECT_NEAR(boundMm, *bound ? 0.6 : 0.01 * diagonal, 0.01);
        std::vector<Tri> kept = firstObject(dir.path / "scene.obj");
        EXPECT_EQ(s.at("triangles_before"), 5120);
        EXPECT_EQ(s.at("triangles_after"), int(kept.size()));
        EXPECT_LT(kept.size(), given.size());
        // A bound that stops short says so, and the bound it suggests
        // reaches the budget.
        if (kept.size() > 400) {
            EXPECT_NE(run.out.find("fewer would move the surface more than"), std::string::npos);
            const nlohmann::json& suggestion = report.at("suggestions").at(0);
            ASSERT_EQ(suggestion.at("option"), "max-deviation");
            Outcome wider = unfold({dir.path / "in.obj", "--faces", "400", "--max-deviation",
                                    std::to_string(double(suggestion.at("value"))), "-o",
                                    dir.path / "w.svg", "--json", dir.path / "w.json"});
            ASSERT_EQ(wider.exit, 0) << wider.out;
            EXPECT_LE(nlohmann::json::parse(readAll(dir.path / "w.json"))
                          .at("simplified")
                          .at("triangles_after"),
                      400)
                << wider.out;
        }
        double away = furthest(kept, given, 3000) * mm, back = furthest(given, kept, 3000) * mm;
        EXPECT_LE(std::max(away, back), boundMm) << away << " and " << back;
        // What the report says it reached is what is there, give or take the samples.
        EXPECT_NEAR(double(s.at("deviation_mm")), std::max(away, back), 0.15 * boundMm);
    }
}
