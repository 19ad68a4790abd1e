// Mesh-level edits on plain data: merging meshes and triangulating them keep
// every face-vertex's UV and colour with its corner.
#include <gtest/gtest.h>

#include "scene/mesh_merge.h"
#include "scene/triangulate.h"

using namespace host::scene;

namespace {

template <typename T>
std::shared_ptr<const std::vector<T>> buffer(std::vector<T> v) {
    return std::make_shared<const std::vector<T>>(std::move(v));
}

MeshData quad(float dx) {
    MeshData m;
    m.points = buffer<Point3>({{dx, 0, 0}, {dx + 1, 0, 0}, {dx + 1, 1, 0}, {dx, 1, 0}});
    m.counts = buffer<int>({4});
    m.connects = buffer<int>({0, 1, 2, 3});
    return m;
}

UVSet uvSet(const std::string& name, std::vector<float> u, std::vector<int> ids) {
    std::vector<float> v(u.size(), 0.5f);
    return UVSet{name, buffer(std::move(u)), buffer(std::move(v)), buffer(std::move(ids))};
}

Matrix4 translation(double x, double y, double z) {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}

}  // namespace

TEST(MeshMerge, PointsGoToWorldAndPolygonsFollowInSourceOrder) {
    MeshData a = quad(0), b = quad(0);
    MergedMesh m = mergeMeshes({{&a, translation(0, 0, 0)}, {&b, translation(0, 0, 5)}});
    EXPECT_EQ(m.firstPolygon, (std::vector<int>{0, 1}));
    EXPECT_EQ(*m.data.connects, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ((*m.data.points)[6], (Point3{1, 1, 5}));
    EXPECT_TRUE(m.data.uvSets.empty());
    EXPECT_EQ(m.data.currentUVSet, -1);
}

TEST(MeshMerge, CurrentSetsMeetAndOtherSetsMergeByName) {
    MeshData a = quad(0), b = quad(2), c = quad(4);
    a.uvSets = {uvSet("map1", {0, 1, 2, 3}, {0, 1, 2, 3}), uvSet("extra", {9}, {0, 0, -1, 0})};
    a.currentUVSet = 0;
    b.uvSets = {uvSet("other", {10, 11}, {1, 1, 0, 0})};  // current under another name
    b.currentUVSet = 0;
    c.uvSets = {uvSet("map1", {20}, {}), uvSet("extra", {30, 31}, {1, 0, 1, 0})};
    c.currentUVSet = 0;  // "map1" with a table but no face-vertex assigned
    MergedMesh m = mergeMeshes(
        {{&a, translation(0, 0, 0)}, {&b, translation(0, 0, 0)}, {&c, translation(0, 0, 0)}});
    ASSERT_EQ(m.data.uvSets.size(), 2u);
    const UVSet& current = m.data.uvSets[size_t(m.data.currentUVSet)];
    EXPECT_EQ(current.name, "map1");
    EXPECT_EQ(*current.u, (std::vector<float>{0, 1, 2, 3, 10, 11, 20}));
    EXPECT_EQ(*current.faceVertexIds, (std::vector<int>{0, 1, 2, 3, 5, 5, 4, 4, -1, -1, -1, -1}));
    const UVSet& extra = m.data.uvSets[1];
    EXPECT_EQ(extra.name, "extra");
    EXPECT_EQ(*extra.u, (std::vector<float>{9, 30, 31}));
    EXPECT_EQ(*extra.faceVertexIds, (std::vector<int>{0, 0, -1, 0, -1, -1, -1, -1, 2, 1, 2, 1}));
}

TEST(MeshMerge, ColourSetsConcatenateWithOffsetIndices) {
    MeshData a = quad(0), b = quad(2);
    ColorSet red{"colors", buffer<MColor>({MColor(1, 0, 0)}), buffer<int>({0, 0, 0, 0})};
    ColorSet two{"colors", buffer<MColor>({MColor(0, 1, 0), MColor(0, 0, 1)}),
                 buffer<int>({1, 0, -1, 1})};
    a.colorSets = {red};
    a.currentColorSet = 0;
    b.colorSets = {two};
    b.currentColorSet = 0;
    MergedMesh m = mergeMeshes({{&a, translation(0, 0, 0)}, {&b, translation(0, 0, 0)}});
    ASSERT_EQ(m.data.colorSets.size(), 1u);
    const ColorSet& merged = m.data.colorSets[0];
    EXPECT_EQ(merged.colors->size(), 3u);
    EXPECT_EQ((*merged.colors)[2], MColor(0, 0, 1));
    EXPECT_EQ(*merged.faceVertexIds, (std::vector<int>{0, 0, 0, 0, 2, 1, -1, 2}));
}

TEST(MeshTriangulate, FaceVertexDataTravelsWithEachCorner) {
    MeshData m;
    m.points = buffer<Point3>(
        {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {3, 0, 0}});
    m.counts = buffer<int>({6, 3});
    m.connects = buffer<int>({0, 1, 2, 3, 4, 5, 1, 6, 2});
    m.uvSets = {uvSet("map1", {0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 1, 2, 3, 4, 5, 6, 7, 8})};
    m.currentUVSet = 0;
    m.colorSets = {ColorSet{"c", buffer<MColor>(std::vector<MColor>(9)),
                            buffer<int>({8, 7, 6, 5, 4, 3, 2, 1, 0})}};
    m.currentColorSet = 0;
    TriangulatedMesh t = triangulate(m);
    EXPECT_EQ(t.firstTriangle, (std::vector<int>{0, 4, 5}));
    ASSERT_EQ(t.data.numPolygons(), 5);
    const std::vector<int>& connects = *t.data.connects;
    const std::vector<int>& uv = *t.data.uvSets[0].faceVertexIds;
    const std::vector<int>& color = *t.data.colorSets[0].faceVertexIds;
    for (size_t i = 0; i < connects.size(); ++i) {
        // Each source face-vertex had UV id = its place, colour id = 8 - its place; find the place back.
        const std::vector<int>& source = *m.connects;
        int place = uv[i];
        ASSERT_GE(place, 0);
        EXPECT_EQ(source[size_t(place)], connects[i]);
        EXPECT_EQ(color[i], 8 - place);
    }
    // The triangle stays last and unchanged.
    EXPECT_EQ(std::vector<int>(connects.end() - 3, connects.end()), (std::vector<int>{1, 6, 2}));
}

TEST(MeshTriangulate, OnlyListedPolygonsSplitAndUnassignedDataStaysUnassigned) {
    MeshData a = quad(0), b = quad(2);
    MergedMesh two = mergeMeshes({{&a, translation(0, 0, 0)}, {&b, translation(0, 0, 0)}});
    std::vector<int> only = {1};
    TriangulatedMesh t = triangulate(two.data, &only);
    EXPECT_EQ(*t.data.counts, (std::vector<int>{4, 3, 3}));
    EXPECT_EQ(t.firstTriangle, (std::vector<int>{0, 1, 3}));
    EXPECT_TRUE(t.data.uvSets.empty());
    TriangulatedMesh all = triangulate(two.data);
    EXPECT_EQ(*all.data.counts, (std::vector<int>{3, 3, 3, 3}));
}
