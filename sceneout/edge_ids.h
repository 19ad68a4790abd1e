#pragma once
// Numbers that name each mesh edge of the sheet's triangles, the same on the
// two triangles that share it, so the printed sheet can tell folds from cuts
// and number the partner edges.
#include <vector>

struct gt;

// Per mesh index: how many triangles the earlier meshes hold.
std::vector<int> meshOffsets();

// ids[k] = min(3 g(t) + k, 3 g(n) + e) for the neighbour n across edge k and
// its edge e, g being a triangle's running number over all meshes; -1 for a
// border edge or a one-sided link.
void edgeIds(const gt& t, const std::vector<int>& offsets, double ids[3]);
