// Extraction from a real host scene: which meshes, in which order, and the
// face tables.
#include <gtest/gtest.h>

#include <memory>

#include "../host_session_environment.h"
#include "core/command.h"
#include "core/messages.h"
#include "core/session.h"
#include "geometry/gt.h"
#include "scene/scene.h"
#include "scenein/extract.h"
#include "unfold/run_state.h"

namespace sc = host::scene;

namespace {

void addTetrahedron(const std::string& name, sc::Node* parent, std::array<double, 3> at) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = std::make_shared<std::vector<sc::Point3>>(
        std::vector<sc::Point3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    data->counts = std::make_shared<std::vector<int>>(std::vector<int>{3, 3, 3, 3});
    data->connects =
        std::make_shared<std::vector<int>>(std::vector<int>{0, 2, 1, 0, 1, 3, 1, 2, 3, 0, 3, 2});
    sc::Node& transform = sc::createTransform(name, parent);
    sc::setTransform(transform, at, {0, 0, 0}, {1, 1, 1});
    sc::createMesh(name + "Shape", transform, data);
}

MStatus run(const std::string& text) {
    host::ExecOptions options;
    return host::executeCommandLanguage(text, nullptr, options);
}

class Extract : public ::testing::Test {
protected:
    void SetUp() override { sc::reset(); }
    void TearDown() override {
        clearRun();
        sc::reset();
    }
};

TEST_F(Extract, MeshesInBreadthFirstOrderWithoutHistory) {
    sc::Node& group = sc::createTransform("group");
    addTetrahedron("deep", &group, {5, 0, 0});
    addTetrahedron("a", nullptr, {0, 0, 0});
    addTetrahedron("b", nullptr, {2, 0, 0});
    ASSERT_TRUE(run("select -r a b; polyUnite"));
    addTetrahedron("top", nullptr, {0, 3, 0});

    std::vector<MDagPath> paths;
    extractPolygons(paths);
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_NE(std::string(paths[0].fullPathName().asChar()).find("polySurface"), std::string::npos);
    EXPECT_EQ(std::string(paths[1].fullPathName().asChar()), "|top|topShape");
    EXPECT_EQ(std::string(paths[2].fullPathName().asChar()), "|group|deep|deepShape");
    ASSERT_EQ(gtvec.size(), 3u);
    EXPECT_EQ(gtvec[0].size(), 8u);
    EXPECT_EQ(gtvec[1].size(), 4u);
    for (size_t m = 0; m < gtvec.size(); ++m)
        for (size_t j = 0; j < gtvec[m].size(); ++j) {
            EXPECT_EQ(gtvec[m][j]->meshindex, int(m));
            EXPECT_EQ(gtvec[m][j]->faceindex, int(j));
            EXPECT_EQ(lookupgt[m][j], int(j));
            EXPECT_EQ(lookupgtpower[m][j], int(j));
        }
    // World space: the deep tetrahedron sits under its moved transform.
    EXPECT_EQ(gtvec[2][0]->P[0].x, 5.0);
}

TEST_F(Extract, TetrahedronIsClosedAndTablesAreRebuiltFromEmpty) {
    addTetrahedron("t", nullptr, {0, 0, 0});
    std::vector<MDagPath> paths;
    extractPolygons(paths);
    std::vector<std::vector<int>> first = lookupgt;
    for (const auto& t : gtvec[0])
        for (int k = 0; k < 3; ++k)
            ASSERT_NE(t->nb[k], nullptr);
    clearRun();
    extractPolygons(paths);
    EXPECT_EQ(lookupgt, first);
    EXPECT_EQ(lookupgtpower, first);
    EXPECT_EQ(paths.size(), 1u);
}

TEST_F(Extract, EmptySceneGivesNoLists) {
    std::vector<MDagPath> paths(2);
    extractPolygons(paths);
    EXPECT_TRUE(paths.empty());
    EXPECT_TRUE(gtvec.empty());
    EXPECT_TRUE(lookupgt.empty());
}

}  // namespace
