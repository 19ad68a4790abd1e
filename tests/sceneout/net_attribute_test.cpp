// What the output leaves for readers of the sheet that cannot trust names:
// each triangle object's net and position, and its tabs right after it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "../host_session_environment.h"
#include "bench/meshgen/meshgen.h"
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

// Triangle objects carry edge ids, folds, net and position in one attribute.
const std::vector<double>* edgeAttribute(const sc::Node& node) {
    auto found = node.dynamicAttrs.find("kivanoEdges");
    return found == node.dynamicAttrs.end() ? nullptr : &found->second.array;
}

bool samePoint(const sc::Point3& a, const sc::Point3& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Checks the objects from `from` on: every triangle object names the net and
// position its attribute holds, carries its exact edge ids and folds, and is
// followed by its own tabs in edge order, each starting along its edge.
// Counts the objects of both kinds.
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
        if (const std::vector<double>* values = edgeAttribute(node)) {
            EXPECT_EQ(values->size(), 8u) << node.name;
            if (values->size() != 8)
                return;
            net = unsigned((*values)[6]);
            position = unsigned((*values)[7]);
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
                EXPECT_EQ((*values)[k], ids[k]) << node.name;
                EXPECT_EQ((*values)[3 + k], g.fold[k]) << node.name;
            }
            last = shape;
            nextEdge = 0;
            ++triangles;
            continue;
        }
        EXPECT_NE(last, nullptr) << node.name << " comes before any triangle";
        if (!last || !shape)
            continue;
        const gt& g = *gtcvec[net]->triangle(position);
        while (nextEdge < 3 && !g.lugs[nextEdge][0])
            ++nextEdge;
        EXPECT_LT(nextEdge, 3) << node.name << " is one tab too many";
        if (nextEdge >= 3)
            continue;
        char name[64];
        std::snprintf(name, sizeof(name), "lug%u_%u_%d", net, position, nextEdge);
        EXPECT_EQ(node.name, name);
        const std::vector<sc::Point3>& corners = *last->mesh->points;
        const std::vector<sc::Point3>& tab = *shape->mesh->points;
        EXPECT_TRUE(samePoint(tab[0], corners[(nextEdge + 1) % 3])) << node.name;
        EXPECT_TRUE(samePoint(tab[1], corners[nextEdge])) << node.name;
        ++nextEdge;
        ++tabs;
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

TEST(NetAttribute, TrianglesCarryTheirPlaceAndTheirTabsFollowThemOnSeveralMeshes) {
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
        clearRun();
    }
    sc::reset();
}

}  // namespace
