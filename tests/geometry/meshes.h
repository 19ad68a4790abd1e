#pragma once

#include "geometry/gt.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

struct Mesh {
    std::string name;
    std::vector<std::unique_ptr<gt>> tris;
};

// Small real surfaces: closed convex solids (outward normals), open flat and bumpy grids.
std::vector<Mesh> sampleMeshes();

// Triangles from a vertex and index list, neighbours linked across shared edges.
Mesh makeMesh(const std::string& name, const std::vector<vec3d>& vertices,
              const std::vector<int>& indices);

// Runs the initialisation passes in their order; lugs on request.
void initialise(Mesh& mesh, bool withLugs);

// A random triangle well away from degenerate: every height at least 1 % of the longest edge.
void randomTriangle(std::mt19937& rng, vec3d out[3]);
vec3d randomPoint(std::mt19937& rng, double range);

bool isFinite(const vec3d& v);

// Component-wise within eps; an absent lug corner is never near anything.
testing::AssertionResult near(const vec3d& a, const vec3d& b, double eps = 1e-12);
testing::AssertionResult near(const std::optional<vec3d>& a, const vec3d& b, double eps = 1e-12);

// Readable test failure messages.
void PrintTo(const vec3d& v, std::ostream* os);
