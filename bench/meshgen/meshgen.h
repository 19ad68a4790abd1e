// Generators of indexed triangle meshes for tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivano {

// Plain indexed mesh: three doubles per vertex, three indices per triangle.
// Triangles run counter-clockwise when seen from the side the surface faces.
struct TriangleMesh {
    std::vector<double> positions;
    std::vector<unsigned int> indices;

    size_t vertexCount() const { return positions.size() / 3; }
    size_t triangleCount() const { return indices.size() / 3; }
};

// Unit sphere from a subdivided icosahedron: 20 * 4^level triangles. Every
// vertex is moved by up to `jitter` times the local edge length, so with a
// non-zero jitter no two edges have the same length.
TriangleMesh makeIcosphere(int level, double jitter, uint64_t seed);

// Open cylinder of radius 1 along z: 2 * segments * rings triangles; the
// inner vertices are jittered like the sphere's.
TriangleMesh makeTube(int segments, int rings, double jitter, uint64_t seed);

// Square sheet in the x-y plane, gently waved in z: 2 * columns * rows triangles.
TriangleMesh makeWavedSheet(int columns, int rows, double amplitude);

// Ring torus with major radius 2 and minor radius 0.6.
TriangleMesh makeTorus(int majorSegments, int minorSegments);

// Axis-aligned unit cube: 12 triangles, outward facing.
TriangleMesh makeCube();

// Waved sheet with every third cell of every third row left out, so the
// surface has inner borders.
TriangleMesh makeHoledSheet(int columns, int rows, double amplitude);

// Worst cases for joining: shapes whose nets are long and thin or whose
// triangles all lie in one plane.

// A wall `quads` quads long and `height` high, wound in an Archimedean spiral
// of `turns` turns from radius 5 outwards to radius 5 + 1.55 * turns.
TriangleMesh makeSpiralBand(int quads, double height, int turns);

// A flat strip one unit wide, `quads` unit quads long: 2 * quads triangles.
TriangleMesh makeStraightStrip(int quads);

// A columns x rows grid of quads bent about the y axis into half a cylinder
// of radius 1: 2 * columns * rows triangles.
TriangleMesh makeBentGrid(int columns, int rows);

// The corners of a star with `corners` points (alternately at radius 1 and
// 0.6) in the x-y plane, counter-clockwise: one polygon face, not triangles.
std::vector<double> makeStarPolygon(int corners);

}  // namespace kivano
