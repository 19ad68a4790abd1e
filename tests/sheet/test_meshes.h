#pragma once
// Small real meshes unfolded the simple way (breadth first across shared
// edges, no overlap test) into nets as the scene would describe them: edge
// ids shared by neighbours, signed fold angles, tabs on the edges left cut.
#include <array>
#include <string>
#include <vector>

#include "layout.h"
#include "sheet_model.h"

namespace sheet::testing {

struct Mesh {
    std::string name;
    std::vector<std::array<double, 3>> vertices;  // mm
    std::vector<std::array<int, 3>> triangles;    // counter-clockwise seen from outside
};

Mesh cube(double size);
Mesh octahedron(double size);
Mesh icosahedron(double size);
// The icosahedron's faces split in four `subdivisions` times, its corners on
// a sphere.
Mesh geodesicSphere(int subdivisions, double radius);
// A flat grid of quads split into triangles, folded up along one row.
Mesh foldedGrid(int columns, int rows, double cell);

// Nets of at most `facesPerNet` faces (0: one net per connected piece).
Sheet unfoldSimply(const Mesh& mesh, unsigned facesPerNet, double lugWidth);

// The sheet classified and laid out on the default page (a failure is
// reported to the running test).
Layout layoutOf(Sheet& sheet);

// The meshes the invariant tests run over.
std::vector<Mesh> sampleMeshes();

}  // namespace sheet::testing
