#include <gtest/gtest.h>

#include "classify_edges.h"
#include "scene/scene.h"
#include "scene_reader.h"

#include "common/sheet_record.h"

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

void setRecord(sc::Node& transform, const double* values, size_t count) {
    sc::AttrValue value;
    value.type = sc::AttrValue::DoubleArray;
    value.array.assign(values, values + count);
    sc::setDynamicAttr(transform, sheet_record::kAttribute, value);
}

// A triangle object as a run leaves it; the name is the host's business.
sc::Node& addTriangle(const std::string& name, const sheet_record::Triangle& record,
                      const std::vector<sc::Point3>& points, bool uvs = false) {
    sc::Node& transform = addObject(name, points, uvs);
    double values[sheet_record::kTriangleValues];
    sheet_record::encode(record, values);
    setRecord(transform, values, sheet_record::kTriangleValues);
    return transform;
}

sheet_record::Triangle place(unsigned net, unsigned position, std::array<int, 3> ids = {-1, -1, -1},
                             std::array<bool, 3> folds = {}, std::array<double, 3> angles = {}) {
    sheet_record::Triangle record;
    record.net = net;
    record.position = position;
    for (int k = 0; k < 3; ++k) {
        record.edgeId[k] = ids[k];
        record.fold[k] = folds[k];
        record.foldAngle[k] = angles[k];
    }
    return record;
}

// The tab on edge k of a triangle: along corner k + 1 to corner k, then out.
void addTab(const std::string& name, unsigned net, unsigned position, int k,
            const std::vector<sc::Point3>& t) {
    const sc::Point3& a = t[(k + 1) % 3];
    const sc::Point3& b = t[k];
    sc::Node& transform =
        addObject(name, {a, b, {b[0] + 0.1, b[1] - 0.3, b[2]}, {a[0] - 0.1, a[1] - 0.3, a[2]}});
    double values[sheet_record::kTabValues];
    sheet_record::encode(sheet_record::Tab{net, position, k}, values);
    setRecord(transform, values, sheet_record::kTabValues);
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

class SceneReader : public ::testing::Test {
protected:
    void SetUp() override { sc::reset(); }
    void TearDown() override { sc::reset(); }
};

}  // namespace

