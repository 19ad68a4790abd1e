// What the output leaves for readers of the sheet: each object's record
// (a triangle's net, position, edges and folds; a tab's triangle edge), and
// each triangle's tabs right after it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "../host_session_environment.h"
#include "bench/meshgen/meshgen.h"
#include "common/sheet_record.h"
#include "core/messages.h"
#include "core/session.h"
#include "geometry/gt.h"
#include "scene/scene.h"
#include "scenein/extract.h"
#include "scenein/init_triangles.h"
#include "sceneout/draw_container.h"
#include "sceneout/edge_ids.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

namespace sc = host::scene;

namespace {

void addMesh(const std::string& name, const kivano::TriangleMesh& mesh) {
    auto data = std::make_shared<sc::MeshData>();
    std::vector<sc::Point3> points;
    for (size_t v = 0; v < mesh.vertexCount(); ++v)
        points.push_back(
            {mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]});
    data->points = std::make_shared<std::vector<sc::Point3>>(points);
    data->counts = std::make_shared<std::vector<int>>(mesh.triangleCount(), 3);
    data->connects = std::make_shared<std::vector<int>>(mesh.indices.begin(), mesh.indices.end());
    sc::Node& transform = sc::createTransform(name);
    sc::createMesh(name + "Shape", transform, data);
}

// Runs the pipeline up to and including the output on what the scene holds.
void unfoldScene() {
    std::vector<MDagPath> paths;
    extractPolygons(paths);
    initTriangles();
    algokante();
    std::vector<MObject> created;
    MStringArray selection;
    MString flat;
    OutputRecord record{created, paths, selection, flat};
    drawContainer(record, 2);
}

// Every object a run creates carries its record.
std::vector<double> recordOf(const sc::Node& node) {
    auto found = node.dynamicAttrs.find(sheet_record::kAttribute);
    return found == node.dynamicAttrs.end() ? std::vector<double>{} : found->second.array;
}

bool samePoint(const sc::Point3& a, const sc::Point3& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Checks the objects from `from` on: every triangle object's record holds the
// net and position its name gives, its exact edge ids, fold angles and
// corners on the model, and the unfolding's joins as folds; each is followed
// by its own tabs in edge order, whose records name that triangle and edge.
// Counts both kinds.
void checkObjectOrder(const std::vector<sc::Node*>& nodes, size_t from, int& triangles, int& tabs) {
    triangles = tabs = 0;
    const sc::Node* last = nullptr;
    unsigned net = 0, position = 0;
    int nextEdge = 0;
    for (size_t i = from; i < nodes.size(); ++i) {
        const sc::Node& node = *nodes[i];
        if (node.kind != sc::NodeKind::Transform)
            continue;
        const sc::Node* shape = sc::meshOf(const_cast<sc::Node&>(node));
        std::vector<double> values = recordOf(node);
        sheet_record::Triangle triangle;
        sheet_record::Tab tab;
        if (sheet_record::decode(values.data(), values.size(), triangle)) {
            net = triangle.net;
            position = triangle.position;
            char name[64];
            std::snprintf(name, sizeof(name), "dft%u_%u", net, position);
            EXPECT_EQ(node.name, name);
            EXPECT_LT(net, gtcvec.size());
            EXPECT_LT(position, gtcvec[net]->size());
            if (net >= gtcvec.size() || position >= gtcvec[net]->size())
                return;
            // Ids and folds travel as text through the command language: they
            // must come back bit for bit.
            const gt& g = *gtcvec[net]->triangle(position);
            double ids[3];
            edgeIds(g, meshOffsets(), ids);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(triangle.edgeId[k], ids[k]) << node.name;
                EXPECT_EQ(triangle.foldAngle[k], g.fold[k]) << node.name;
                EXPECT_EQ(triangle.fold[k], g.joined[k]) << node.name;
                for (int axis = 0; axis < 3; ++axis)
                    EXPECT_EQ(triangle.world[k][axis], g.P[k][axis]) << node.name;
            }
            last = shape;
            nextEdge = 0;
            ++triangles;
            continue;
        }
        ASSERT_TRUE(sheet_record::decode(values.data(), values.size(), tab))
            << node.name << " carries no usable record";
        EXPECT_NE(last, nullptr) << node.name << " comes before any triangle";
        if (!last || !shape)
            continue;
        const gt& g = *gtcvec[net]->triangle(position);
        while (nextEdge < 3 && !g.lugs[nextEdge][0])
            ++nextEdge;
        EXPECT_LT(nextEdge, 3) << node.name << " is one tab too many";
        if (nextEdge >= 3)
            continue;
        EXPECT_EQ(tab.net, net) << node.name;
        EXPECT_EQ(tab.position, position) << node.name;
        EXPECT_EQ(tab.edge, nextEdge) << node.name;
        char name[64];
        std::snprintf(name, sizeof(name), "lug%u_%u_%d", net, position, nextEdge);
        EXPECT_EQ(node.name, name);
        const std::vector<sc::Point3>& corners = *last->mesh->points;
        const std::vector<sc::Point3>& corner = *shape->mesh->points;
        EXPECT_TRUE(samePoint(corner[0], corners[(nextEdge + 1) % 3])) << node.name;
        EXPECT_TRUE(samePoint(corner[1], corners[nextEdge])) << node.name;
        ++nextEdge;
        ++tabs;
    }
}

// The joins, checked against the nets' geometry: a joined edge has its
// neighbour in the same net lying exactly against it, and carries no tab on
// either side; an edge whose neighbour lies against it in the same net is
// joined.
void checkJoinsMatchTheNets() {
    for (const auto& net : gtcvec)
        for (unsigned t = 0; net->active && t < net->size(); ++t) {
            const gt& g = *net->triangle(t);
            for (int k = 0; k < 3; ++k) {
                const gt* n = g.nb[k];
                int e = g.nbedge[k];
                bool against = n && e >= 0 && e <= 2 && n->container == g.container &&
                               equal3d(g.p[k], n->p[(e + 1) % 3]) &&
                               equal3d(g.p[(k + 1) % 3], n->p[e]);
                EXPECT_EQ(g.joined[k], against);
                if (g.joined[k]) {
                    EXPECT_TRUE(n->joined[e]);
                    EXPECT_FALSE(g.lugs[k][0].has_value());
                }
            }
        }
}

int tabsOfActiveNets() {
    int tabs = 0;
    for (const auto& net : gtcvec)
        for (unsigned t = 0; net->active && t < net->size(); ++t)
            for (int k = 0; k < 3; ++k)
                tabs += net->triangle(t)->lugs[k][0].has_value();
    return tabs;
}

TEST(NetAttribute, EveryObjectCarriesItsRecordAndTheJoinsAreTheFolds) {
    const std::vector<kivano::TriangleMesh> meshes{
        kivano::makeCube(), kivano::makeIcosphere(1, 0.1, 3), kivano::makeTube(6, 3, 0.1, 5),
        kivano::makeTorus(8, 5)};
    for (const kivano::TriangleMesh& mesh : meshes) {
        sc::reset();
        addMesh("source", mesh);
        size_t before = sc::allNodes().size();
        unfoldScene();
        int triangles = 0, tabs = 0;
        checkObjectOrder(sc::allNodes(), before, triangles, tabs);
        EXPECT_EQ(triangles, int(mesh.triangleCount()));
        EXPECT_GT(tabs, 0);
        EXPECT_EQ(tabs, tabsOfActiveNets());
        checkJoinsMatchTheNets();
        clearRun();
    }
    sc::reset();
}

}  // namespace
