#include <gtest/gtest.h>

#include "classify_edges.h"
#include "scene/scene.h"
#include "scene_reader.h"

using namespace sheet;
namespace sc = host::scene;

namespace {

sc::MeshDataPtr meshData(const std::vector<sc::Point3>& points, bool withUvs) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = std::make_shared<const std::vector<sc::Point3>>(points);
    data->counts = std::make_shared<const std::vector<int>>(std::vector<int>{int(points.size())});
    std::vector<int> connects;
    for (int i = 0; i < int(points.size()); ++i)
        connects.push_back(i);
    data->connects = std::make_shared<const std::vector<int>>(connects);
    if (withUvs) {
        sc::UVSet uv;
        uv.name = "map1";
        uv.u = std::make_shared<const std::vector<float>>(std::vector<float>{0.0f, 1.0f, 0.5f, 0.25f});
        uv.v = std::make_shared<const std::vector<float>>(std::vector<float>{0.0f, 0.0f, 1.0f, 0.75f});
        uv.faceVertexIds = std::make_shared<const std::vector<int>>(std::vector<int>{3, 1, 2});
        data->uvSets.push_back(uv);
        data->currentUVSet = 0;
    }
    return data;
}

sc::Node& addObject(const std::string& name, const std::vector<sc::Point3>& points, bool uvs = false) {
    sc::Node& transform = sc::createTransform(name);
    sc::createMesh(name + "Shape", transform, meshData(points, uvs));
    return transform;
}

void setEdges(sc::Node& transform, std::vector<double> values) {
    sc::AttrValue value;
    value.type = sc::AttrValue::DoubleArray;
    value.array = std::move(values);
    sc::setDynamicAttr(transform, "kivanoEdges", value);
}

class SceneReader : public ::testing::Test {
protected:
    void SetUp() override { sc::reset(); }
    void TearDown() override { sc::reset(); }
};

}  // namespace

TEST(SceneNames, TriangleAndLugNamesParseExactly) {
    unsigned net = 0, position = 0;
    int edge = 0;
    EXPECT_TRUE(parseTriangleName("dft3_12", net, position));
    EXPECT_EQ(net, 3u);
    EXPECT_EQ(position, 12u);
    EXPECT_TRUE(parseLugName("lug17_5_2", net, position, edge));
    EXPECT_EQ(net, 17u);
    EXPECT_EQ(position, 5u);
    EXPECT_EQ(edge, 2);
    for (const char* bad : {"dft3_12a", "dft_1", "dft3", "dft3__1", "pCube1", "dft3_1_2", "dft-1_2"})
        EXPECT_FALSE(parseTriangleName(bad, net, position)) << bad;
    for (const char* bad : {"lug1_2_3", "lug1_2", "lug1_2_x", "lug1_2_0_", "dft1_2_0"})
        EXPECT_FALSE(parseLugName(bad, net, position, edge)) << bad;
}

TEST_F(SceneReader, ReadsNetsInMillimetresWithEdgesMaterialsUvsAndLugs) {
    // Net 4: two triangles joined along a valley; net 9: one triangle.
    sc::Node& a = addObject("dft4_0", {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, true);
    sc::Node& b = addObject("dft4_1", {{0, 1, 2}, {1, 0, 2}, {1, 1, 2}});
    addObject("dft9_0", {{5, 5, 3}, {6, 5, 3}, {5, 6, 3}});
    setEdges(a, {10, 11, 12, 0.0, 0.5, 0.0});
    setEdges(b, {11, 13, 14, 0.5, 0.0, 0.0});
    // c carries no edge data: a warning, and its edges print as cuts.
    addObject("lug4_0_0", {{1, 0, 2}, {0, 0, 2}, {0.1, -0.3, 2}, {0.9, -0.3, 2}});
    addObject("lug7_0_0", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});  // no such triangle

    sc::Node& material = sc::createMaterial("lambert", "paint");
    sc::setMaterial(material, {0.2f, 0.4f, 0.6f}, {0, 0, 0}, "/textures/paint.png");
    sc::Node& engine = sc::createShadingEngine("paintSG");
    sc::setSurfaceShader(engine, &material);
    sc::assignToEngine(engine, *sc::meshOf(a));
    sc::assignToEngine(engine, *sc::meshOf(b));

    Sheet sheet;
    SceneCounts counts;
    std::vector<std::string> warnings;
    std::string error;
    ASSERT_TRUE(readSheetFromScene(sheet, counts, warnings, error)) << error;
    EXPECT_EQ(counts.triangleObjects, 3);
    EXPECT_EQ(counts.lugObjects, 2);
    ASSERT_EQ(sheet.nets.size(), 2u);
    EXPECT_EQ(sheet.nets[0].container, 4u);
    EXPECT_EQ(sheet.nets[1].container, 9u);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("dft9_0"), std::string::npos);
    EXPECT_NE(warnings[1].find("lug7_0_0"), std::string::npos);

    const Net& net = sheet.nets[0];
    ASSERT_EQ(net.faces.size(), 2u);
    EXPECT_DOUBLE_EQ(net.faces[0].p[1].x, 10.0);  // 1 cm is 10 mm on paper
    EXPECT_DOUBLE_EQ(net.faces[1].p[2].y, 10.0);
    EXPECT_TRUE(net.faces[0].hasUv);
    EXPECT_FLOAT_EQ(float(net.faces[0].uv[0].x), 0.25f);
    EXPECT_FALSE(net.faces[1].hasUv);
    ASSERT_GE(net.faces[0].material, 0);
    EXPECT_EQ(net.faces[0].material, net.faces[1].material);
    const Material& m = sheet.materials[net.faces[0].material];
    EXPECT_EQ(m.name, "paintSG");
    EXPECT_FLOAT_EQ(float(m.colour.b), 0.6f);
    EXPECT_EQ(m.texture, "/textures/paint.png");
    ASSERT_EQ(net.lugs.size(), 1u);
    EXPECT_EQ(net.lugs[0].face, 0u);
    EXPECT_DOUBLE_EQ(net.lugs[0].p[2].y, -3.0);

    classifyEdges(sheet);
    EXPECT_EQ(sheet.nets[0].faces[0].kind[1], EdgeKind::Valley);
    EXPECT_EQ(sheet.nets[0].faces[1].kind[0], EdgeKind::Valley);
    EXPECT_EQ(sheet.nets[1].faces[0].edgeId[0], kNoEdgeId);
}

TEST_F(SceneReader, ASceneWithoutSheetIsAnErrorAndBadObjectsAreLeftOut) {
    addObject("pCube1", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    addObject("dft0_0", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});  // four corners
    Sheet sheet;
    SceneCounts counts;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_FALSE(readSheetFromScene(sheet, counts, warnings, error));
    EXPECT_FALSE(error.empty());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("dft0_0"), std::string::npos);
}
