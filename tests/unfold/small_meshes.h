// Hand-sized meshes for the unfolding tests.
#pragma once

#include "bench/meshgen/meshgen.h"

#include <cmath>

// Unit square in the x-y plane, split along the diagonal from 0 to 2.
inline kivano::TriangleMesh flatQuad() {
    return {{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 3}};
}

// Two triangles on the same side of their shared edge, one folded fully back
// onto the other: fold angle 0, opposite normals.
inline kivano::TriangleMesh foldedBackPair() {
    return {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0.3, 0.8, 0}, {0, 1, 2, 1, 0, 3}};
}

// Six faces around a saddle vertex, each with a right angle there: laid flat
// they would need 540 degrees around the vertex.
inline kivano::TriangleMesh saddleFan() {
    kivano::TriangleMesh mesh;
    mesh.positions = {0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        double angle = i * 3.14159265358979323846 / 3;
        mesh.positions.insert(mesh.positions.end(), {std::cos(angle), std::sin(angle),
                                                     (i % 2 ? -1 : 1) * std::sqrt(0.5)});
    }
    for (unsigned i = 0; i < 6; ++i)
        mesh.indices.insert(mesh.indices.end(), {0, 1 + i, 1 + (i + 1) % 6});
    return mesh;
}

// Four faces in one plane around a vertex, folded back and forth like a
// pleat so that they cover 450 degrees around it: every fold angle is 0,
// neighbouring normals are opposite.
inline kivano::TriangleMesh pleatedFan() {
    kivano::TriangleMesh mesh;
    mesh.positions = {0, 0, 0};
    for (double degrees : {0.0, 120.0, 20.0, 140.0, 30.0}) {
        double angle = degrees * 3.14159265358979323846 / 180;
        mesh.positions.insert(mesh.positions.end(), {std::cos(angle), std::sin(angle), 0});
    }
    mesh.indices = {0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5};
    return mesh;
}

// Square around its centre (vertex 4), four triangles in one plane.
inline kivano::TriangleMesh squareFan() {
    return {{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0, 1, 1, 0}, {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4}};
}
