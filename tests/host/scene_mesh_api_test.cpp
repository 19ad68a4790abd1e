// MFnMesh calls beyond what the unfolding reads: creation under a parent,
// points in world space, computed normals, UV sets and assigned UVs.
#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>

#include "scene_test_support.h"

using namespace scenetest;

TEST_F(SceneTest, CreateUnderATransformMakesOnlyTheShape) {
    MObject parent = makeCube("holder");
    MFloatPointArray points;
    points.append(MFloatPoint(0, 0, 0));
    points.append(MFloatPoint(1, 0, 0));
    points.append(MFloatPoint(0, 1, 0));
    int counts[] = {3}, connects[] = {0, 1, 2};
    MFnMesh mesh;
    MStatus status;
    MObject made =
        mesh.create(3, 1, points, MIntArray(counts, 1), MIntArray(connects, 3), parent, &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(made.hasFn(MFn::kMesh));
    EXPECT_EQ(MFnDagNode(parent).childCount(), 2u);
    EXPECT_EQ(mesh.numPolygons(), 1);  // the function set is on the new shape
    MObject notTransform = MFnDagNode(parent).child(0);
    mesh.create(3, 1, points, MIntArray(counts, 1), MIntArray(connects, 3), notTransform, &status);
    EXPECT_EQ(status, MStatus::kInvalidParameter);
}

TEST_F(SceneTest, PointsReadAndWriteInWorldSpace) {
    MObject t = makeQuad("quad", 0);
    MFnTransform(t).setTranslation(MVector(0, 0, 10), MSpace::kTransform);
    double scale[3] = {2, 2, 2};
    MFnTransform(t).setScale(scale);
    MFnMesh mesh(t);
    MPoint p;
    ASSERT_TRUE(mesh.getPoint(2, p, MSpace::kWorld));
    EXPECT_EQ(p, MPoint(2, 2, 10));
    MPointArray world;
    mesh.getPoints(world, MSpace::kWorld);
    world[0] = MPoint(-2, -2, 10);
    ASSERT_TRUE(mesh.setPoints(world, MSpace::kWorld));
    ASSERT_TRUE(mesh.getPoint(0, p, MSpace::kObject));
    EXPECT_TRUE(p.isEquivalent(MPoint(-1, -1, 0)));
    MPointArray tooFew;
    EXPECT_FALSE(mesh.setPoints(tooFew));
}

TEST_F(SceneTest, NormalsAreKeptAsGivenOrComputedFromFaces) {
    MObject t = makeQuad("quad", 0);
    MFnMesh mesh(t);
    MFloatVectorArray normals;
    ASSERT_TRUE(mesh.getNormals(normals));
    ASSERT_EQ(normals.length(), 4u);
    EXPECT_EQ(normals[0], MFloatVector(0, 0, 1));
    MFloatVectorArray up;
    up.append(MFloatVector(0, 0, 1));
    up.append(MFloatVector(0, 0, 1));
    ASSERT_TRUE(mesh.setNormals(up, MSpace::kWorld));
    mesh.getNormals(normals);
    EXPECT_EQ(normals.length(), 2u);
    EXPECT_TRUE(normals.sharesDataWith(up));
}

TEST_F(SceneTest, UVSetsCanBeAddedChosenAndAssignedPerFace) {
    MObject t = makeMesh("two", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {3, 3}, {0, 1, 2, 0, 2, 3});
    MFnMesh mesh(t);
    MString second = mesh.createUVSetWithName("map1");
    EXPECT_EQ(second, MString("map2"));  // "map1" exists: the next numbered variant
    ASSERT_TRUE(mesh.setCurrentUVSetName(second));
    MString current;
    mesh.getCurrentUVSetName(current);
    EXPECT_EQ(current, second);
    MFloatArray u(3, 0.5f), v(3, 0.25f);
    ASSERT_TRUE(mesh.setUVs(u, v));
    int uvCounts[] = {0, 3}, ids[] = {2, 1, 0};
    ASSERT_TRUE(mesh.assignUVs(MIntArray(uvCounts, 2), MIntArray(ids, 3)));
    MIntArray counts, assigned;
    ASSERT_TRUE(mesh.getAssignedUVs(counts, assigned));
    EXPECT_EQ(std::vector<int>(counts.begin(), counts.end()), (std::vector<int>{0, 3}));
    EXPECT_EQ(std::vector<int>(assigned.begin(), assigned.end()), (std::vector<int>{2, 1, 0}));
    int id = -1;
    EXPECT_FALSE(mesh.getPolygonUVid(0, 0, id));  // the first face got none
    ASSERT_TRUE(mesh.getPolygonUVid(1, 0, id));
    EXPECT_EQ(id, 2);
    float fu = 0, fv = 0;
    ASSERT_TRUE(mesh.getPolygonUV(1, 1, fu, fv));
    EXPECT_EQ(fv, 0.25f);
    MFloatArray shorter(2, 0.f);
    EXPECT_FALSE(mesh.setUVs(shorter, shorter));  // would orphan the assigned id 2
    int badCounts[] = {2, 3};
    EXPECT_FALSE(mesh.assignUVs(MIntArray(badCounts, 2), MIntArray(ids, 3)));
    MString missing("nope");
    EXPECT_FALSE(mesh.setUVs(u, v, &missing));
    MStringArray names;
    mesh.getUVSetNames(names);
    EXPECT_EQ(names.length(), 2u);
}