TEST_F(SceneReader, ReadsNetsInMillimetresWithFoldsMaterialsUvsAndTabsByRecordAlone) {
    // Net 4: two triangles joined along a valley; net 10,000: one triangle.
    // Names say nothing, and the objects come in no useful order.
    const std::vector<sc::Point3> t0{{0, 0, 2}, {1, 0, 2}, {0, 1, 2}};
    const std::vector<sc::Point3> t1{{0, 1, 2}, {1, 0, 2}, {1, 1, 2}};
    addTab("z", 4, 1, 2, t1);
    sc::Node& b = addTriangle("dft9_0", place(4, 1, {11, 13, 14}, {true}, {0.5}), t1);
    addObject("pCube1", {{5, 5, 3}, {6, 5, 3}, {5, 6, 3}});  // no record: not the sheet's
    addTriangle("unnamed3", place(10000, 10001, {13, 20, 21}), {{5, 5, 3}, {6, 5, 3}, {5, 6, 3}});
    sc::Node& a = addTriangle("a", place(4, 0, {10, 11, 12}, {false, true}, {0, 0.5}), t0, true);
    addTab("y", 4, 0, 0, t0);
    addTab("x", 7, 0, 0, t0);  // no such triangle

    sc::Node& material = sc::createMaterial("lambert", "paint");
    sc::setMaterial(material, {0.2f, 0.4f, 0.6f}, {0, 0, 0}, "/textures/paint.png");
    sc::Node& engine = sc::createShadingEngine("paintSG");
    sc::setSurfaceShader(engine, &material);
    sc::assignToEngine(engine, *sc::meshOf(a));
    sc::assignToEngine(engine, *sc::meshOf(b));

    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.triangleObjects, 3);
    EXPECT_EQ(r.counts.lugObjects, 2);
    ASSERT_EQ(r.sheet.nets.size(), 2u);
    EXPECT_EQ(r.sheet.nets[0].container, 4u);
    EXPECT_EQ(r.sheet.nets[1].container, 10000u);
    EXPECT_EQ(r.sheet.nets[1].faces[0].position, 10001u);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_NE(r.warnings[0].find("x is the tab of a triangle the sheet lacks"), std::string::npos);

    const Net& net = r.sheet.nets[0];
    ASSERT_EQ(net.faces.size(), 2u);
    EXPECT_DOUBLE_EQ(net.faces[0].p[1].x, 10.0);  // 1 cm is 10 mm on paper
    EXPECT_DOUBLE_EQ(net.faces[1].p[2].y, 10.0);
    EXPECT_TRUE(net.faces[0].hasUv);
    EXPECT_FLOAT_EQ(float(net.faces[0].uv[0].x), 0.25f);
    EXPECT_FALSE(net.faces[1].hasUv);
    ASSERT_GE(net.faces[0].material, 0);
    EXPECT_EQ(net.faces[0].material, net.faces[1].material);
    const Material& m = r.sheet.materials[net.faces[0].material];
    EXPECT_EQ(m.name, "paintSG");
    EXPECT_FLOAT_EQ(float(m.colour.b), 0.6f);
    EXPECT_EQ(m.texture, "/textures/paint.png");
    EXPECT_EQ(r.sheet.nets[1].faces[0].material, -1);
    // Tabs in face and edge order, whatever order the scene had them in.
    ASSERT_EQ(net.lugs.size(), 2u);
    EXPECT_EQ(net.lugs[0].face, 0u);
    EXPECT_EQ(net.lugs[0].edge, 0);
    EXPECT_DOUBLE_EQ(net.lugs[0].p[2].y, -3.0);
    EXPECT_EQ(net.lugs[1].face, 1u);
    EXPECT_EQ(net.lugs[1].edge, 2);

    // Folds are where the run joined; edge 13 is a cut in both nets and
    // gets one glue number.
    classifyEdges(r.sheet);
    EXPECT_EQ(r.sheet.nets[0].faces[0].kind[1], EdgeKind::Valley);
    EXPECT_EQ(r.sheet.nets[0].faces[1].kind[0], EdgeKind::Valley);
    EXPECT_EQ(r.sheet.nets[0].faces[1].kind[1], EdgeKind::Cut);
    EXPECT_EQ(r.sheet.nets[0].faces[1].glue[1], r.sheet.nets[1].faces[0].glue[0]);
    EXPECT_GT(r.sheet.nets[0].faces[1].glue[1], 0);
}

TEST_F(SceneReader, NoSheetIsAnErrorAndUnusableObjectsAreReportedAndLeftOut) {
    const std::vector<sc::Point3> t{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    addObject("dft0_0", t);  // a sheet's name, but no record
    EXPECT_FALSE(readScene().ok);

    // Four corners for a triangle; a record of another version, of the
    // wrong length, or with a net that is no whole number.
    addTriangle("square", place(1, 0), {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    double values[sheet_record::kTriangleValues];
    sheet_record::encode(place(1, 1), values);
    values[0] = sheet_record::kFormatVersion + 1;
    setRecord(addObject("future", t), values, sheet_record::kTriangleValues);
    sheet_record::encode(place(1, 2), values);
    setRecord(addObject("short", t), values, sheet_record::kTriangleValues - 1);
    values[2] = 1.5;
    setRecord(addObject("half", t), values, sheet_record::kTriangleValues);
    addTriangle("kept", place(1, 3), t);
    addTriangle("again", place(1, 3), t);  // a copy of the same place

    ReadResult r = readScene();
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.sheet.nets.size(), 1u);
    ASSERT_EQ(r.sheet.nets[0].faces.size(), 1u);
    EXPECT_EQ(r.sheet.nets[0].faces[0].position, 3u);
    ASSERT_EQ(r.warnings.size(), 5u);
    const char* named[] = {"square", "future", "short", "half", "again"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r.warnings[i].rfind(named[i], 0), 0u) << r.warnings[i];
}
