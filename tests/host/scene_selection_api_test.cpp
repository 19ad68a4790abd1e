// Selection through the API: lists built by a plug-in, the active selection
// with each kind of adjustment, and polygon walks over a component.
#include <gtest/gtest.h>

#include <maya/MGlobal.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MItMeshVertex.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>

#include "scene/node_types.h"
#include "scene_test_support.h"

using namespace scenetest;

namespace {

std::vector<std::string> active() {
    MSelectionList list;
    MGlobal::getActiveSelectionList(list);
    MStringArray names;
    list.getSelectionStrings(names);
    std::vector<std::string> out;
    for (unsigned i = 0; i < names.length(); ++i)
        out.push_back(names[i].asChar());
    return out;
}

}  // namespace

TEST_F(SceneTest, ActiveSelectionFollowsEachAdjustment) {
    makeCube("a");
    makeCube("b");
    ASSERT_TRUE(MGlobal::selectByName("a", MGlobal::kReplaceList));
    ASSERT_TRUE(MGlobal::selectByName("b"));  // added by default
    EXPECT_EQ(active(), (std::vector<std::string>{"a", "b"}));
    MSelectionList b;
    b.add("b");
    ASSERT_TRUE(MGlobal::setActiveSelectionList(b, MGlobal::kXORWithList));
    EXPECT_EQ(active(), (std::vector<std::string>{"a"}));
    ASSERT_TRUE(MGlobal::setActiveSelectionList(b, MGlobal::kXORWithList));
    EXPECT_EQ(active(), (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(MGlobal::setActiveSelectionList(b, MGlobal::kRemoveFromList));
    EXPECT_EQ(active(), (std::vector<std::string>{"a"}));
    ASSERT_TRUE(MGlobal::setActiveSelectionList(b, MGlobal::kAddToHeadOfList));
    EXPECT_EQ(active(), (std::vector<std::string>{"b", "a"}));
    ASSERT_TRUE(MGlobal::selectByName("a.f[0:1]", MGlobal::kReplaceList));
    EXPECT_EQ(active(), (std::vector<std::string>{"a.f[0:1]"}));
    EXPECT_FALSE(MGlobal::selectByName("c"));
    EXPECT_EQ(active(), (std::vector<std::string>{"a.f[0:1]"}));
}

TEST_F(SceneTest, PluginBuiltListsMergeComponentsOfOneObject) {
    MObject cube = makeCube("cube");
    MDagPath shape;
    MDagPath::getAPathTo(cube, shape);
    shape.extendToShape();
    MSelectionList list;
    ASSERT_TRUE(list.add(shape, MObject::faceComponent({0})));
    ASSERT_TRUE(list.add(shape, MObject::faceComponent({3, 4})));
    ASSERT_EQ(list.length(), 1u);
    MStringArray names;
    list.getSelectionStrings(names);
    EXPECT_EQ(std::string(names[0].asChar()), "cube.f[0]");
    EXPECT_EQ(std::string(names[1].asChar()), "cube.f[3:4]");
    EXPECT_TRUE(list.hasItem(shape, MObject::faceComponent({4})));
    EXPECT_FALSE(list.hasItem(shape, MObject::faceComponent({5})));
    ASSERT_TRUE(list.add(cube));  // without merging, the whole object is an item of its own
    EXPECT_EQ(list.length(), 2u);
    ASSERT_TRUE(list.add(cube));
    EXPECT_EQ(list.length(), 2u);  // but never twice
}

TEST_F(SceneTest, PolygonWalkOverAComponentReadsItsFacesOnly) {
    MObject quad = makeQuad("quad", 0);
    MObject cube = makeCube("cube");
    ASSERT_TRUE(run("select cube.f[4:5] quad"));
    MSelectionList list;
    MGlobal::getActiveSelectionList(list);
    MItSelectionList it(list, MFn::kMesh);
    MDagPath path;
    MObject component;
    ASSERT_TRUE(it.getDagPath(path, component));
    EXPECT_TRUE(it.hasComponents());
    std::vector<int> faces;
    MItMeshPolygon poly(path, component);
    for (; !poly.isDone(); poly.next())
        faces.push_back(int(poly.index()));
    EXPECT_EQ(faces, (std::vector<int>{4, 5}));
    EXPECT_EQ(poly.count(), 6u);  // the mesh's polygon count
    int previous = 0;
    ASSERT_TRUE(poly.setIndex(5, previous));
    MVector normal;
    ASSERT_TRUE(poly.getNormal(normal));
    EXPECT_TRUE(normal.isEquivalent(MVector(-1, 0, 0), 1e-12));  // face 5 is the x = 0 side
    EXPECT_FALSE(poly.setIndex(0, previous));                    // not in the component
    EXPECT_TRUE(poly.center().isEquivalent(MPoint(0, 0.5, 0.5), 1e-12));

    it.next();
    ASSERT_TRUE(it.getDagPath(path, component));
    EXPECT_TRUE(component.isNull());
    MItMeshPolygon whole(path, component);
    EXPECT_TRUE(whole.hasUVs());
    int uv = -1;
    float u = 0, v = 0;
    ASSERT_TRUE(whole.getUVIndex(2, uv, u, v));
    EXPECT_EQ(uv, 2);
    EXPECT_EQ(u, 1.0f);
    EXPECT_FALSE(whole.getUVIndex(4, uv));  // a quad has corners 0 to 3
    it.next();
    EXPECT_TRUE(it.isDone());
    (void)quad;
    (void)cube;
}

TEST_F(SceneTest, VertexWalkFindsTheFacesAroundEachVertex) {
    MObject cube = makeCube("cube");
    MItMeshVertex it(cube);
    EXPECT_EQ(it.count(), 8u);
    for (; !it.isDone(); it.next()) {
        MIntArray faces;
        ASSERT_TRUE(it.getConnectedFaces(faces));
        EXPECT_EQ(faces.length(), 3u) << it.index();  // three faces meet at each corner of a cube
        int count = -1;
        ASSERT_TRUE(it.numUVs(count));
        EXPECT_EQ(count, 0);  // the cube has no UVs
        float2 uv;
        EXPECT_FALSE(it.getUV(uv));
    }
    EXPECT_FALSE(it.next());
}
