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
        uv.u =
            std::make_shared<const std::vector<float>>(std::vector<float>{0.0f, 1.0f, 0.5f, 0.25f});
        uv.v =
            std::make_shared<const std::vector<float>>(std::vector<float>{0.0f, 0.0f, 1.0f, 0.75f});
        uv.faceVertexIds = std::make_shared<const std::vector<int>>(std::vector<int>{3, 1, 2});
        data->uvSets.push_back(uv);
        data->currentUVSet = 0;
    }
    return data;
}

sc::Node& addObject(const std::string& name, const std::vector<sc::Point3>& points,
                    bool uvs = false) {
    sc::Node& transform = sc::createTransform(name);
    sc::createMesh(name + "Shape", transform, meshData(points, uvs));
    return transform;
}

// The attribute as a run writes it: edge ids, fold angles, net, position.
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
    for (const char* bad :
         {"dft3_12a", "dft_1", "dft3", "dft3__1", "pCube1", "dft3_1_2", "dft-1_2"})
        EXPECT_FALSE(parseTriangleName(bad, net, position)) << bad;
    for (const char* bad : {"lug1_2_3", "lug1_2", "lug1_2_x", "lug1_2_0_", "dft1_2_0"})
        EXPECT_FALSE(parseLugName(bad, net, position, edge)) << bad;
}

