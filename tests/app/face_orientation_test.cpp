// One winding per part, checked over real meshes with faces turned at
// random: afterwards every shared edge is walked once each way and every
// closed mesh encloses a positive volume.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>

#include "app/face_orientation.h"
#include "bench/meshgen/meshgen.h"

namespace {

struct Polygons {
    std::vector<int> counts, corners;
    std::vector<std::array<double, 3>> points;
};

Polygons polygonsOf(const kivano::TriangleMesh& mesh) {
    Polygons p;
    for (size_t v = 0; v < mesh.vertexCount(); ++v)
        p.points.push_back(
            {mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]});
    for (unsigned i : mesh.indices)
        p.corners.push_back(int(i));
    p.counts.assign(mesh.triangleCount(), 3);
    return p;
}

void turn(Polygons& p, int t) {
    std::swap(p.corners[size_t(3 * t + 1)], p.corners[size_t(3 * t + 2)]);
}

// Each edge walked by two triangles, once each way.
bool agreesEverywhere(const Polygons& p) {
    std::map<std::pair<int, int>, int> walked;
    for (size_t t = 0; t < p.counts.size(); ++t)
        for (int k = 0; k < 3; ++k)
            ++walked[{p.corners[3 * t + size_t(k)], p.corners[3 * t + size_t(k + 1) % 3]}];
    for (const auto& [edge, times] : walked) {
        auto back = walked.find({edge.second, edge.first});
        if (times > 1 || (back != walked.end() && back->second != 1))
            return false;
    }
    return true;
}

double volume(const Polygons& p) {
    double v = 0.0;
    for (size_t t = 0; t < p.counts.size(); ++t) {
        const auto& a = p.points[size_t(p.corners[3 * t])];
        const auto& b = p.points[size_t(p.corners[3 * t + 1])];
        const auto& c = p.points[size_t(p.corners[3 * t + 2])];
        v += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
             a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return v / 6.0;
}

TEST(FaceOrientation, StrayFacesAreTurnedBackAndClosedPartsFaceOut) {
    struct Case {
        const char* name;
        kivano::TriangleMesh mesh;
        bool closed;
    };
    std::vector<Case> cases = {{"sphere", kivano::makeIcosphere(2, 0.2, 3), true},
                               {"torus", kivano::makeTorus(16, 8), true},
                               {"cube", kivano::makeCube(), true},
                               {"waved sheet", kivano::makeWavedSheet(8, 6, 0.3), false},
                               {"holed sheet", kivano::makeHoledSheet(8, 8, 0.3), false}};
    std::mt19937 random(7);
    for (Case& c : cases) {
        Polygons original = polygonsOf(c.mesh);
        ASSERT_TRUE(agreesEverywhere(original)) << c.name;
        for (bool insideOut : {false, true}) {
            if (insideOut && !c.closed)
                continue;
            Polygons scrambled = original;
            int faces = int(scrambled.counts.size()), strays = std::max(1, faces / 10);
            std::vector<char> turned(size_t(faces), insideOut ? 1 : 0);
            for (int i = 0; i < strays; ++i)
                turned[size_t(random() % unsigned(faces))] ^= 1;
            for (int t = 0; t < faces; ++t)
                if (turned[size_t(t)])
                    turn(scrambled, t);

            FaceOrientation o = orientFaces(scrambled.counts, scrambled.corners, scrambled.points);
            for (int t : o.turned)
                turn(scrambled, t);
            EXPECT_EQ(o.unorientable, 0) << c.name;
            EXPECT_TRUE(agreesEverywhere(scrambled)) << c.name;
            // Back to the mesh as made: outward when closed, the way most of
            // it faced when open.
            EXPECT_EQ(scrambled.corners, original.corners) << c.name << " inside out " << insideOut;
            if (c.closed) {
                EXPECT_GT(volume(scrambled), 0.0) << c.name;
                EXPECT_EQ(o.insideOut, insideOut ? 1 : 0) << c.name;
            }
        }
    }
}

TEST(FaceOrientation, AMoebiusBandIsLeftAsItIs) {
    Polygons band;
    const int n = 24;
    for (int i = 0; i < n; ++i) {
        double t = 2 * M_PI * i / n;
        for (double s : {-1.0, 1.0}) {
            double r = 5 + s * std::cos(t / 2);
            band.points.push_back({r * std::cos(t), r * std::sin(t), s * std::sin(t / 2)});
        }
    }
    for (int i = 0; i < n; ++i) {
        int a = 2 * i, b = 2 * i + 1, c = i + 1 < n ? 2 * i + 2 : 1, d = i + 1 < n ? 2 * i + 3 : 0;
        band.corners.insert(band.corners.end(), {a, c, b, b, c, d});
        band.counts.insert(band.counts.end(), {3, 3});
    }
    FaceOrientation o = orientFaces(band.counts, band.corners, band.points);
    EXPECT_EQ(o.parts, 1);
    EXPECT_EQ(o.unorientable, 1);
    EXPECT_TRUE(o.turned.empty());
}

}  // namespace
