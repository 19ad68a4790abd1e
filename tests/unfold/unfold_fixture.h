// Fills gtvec from indexed meshes and prepares the triangles the way the
// scene input does, so whole unfoldings run without the host.
#pragma once

#include "bench/meshgen/meshgen.h"

#include <vector>

// Appends one object list to gtvec: one triangle per mesh triangle, in mesh
// order; triangles sharing an edge with exactly one other triangle are linked
// as neighbours (edges of three or more triangles stay borders).
void appendMesh(const kivano::TriangleMesh& mesh);

// Normals, heights, nbedge, then angles and fold angles, then (with lugs)
// createLugs and fitLugs: each pass over every triangle before the next.
void prepareTriangles(bool generateLugs);

// clearRun, appendMesh for each mesh, prepareTriangles.
void loadMeshes(const std::vector<kivano::TriangleMesh>& meshes, bool generateLugs);