TEST_F(SceneReader, ReadsNetsInMillimetresWithEdgesMaterialsUvsAndLugs) {
    // Net 4: two triangles joined along a valley; net 9: one triangle.
    sc::Node& a = addObject("dft4_0", {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, true);
    sc::Node& b = addObject("dft4_1", {{0, 1, 2}, {1, 0, 2}, {1, 1, 2}});
    addObject("dft9_0", {{5, 5, 3}, {6, 5, 3}, {5, 6, 3}});
    setEdges(a, {10, 11, 12, 0.0, 0.5, 0.0, 4, 0});
    setEdges(b, {11, 13, 14, 0.5, 0.0, 0.0, 4, 1});
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

namespace {

// A triangle as the run writes it when its numbers do not fit a name.
sc::Node& addPlacedTriangle(const std::string& name, unsigned net, unsigned position,
                            const std::vector<sc::Point3>& points) {
    sc::Node& transform = addObject(name, points);
    setEdges(transform, {-1, -1, -1, 0, 0, 0, double(net), double(position)});
    return transform;
}

// The tab on edge k of a triangle: along corner k + 1 to corner k, then out.
std::vector<sc::Point3> tabOn(const std::vector<sc::Point3>& t, int k) {
    const sc::Point3& a = t[(k + 1) % 3];
    const sc::Point3& b = t[k];
    return {a, b, {b[0] + 0.1, b[1] - 0.2, b[2]}, {a[0] - 0.1, a[1] - 0.2, a[2]}};
}

struct ReadResult {
    Sheet sheet;
    SceneCounts counts;
    std::vector<std::string> warnings;
    std::string error;
    bool ok = false;
};

ReadResult readScene() {
    ReadResult r;
    r.ok = readSheetFromScene(r.sheet, r.counts, r.warnings, r.error);
    return r;
}

const Net* netNumbered(const Sheet& sheet, unsigned container) {
    for (const Net& net : sheet.nets)
        if (net.container == container)
            return &net;
    return nullptr;
}

}  // namespace

TEST_F(SceneReader, NetsNumberedPastWhatNamesHoldAreReadWhole) {
    // The host hands out "unnamed3", "unnamed4", ... in turn, so the names say
    // nothing about nets, positions or edges.
    const std::vector<sc::Point3> t0{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<sc::Point3> t1{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<sc::Point3> t2{{5, 5, 0}, {6, 5, 0}, {5, 6, 0}};
    addPlacedTriangle("unnamed3", 10000, 1, t1);  // out of order on purpose
    addObject("unnamed5", tabOn(t1, 0));
    addObject("unnamed5", tabOn(t1, 2));
    addPlacedTriangle("unnamed2", 10000, 10001, t0);
    addObject("unnamed6", tabOn(t0, 1));
    addPlacedTriangle("unnamed3", 12345, 0, t2);
    addObject("unnamed5", tabOn(t2, 1));
    // A named triangle of a small net among them still reads by its name.
    setEdges(addObject("dft7_0", t0), {-1, -1, -1, 0, 0, 0, 7, 0});
    addObject("lug7_0_2", tabOn(t0, 2));

    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.triangleObjects, 4);
    EXPECT_EQ(r.counts.lugObjects, 5);
    ASSERT_EQ(r.sheet.nets.size(), 3u);
    const Net* big = netNumbered(r.sheet, 10000);
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(big->faces.size(), 2u);
    EXPECT_EQ(big->faces[0].position, 1u);
    EXPECT_EQ(big->faces[1].position, 10001u);
    EXPECT_DOUBLE_EQ(big->faces[0].p[1].y, 10.0);  // t1's corner (1, 1)
    ASSERT_EQ(big->lugs.size(), 3u);
    EXPECT_EQ(big->lugs[0].face, 0u);
    EXPECT_EQ(big->lugs[0].edge, 0);
    EXPECT_EQ(big->lugs[1].face, 0u);
    EXPECT_EQ(big->lugs[1].edge, 2);
    EXPECT_EQ(big->lugs[2].face, 1u);
    EXPECT_EQ(big->lugs[2].edge, 1);
    const Net* other = netNumbered(r.sheet, 12345);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->lugs.size(), 1u);
    EXPECT_EQ(other->lugs[0].edge, 1);
    const Net* small = netNumbered(r.sheet, 7);
    ASSERT_NE(small, nullptr);
    ASSERT_EQ(small->lugs.size(), 1u);
    EXPECT_EQ(small->lugs[0].edge, 2);
    EXPECT_TRUE(r.warnings.empty());
}

TEST_F(SceneReader, OnlyObjectsRightAfterATriangleAndAlongItsEdgesAreItsTabs) {
    const std::vector<sc::Point3> t{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::vector<sc::Point3> offEdge = tabOn(t, 0);
    offEdge[1] = {0.5, 0.5, 0};
    addObject("plane1", tabOn(t, 0));  // before any triangle
    addPlacedTriangle("unnamed3", 20000, 0, t);
    addObject("unnamed5", offEdge);      // not along an edge: ends the run
    addObject("unnamed6", tabOn(t, 1));  // so this one is not a tab
    addPlacedTriangle("unnamed2", 20000, 1, t);
    addObject("pCube1", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});  // an object in between
    addObject("unnamed5", tabOn(t, 1));
    addPlacedTriangle("unnamed2", 20000, 2, t);
    addObject("unnamed5", tabOn(t, 1));
    addObject("unnamed5", tabOn(t, 0));  // edges come in order: not edge 0 again

    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.triangleObjects, 3);
    EXPECT_EQ(r.counts.lugObjects, 1);
    ASSERT_EQ(r.sheet.nets.size(), 1u);
    ASSERT_EQ(r.sheet.nets[0].lugs.size(), 1u);
    EXPECT_EQ(r.sheet.nets[0].lugs[0].face, 2u);
    EXPECT_EQ(r.sheet.nets[0].lugs[0].edge, 1);
}

TEST_F(SceneReader, TheNetInTheAttributeOutranksTheNameAndAnUnusableOneIsReported) {
    const std::vector<sc::Point3> t{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    // The host renamed a taken "dft3_4" to "dft3_5"; the attribute keeps 4.
    addPlacedTriangle("dft3_5", 3, 4, t);
    setEdges(addObject("dft3_6", t),
             {-1, -1, -1, 0, 0, 0, 3.5, 6});  // not whole: placed by its name
    setEdges(addObject("unnamed3", t),
             {-1, -1, -1, 0, 0, 0, -1, 0});  // negative, no name to fall back on
    setEdges(addObject("unnamed2", t), {-1, -1, -1, 0, 0, 0, 1});  // too short for a place
    setEdges(addObject("dft3_7", t), {5, 6, 7, 0, 0, 0});          // edges alone: neither is read

    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.sheet.nets.size(), 1u);
    const Net& net = r.sheet.nets[0];
    ASSERT_EQ(net.faces.size(), 3u);
    EXPECT_EQ(net.faces[0].position, 4u);
    EXPECT_EQ(net.faces[1].position, 6u);
    EXPECT_EQ(net.faces[2].position, 7u);
    EXPECT_EQ(net.faces[1].edgeId[0], kNoEdgeId);  // -1 stored: no partner
    EXPECT_EQ(net.faces[2].edgeId[0], kNoEdgeId);  // unreadable: printed as a cut
    ASSERT_EQ(r.warnings.size(), 5u);
    EXPECT_NE(r.warnings[0].find("dft3_6"), std::string::npos);
    EXPECT_NE(r.warnings[0].find("by its name"), std::string::npos);
    EXPECT_NE(r.warnings[1].find("unnamed3"), std::string::npos);
    EXPECT_NE(r.warnings[1].find("left out"), std::string::npos);
    EXPECT_NE(r.warnings[2].find("unnamed2"), std::string::npos);
    EXPECT_NE(r.warnings[3].find("dft3_7"), std::string::npos);
    EXPECT_NE(r.warnings[3].find("by its name"), std::string::npos);
    EXPECT_NE(r.warnings[4].find("dft3_7"), std::string::npos);
    EXPECT_NE(r.warnings[4].find("no edge data"), std::string::npos);
}

TEST_F(SceneReader, EdgeIdsFoldsAndPlaceComeFromOneAttribute) {
    const std::vector<sc::Point3> t{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    setEdges(addObject("unnamed9", t), {21, -1, 23, 0.25, 0, -0.5, 15000, 10002});
    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.sheet.nets.size(), 1u);
    const Net& net = r.sheet.nets[0];
    EXPECT_EQ(net.container, 15000u);
    ASSERT_EQ(net.faces.size(), 1u);
    const Face& face = net.faces[0];
    EXPECT_EQ(face.position, 10002u);
    EXPECT_EQ(face.edgeId[0], 21);
    EXPECT_EQ(face.edgeId[1], kNoEdgeId);
    EXPECT_EQ(face.edgeId[2], 23);
    EXPECT_DOUBLE_EQ(face.fold[0], 0.25);
    EXPECT_DOUBLE_EQ(face.fold[2], -0.5);
    EXPECT_TRUE(r.warnings.empty());
}
