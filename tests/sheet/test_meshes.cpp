#include "test_meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <queue>

#include "classify_edges.h"
#include "shapes.h"

namespace sheet::testing {

namespace {

using V3 = std::array<double, 3>;

V3 sub(V3 a, V3 b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(V3 a, V3 b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
V3 cross(V3 a, V3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
V3 unit(V3 a) {
    double l = std::sqrt(dot(a, a));
    return {a[0] / l, a[1] / l, a[2] / l};
}

// Turns every face of a convex mesh around the origin to face outwards.
void orientOutwards(Mesh& mesh) {
    for (auto& t : mesh.triangles) {
        V3 a = mesh.vertices[t[0]], b = mesh.vertices[t[1]], c = mesh.vertices[t[2]];
        V3 centre{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
        if (dot(cross(sub(b, a), sub(c, a)), centre) < 0)
            std::swap(t[1], t[2]);
    }
}

struct Topology {
    std::vector<std::array<int, 3>> edgeId;
    std::vector<std::array<int, 3>> neighbour;  // face across edge k, -1 for a border
};

Topology topology(const Mesh& mesh) {
    Topology topo;
    std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> edges;
    for (int f = 0; f < int(mesh.triangles.size()); ++f)
        for (int k = 0; k < 3; ++k) {
            int a = mesh.triangles[f][k], b = mesh.triangles[f][(k + 1) % 3];
            edges[{std::min(a, b), std::max(a, b)}].push_back({f, k});
        }
    topo.edgeId.assign(mesh.triangles.size(), {-1, -1, -1});
    topo.neighbour.assign(mesh.triangles.size(), {-1, -1, -1});
    int id = 0;
    for (const auto& [key, uses] : edges) {
        for (auto [f, k] : uses)
            topo.edgeId[f][k] = uses.size() == 2 ? id : -1;
        if (uses.size() == 2) {
            topo.neighbour[uses[0].first][uses[0].second] = uses[1].first;
            topo.neighbour[uses[1].first][uses[1].second] = uses[0].first;
        }
        ++id;
    }
    return topo;
}

V3 normalOf(const Mesh& mesh, int f) {
    const auto& t = mesh.triangles[f];
    V3 a = mesh.vertices[t[0]];
    return unit(cross(sub(mesh.vertices[t[1]], a), sub(mesh.vertices[t[2]], a)));
}

double foldAngle(const Mesh& mesh, int f, int g) {
    V3 nf = normalOf(mesh, f), ng = normalOf(mesh, g);
    double angle = std::acos(std::clamp(dot(nf, ng), -1.0, 1.0));
    // Convex where the neighbour bends away below this face's plane.
    V3 onEdge = mesh.vertices[mesh.triangles[f][0]];
    double below = 0.0;
    for (int v : mesh.triangles[g])
        below = std::min(below, dot(nf, sub(mesh.vertices[v], onEdge)));
    return below < -1e-9 ? -angle : angle;
}

Vec2 thirdCorner(const Mesh& mesh, int from, int to, int third, Vec2 pFrom, Vec2 pTo) {
    V3 a = mesh.vertices[from], b = mesh.vertices[to], c = mesh.vertices[third];
    V3 ab = sub(b, a), ac = sub(c, a);
    double len = std::sqrt(dot(ab, ab));
    double t = dot(ac, ab) / len;
    double h = std::sqrt(std::max(0.0, dot(ac, ac) - t * t));
    Vec2 along{(pTo.x - pFrom.x) / len, (pTo.y - pFrom.y) / len};
    Vec2 left{-along.y, along.x};
    return {pFrom.x + along.x * t + left.x * h, pFrom.y + along.y * t + left.y * h};
}

Face makeFace(const Mesh& mesh, const Topology& topo, int f, const Vec2 p[3]) {
    Face face;
    face.material = f % 2;
    face.hasUv = true;
    for (int k = 0; k < 3; ++k) {
        face.p[k] = p[k];
        V3 v = mesh.vertices[mesh.triangles[f][k]];
        face.uv[k] = {0.5 + v[0] / 100.0, 0.5 + v[1] / 100.0};
        face.edgeId[k] = topo.edgeId[f][k];
        int g = topo.neighbour[f][k];
        face.fold[k] = g < 0 ? 0.0 : foldAngle(mesh, f, g);
    }
    return face;
}

bool overlapsNet(const Net& net, const Vec2 p[3]) {
    std::vector<Vec2> tri{p[0], p[1], p[2]};
    for (const Face& face : net.faces)
        if (convexOverlap(tri, face.p, -1e-6))
            return true;
    return false;
}

// Places face g across edge k of the already placed face f.
bool placeAcross(const Mesh& mesh, const Face& placed, int f, int k, int g, Vec2 out[3]) {
    int a = mesh.triangles[f][k], b = mesh.triangles[f][(k + 1) % 3];
    const auto& t = mesh.triangles[g];
    int j = 0;
    while (j < 3 && !(t[j] == b && t[(j + 1) % 3] == a))
        ++j;
    if (j == 3)
        return false;  // inconsistently wound neighbours
    out[j] = placed.p[(k + 1) % 3];
    out[(j + 1) % 3] = placed.p[k];
    out[(j + 2) % 3] = thirdCorner(mesh, b, a, t[(j + 2) % 3], out[j], out[(j + 1) % 3]);
    return true;
}

void firstFace(const Mesh& mesh, int f, Vec2 p[3]) {
    const auto& t = mesh.triangles[f];
    V3 ab = sub(mesh.vertices[t[1]], mesh.vertices[t[0]]);
    p[0] = {0.0, 0.0};
    p[1] = {std::sqrt(dot(ab, ab)), 0.0};
    p[2] = thirdCorner(mesh, t[0], t[1], t[2], p[0], p[1]);
}

// As the unfolding does: an edge whose partner in the net lies against it,
// reversed along the same segment, was joined.
void markJoins(Net& net) {
    auto coincide = [](Vec2 a, Vec2 b) { return std::hypot(a.x - b.x, a.y - b.y) < 1e-9; };
    for (Face& face : net.faces)
        for (int k = 0; k < 3; ++k)
            for (const Face& other : net.faces)
                for (int j = 0; j < 3; ++j)
                    if (&other != &face && face.edgeId[k] != kNoEdgeId &&
                        other.edgeId[j] == face.edgeId[k] &&
                        coincide(face.p[k], other.p[(j + 1) % 3]) &&
                        coincide(face.p[(k + 1) % 3], other.p[j]))
                        face.joined[k] = true;
}

Net growNet(const Mesh& mesh, const Topology& topo, int seed, unsigned limit,
            std::vector<int>& netOf, int netIndex) {
    Net net;
    net.container = unsigned(netIndex * 3 + 1);  // scene numbers need not be dense
    std::vector<int> faceAt(mesh.triangles.size(), -1);
    Vec2 p[3];
    firstFace(mesh, seed, p);
    std::queue<int> open;
    auto add = [&](int f, const Vec2 q[3]) {
        faceAt[f] = int(net.faces.size());
        net.faces.push_back(makeFace(mesh, topo, f, q));
        net.faces.back().position = unsigned(net.faces.size() - 1);
        netOf[f] = netIndex;
        open.push(f);
    };
    add(seed, p);
    while (!open.empty() && (limit == 0 || net.faces.size() < limit)) {
        int f = open.front();
        open.pop();
        for (int k = 0; k < 3 && (limit == 0 || net.faces.size() < limit); ++k) {
            int g = topo.neighbour[f][k];
            if (g < 0 || netOf[g] >= 0)
                continue;
            if (placeAcross(mesh, net.faces[faceAt[f]], f, k, g, p) && !overlapsNet(net, p))
                add(g, p);
        }
    }
    markJoins(net);
    return net;
}

Lug makeLug(const Face& face, unsigned f, int k, double width) {
    Vec2 a = face.p[k], b = face.p[(k + 1) % 3], c = face.p[(k + 2) % 3];
    double len = std::hypot(b.x - a.x, b.y - a.y);
    Vec2 dir{(b.x - a.x) / len, (b.y - a.y) / len};
    Vec2 n{-dir.y, dir.x};
    if ((c.x - a.x) * n.x + (c.y - a.y) * n.y > 0)
        n = {-n.x, -n.y};
    double inset = std::min(width, len / 3);
    Lug lug;
    lug.face = f;
    lug.edge = k;
    lug.p[0] = b;
    lug.p[1] = a;
    lug.p[2] = {a.x + n.x * width + dir.x * inset, a.y + n.y * width + dir.y * inset};
    lug.p[3] = {b.x + n.x * width - dir.x * inset, b.y + n.y * width - dir.y * inset};
    return lug;
}

bool lugOverlapsNet(const Net& net, const Lug& lug) {
    std::vector<Vec2> quad{lug.p[0], lug.p[1], lug.p[2], lug.p[3]};
    for (const Face& face : net.faces)
        if (convexOverlap(quad, face.p, -1e-6))
            return true;
    for (const Lug& other : net.lugs)
        if (convexOverlap(quad, other.p, -1e-6))
            return true;
    return false;
}

// One tab per glued pair, on the edge met first, where it fits.
void addLugs(Sheet& sheet, double width) {
    Sheet classified = sheet;
    classifyEdges(classified);
    std::map<int, bool> tabbed;
    for (size_t n = 0; n < sheet.nets.size(); ++n) {
        Net& net = sheet.nets[n];
        for (unsigned f = 0; f < net.faces.size(); ++f)
            for (int k = 0; k < 3; ++k) {
                const Face& face = classified.nets[n].faces[f];
                if (face.kind[k] != EdgeKind::Cut || face.glue[k] == 0 || tabbed[face.glue[k]])
                    continue;
                Lug lug = makeLug(face, f, k, width);
                if (!lugOverlapsNet(net, lug)) {
                    net.lugs.push_back(lug);
                    tabbed[face.glue[k]] = true;
                }
            }
    }
}

}  // namespace

Mesh cube(double s) {
    Mesh mesh{"cube", {}, {}};
    for (int i = 0; i < 8; ++i)
        mesh.vertices.push_back({s * (i & 1), s * ((i >> 1) & 1), s * ((i >> 2) & 1)});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        mesh.triangles.push_back({q[0], q[1], q[2]});
        mesh.triangles.push_back({q[0], q[2], q[3]});
    }
    return mesh;
}

Mesh octahedron(double s) {
    Mesh mesh{
        "octahedron", {{s, 0, 0}, {-s, 0, 0}, {0, s, 0}, {0, -s, 0}, {0, 0, s}, {0, 0, -s}}, {}};
    for (int x : {0, 1})
        for (int y : {2, 3})
            for (int z : {4, 5})
                mesh.triangles.push_back({x, y, z});
    orientOutwards(mesh);
    return mesh;
}

Mesh icosahedron(double s) {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    Mesh mesh{"icosahedron", {}, {}};
    for (double a : {-1.0, 1.0})
        for (double b : {-phi, phi}) {
            mesh.vertices.push_back({0, a * s, b * s});
            mesh.vertices.push_back({a * s, b * s, 0});
            mesh.vertices.push_back({b * s, 0, a * s});
        }
    int n = int(mesh.vertices.size());
    auto close = [&](int i, int j) {
        V3 d = sub(mesh.vertices[i], mesh.vertices[j]);
        return std::fabs(std::sqrt(dot(d, d)) - 2 * s) < 1e-6 * s;
    };
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            for (int k = j + 1; k < n; ++k)
                if (close(i, j) && close(j, k) && close(i, k))
                    mesh.triangles.push_back({i, j, k});
    orientOutwards(mesh);
    return mesh;
}

Mesh geodesicSphere(int subdivisions, double radius) {
    Mesh mesh = icosahedron(1.0);
    mesh.name = "geodesic sphere";
    for (int round = 0; round < subdivisions; ++round) {
        std::map<std::pair<int, int>, int> middles;  // each edge's, made once
        auto middle = [&](int a, int b) {
            auto [found, made] = middles.insert({{std::min(a, b), std::max(a, b)}, 0});
            if (made) {
                found->second = int(mesh.vertices.size());
                V3 p = mesh.vertices[size_t(a)], q = mesh.vertices[size_t(b)];
                mesh.vertices.push_back({(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2});
            }
            return found->second;
        };
        std::vector<std::array<int, 3>> finer;
        for (auto [a, b, c] : mesh.triangles) {
            int ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
            finer.insert(finer.end(), {{a, ab, ca}, {ab, b, bc}, {ca, bc, c}, {ab, bc, ca}});
        }
        mesh.triangles = std::move(finer);
    }
    for (V3& v : mesh.vertices) {
        double scale = radius / std::sqrt(dot(v, v));
        v = {v[0] * scale, v[1] * scale, v[2] * scale};
    }
    return mesh;
}

Mesh foldedGrid(int columns, int rows, double cell) {
    Mesh mesh{"folded grid", {}, {}};
    double hinge = cell * (rows / 2);
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            double y = j * cell;
            mesh.vertices.push_back(y <= hinge ? V3{i * cell, y, 0.0}
                                               : V3{i * cell, hinge, y - hinge});
        }
    auto at = [&](int i, int j) { return j * (columns + 1) + i; };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            mesh.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            mesh.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return mesh;
}

Sheet unfoldSimply(const Mesh& mesh, unsigned facesPerNet, double lugWidth) {
    Topology topo = topology(mesh);
    Sheet sheet;
    sheet.materials = {{"red", {0.9, 0.3, 0.3}, ""}, {"green", {0.3, 0.8, 0.4}, ""}};
    std::vector<int> netOf(mesh.triangles.size(), -1);
    for (int f = 0; f < int(mesh.triangles.size()); ++f)
        if (netOf[f] < 0)
            sheet.nets.push_back(
                growNet(mesh, topo, f, facesPerNet, netOf, int(sheet.nets.size())));
    if (lugWidth > 0.0)
        addLugs(sheet, lugWidth);
    return sheet;
}

std::vector<Mesh> sampleMeshes() {
    return {cube(40.0), octahedron(35.0), icosahedron(15.0), foldedGrid(4, 4, 15.0), cube(6.0)};
}

Layout layoutOf(Sheet& sheet) {
    classifyEdges(sheet);
    Layout layout;
    std::string error;
    EXPECT_TRUE(layoutSheet(sheet, {}, layout, error)) << error;
    return layout;
}

}  // namespace sheet::testing
