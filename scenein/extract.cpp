#include "scenein/extract.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>

#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MIntArray.h>
#include <maya/MItDag.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MObject.h>
#include <maya/MPoint.h>

#include "geometry/gt.h"
#include "unfold/run_state.h"

std::vector<std::vector<int>> lookupgt;
std::vector<std::vector<int>> lookupgtpower;

// Twice the area below this share of the longest edge squared counts as none:
// such slivers give singular flattening maps.
static const double degenerateTolerance = 1e-12;

static double squaredDistance(const vec3d& a, const vec3d& b) {
    double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

bool isDegenerate(const gt& t) {
    const vec3d& a = t.P[0];
    const vec3d& b = t.P[1];
    const vec3d& c = t.P[2];
    double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    double area2 = std::sqrt(cx * cx + cy * cy + cz * cz);
    double longest2 =
        std::max({squaredDistance(a, b), squaredDistance(b, c), squaredDistance(c, a)});
    return !std::isfinite(longest2) || !(area2 > degenerateTolerance * longest2);
}

static bool takesPath(const MDagPath& path) {
    MFnDagNode node(path);
    if (node.isIntermediateObject())
        return false;
    if (!path.hasFn(MFn::kMesh))
        return false;
    return !path.hasFn(MFn::kTransform);
}

static int highestPolygonIndex(MItMeshPolygon& polygon) {
    int maxIndex = 0;
    for (polygon.reset(); !polygon.isDone(); polygon.next())
        maxIndex = std::max(maxIndex, static_cast<int>(polygon.index()));
    return maxIndex;
}

static vec3d cornerOf(MItMeshPolygon& polygon, int k) {
    MPoint p = polygon.point(k, MSpace::kWorld);
    vec3d v;
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
    return v;
}

static void readTriangles(MItMeshPolygon& polygon, int m) {
    std::vector<std::unique_ptr<gt>>& triangles = gtvec[m];
    int j = 0;
    for (polygon.reset(); !polygon.isDone(); polygon.next(), ++j) {
        int i = polygon.index();
        lookupgt[m][i] = j;
        lookupgtpower[m][i] = j;
        auto t = std::make_unique<gt>(m, j);
        for (int k = 0; k < 3; ++k)
            t->P[k] = cornerOf(polygon, k);
        triangles.push_back(std::move(t));
    }
}

static void linkTriangles(MItMeshPolygon& polygon, int m) {
    const std::vector<int>& table = lookupgt[m];
    int j = 0;
    for (polygon.reset(); !polygon.isDone(); polygon.next(), ++j) {
        MIntArray connected;
        polygon.getConnectedFaces(connected);
        for (unsigned i = 0; i < connected.length(); ++i) {
            int c = connected[i];
            if (c >= 0 && c < static_cast<int>(table.size()))
                linkNeighbour(j, table[c], m);
        }
    }
}

static void takeMesh(const MDagPath& path, std::vector<MDagPath>& meshPaths) {
    MItMeshPolygon polygon(path);
    int m = static_cast<int>(gtvec.size());
    gtvec.emplace_back();
    int maxIndex = highestPolygonIndex(polygon);
    lookupgt.emplace_back(maxIndex + 1, 0);
    lookupgtpower.emplace_back(maxIndex + 1, 0);
    meshPaths.push_back(path);
    readTriangles(polygon, m);
    linkTriangles(polygon, m);
}

void extractPolygons(std::vector<MDagPath>& meshPaths) {
    assert(gtvec.empty());
    meshPaths.clear();
    lookupgt.clear();
    lookupgtpower.clear();
    MItDag dag(MItDag::kBreadthFirst, MFn::kInvalid);
    for (; !dag.isDone(); dag.next()) {
        MDagPath path;
        if (!dag.getPath(path))
            continue;
        if (takesPath(path))
            takeMesh(path, meshPaths);
    }
}

// Nearest corner of n to point p; ties go to the higher corner number.
static double nearestCornerDistance(const vec3d& p, const gt& n) {
    double d0 = squaredDistance(p, n.P[0]);
    double d1 = squaredDistance(p, n.P[1]);
    double d2 = squaredDistance(p, n.P[2]);
    if (d1 > d0 && d2 > d0)
        return d0;
    if (d2 > d1)
        return d1;
    return d2;
}

void linkNeighbour(int faceindex, int neighbourFaceindex, int meshIndex) {
    if (meshIndex < 0 || meshIndex >= static_cast<int>(gtvec.size()))
        return;
    std::vector<std::unique_ptr<gt>>& triangles = gtvec[meshIndex];
    int count = static_cast<int>(triangles.size());
    if (faceindex < 0 || faceindex >= count || neighbourFaceindex < 0 ||
        neighbourFaceindex >= count)
        return;
    gt& t = *triangles[faceindex];
    gt& n = *triangles[neighbourFaceindex];
    if (&t == &n || isDegenerate(t) || isDegenerate(n))
        return;
    double r[3];
    for (int k = 0; k < 3; ++k)
        r[k] = nearestCornerDistance(t.P[k], n);
    int f = 2;
    if (r[0] > r[2] && r[0] > r[1])
        f = 0;
    else if (r[1] > r[2])
        f = 1;
    t.nb[(f + 1) % 3] = &n;
}
