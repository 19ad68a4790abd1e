// Fills gtvec from generated meshes the way extraction does: one triangle per
// face, neighbours linked through linkNeighbour with the faces a host reports
// as edge-connected, in ascending order.
#pragma once

#include "bench/meshgen/meshgen.h"

#include <vector>

// Faces that share at least one edge with `face`, ascending.
std::vector<int> edgeConnectedFaces(const kivano::TriangleMesh& mesh, int face);

// Appends one mesh list to gtvec and links it.
void appendLinkedMesh(const kivano::TriangleMesh& mesh);

// clearRun, then appendLinkedMesh for each.
void loadLinkedMeshes(const std::vector<kivano::TriangleMesh>& meshes);

// Three triangles on one edge (a fin) and a fourth on another edge.
kivano::TriangleMesh makeFin();

// A strip of five triangles whose fourth one (index 3) has collinear corners.
kivano::TriangleMesh makeStripWithSliver();

// Small real meshes for invariants: cube, icosphere, tube, torus, holed sheet.
std::vector<kivano::TriangleMesh> sampleMeshes();
