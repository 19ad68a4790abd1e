// The Maya API classes over the scene: what the plug-in reads and writes.
#include <gtest/gtest.h>

#include <maya/MDGModifier.h>
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MItMeshPolygon.h>
#include <maya/MItMeshVertex.h>
#include <maya/MItSelectionList.h>
#include <maya/MObjectArray.h>
#include <maya/MPlugArray.h>
#include <maya/MSelectionList.h>

#include "scene/scene.h"
#include "scene/scene_digest.h"
#include "scene_test_support.h"

using namespace scenetest;

namespace {

std::vector<std::string> dagOrder(MItDag::TraversalType type) {
    std::vector<std::string> names;
    for (MItDag it(type); !it.isDone(); it.next()) {
        MDagPath path;
        if (it.getPath(path))
            names.push_back(path.partialPathName().asChar());
    }
    return names;
}

}  // namespace

TEST_F(SceneTest, DagWalksBreadthFirstAndDepthFirst) {
    auto& a = host::scene::createTransform("a");
    auto& b = host::scene::createTransform("b");
    host::scene::createTransform("a1", &a);
    auto& a2 = host::scene::createTransform("a2", &a);
    host::scene::createTransform("b1", &b);
    host::scene::createTransform("a2x", &a2);
    EXPECT_EQ(dagOrder(MItDag::kBreadthFirst),
              (std::vector<std::string>{"", "a", "b", "a1", "a2", "b1", "a2x"}));
    EXPECT_EQ(dagOrder(MItDag::kDepthFirst),
              (std::vector<std::string>{"", "a", "a1", "a2", "a2x", "b", "b1"}));
    MItDag it(MItDag::kBreadthFirst);
    it.next();
    it.next();
    it.next();
    EXPECT_EQ(it.depth(), 2u);  // a1 under a under the world
}

TEST_F(SceneTest, MeshShapeIsFoundOnceThroughItsPathAndHistoryIsMarked) {
    MObject cube = makeCube("cube");
    MFnDagNode transform(cube);
    ASSERT_EQ(transform.childCount(), 1u);
    MObject shape = transform.child(0);
    MDagPath shapePath, transformPath;
    ASSERT_TRUE(MDagPath::getAPathTo(shape, shapePath));
    ASSERT_TRUE(MDagPath::getAPathTo(cube, transformPath));
    EXPECT_TRUE(shapePath.hasFn(MFn::kMesh));
    EXPECT_FALSE(shapePath.hasFn(MFn::kTransform));
    EXPECT_TRUE(
        transformPath.hasFn(MFn::kMesh));  // a transform path reaches its shape's function set
    EXPECT_TRUE(transformPath.hasFn(MFn::kTransform));
    EXPECT_EQ(std::string(shapePath.fullPathName().asChar()), "|cube|polySurfaceShape1");
    MFnDagNode shapeFn(shapePath);
    EXPECT_FALSE(shapeFn.isIntermediateObject());
    EXPECT_TRUE(shapeFn.setIntermediateObject(true));
    EXPECT_TRUE(shapeFn.isIntermediateObject());
    EXPECT_FALSE(MFnDagNode(MObject()).childCount() > 0);
}

TEST_F(SceneTest, ConnectedFacesOfACubeAreItsFourSideNeighbours) {
    MObject cube = makeCube("cube");
    MDagPath path;
    MDagPath::getAPathTo(cube, path);
    path.extendToShape();
    // Faces: 0 bottom, 1 top, 2..5 the sides in turn.
    std::vector<std::vector<int>> expected = {{2, 3, 4, 5}, {2, 3, 4, 5}, {0, 1, 3, 5},
                                              {0, 1, 2, 4}, {0, 1, 3, 5}, {0, 1, 2, 4}};
    int visited = 0;
    for (MItMeshPolygon it(path); !it.isDone(); it.next(), ++visited) {
        EXPECT_EQ(int(it.index()), visited);  // ascending from 0
        MIntArray faces;
        ASSERT_TRUE(it.getConnectedFaces(faces));
        EXPECT_EQ(std::vector<int>(faces.begin(), faces.end()), expected[size_t(it.index())]);
    }
    EXPECT_EQ(visited, 6);
}

TEST_F(SceneTest, WorldSpacePointsFollowTheTransform) {
    MObject cube = makeCube("cube");
    MFnTransform transform(cube);
    double rotation[3] = {0, 0, 3.14159265358979323846 / 2};
    transform.setRotation(rotation);
    transform.setTranslation(MVector(5, 0, 0), MSpace::kTransform);
    MDagPath path;
    MDagPath::getAPathTo(cube, path);
    MItMeshPolygon it(path);  // a transform path walks its shape
    // Face 0 corner 1 is vertex 3 = (0,1,0): turned about z to (-1,0,0), moved to (4,0,0).
    MPoint local = it.point(1, MSpace::kObject);
    MPoint world = it.point(1, MSpace::kWorld);
    EXPECT_NEAR(local.x, 0, 1e-12);
    EXPECT_NEAR(local.y, 1, 1e-12);
    EXPECT_NEAR(world.x, 4, 1e-12);
    EXPECT_NEAR(world.y, 0, 1e-12);
    MFnMesh mesh(path);
    MPointArray points;
    mesh.getPoints(points, MSpace::kWorld);
    EXPECT_NEAR(points[3].x, 4, 1e-12);
    MPoint inclusive = MPoint(0, 1, 0) * path.inclusiveMatrix();
    EXPECT_NEAR(inclusive.x, 4, 1e-12);
}

TEST_F(SceneTest, ConnectedShadersGivePerPolygonEnginesOrMinusOne) {
    MObject t = makeMesh("tri3", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0}, {3, 3, 3},
                         {0, 1, 2, 0, 2, 3, 1, 4, 2});
    MFnMesh mesh(t);
    MObjectArray shaders;
    MIntArray indices;
    ASSERT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
    EXPECT_EQ(shaders.length(), 0u);
    EXPECT_EQ(std::vector<int>(indices.begin(), indices.end()), (std::vector<int>{-1, -1, -1}));

    ASSERT_TRUE(run("sets -add initialShadingGroup tri3"));
    mesh.getConnectedShaders(0, shaders, indices);
    ASSERT_EQ(shaders.length(), 1u);
    EXPECT_EQ(std::string(MFnDependencyNode(shaders[0]).name().asChar()), "initialShadingGroup");
    EXPECT_EQ(std::vector<int>(indices.begin(), indices.end()), (std::vector<int>{0, 0, 0}));

    ASSERT_TRUE(
        run("sets -renderable true -empty -name redSG; sets -e -forceElement redSG tri3.f[1]"));
    mesh.getConnectedShaders(0, shaders, indices);
    ASSERT_EQ(shaders.length(), 2u);
    EXPECT_EQ(std::string(MFnDependencyNode(shaders[unsigned(indices[1])]).name().asChar()),
              "redSG");
    EXPECT_EQ(std::string(MFnDependencyNode(shaders[unsigned(indices[0])]).name().asChar()),
              "initialShadingGroup");

    // A polygon in no engine reads -1 even with two engines on the mesh.
    host::scene::Node* shape = host::scene::meshOf(*t.node());
    std::vector<host::scene::ShadingMember> partial = shape->shading;
    partial[0].faces = {0};
    host::scene::setShading(*shape, partial);
    mesh.getConnectedShaders(0, shaders, indices);
    EXPECT_EQ(indices[2], -1);
    EXPECT_EQ(indices[1], 1);
    EXPECT_FALSE(mesh.getConnectedShaders(1, shaders, indices));  // no second instance
}

TEST_F(SceneTest, SurfaceShaderPlugLeadsToTheMaterial) {
    MSelectionList list;
    ASSERT_TRUE(list.add("initialShadingGroup"));
    MObject engine;
    ASSERT_TRUE(list.getDependNode(0, engine));
    MStatus status;
    MPlug plug = MFnDependencyNode(engine).findPlug("surfaceShader", true, &status);
    ASSERT_TRUE(status);
    MPlugArray sources;
    EXPECT_TRUE(plug.connectedTo(sources, true, false));
    ASSERT_EQ(sources.length(), 1u);
    EXPECT_EQ(std::string(MFnDependencyNode(sources[0].node()).name().asChar()), "lambert1");
    MFnDependencyNode(engine).findPlug("noSuchPlug", true, &status);
    EXPECT_FALSE(status);
}

TEST_F(SceneTest, UVsAndColoursRoundTripAndMissingOnesFail) {
    MObject t = makeQuad("quad", 0);
    MFnMesh mesh(t);
    MString set;
    ASSERT_TRUE(mesh.getCurrentUVSetName(set));
    EXPECT_EQ(std::string(set.asChar()), "map1");
    int id = -7;
    ASSERT_TRUE(mesh.getPolygonUVid(0, 2, id, &set));
    EXPECT_EQ(id, 2);
    MFloatArray u, v;
    ASSERT_TRUE(mesh.getUVs(u, v, &set));
    EXPECT_EQ(u.length(), 4u);

    // A mesh made with empty UV arrays has an empty current set and no face-vertex UV.
    MObject bare = makeMesh("bare", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {3}, {0, 1, 2});
    MFnMesh bareMesh(bare);
    EXPECT_EQ(bareMesh.numUVs(), 0);
    id = -7;
    EXPECT_FALSE(bareMesh.getPolygonUVid(0, 0, id));
    EXPECT_EQ(id, -7);  // untouched on failure
    int counts[] = {3}, ids[] = {0, 1, 5};
    EXPECT_FALSE(
        bareMesh.assignUVs(MIntArray(counts, 1), MIntArray(ids, 3)));  // ids beyond the table

    int colorIndex = -7;
    EXPECT_FALSE(bareMesh.getColorIndex(0, 0, colorIndex));
    ASSERT_TRUE(bareMesh.createColorSet("ColorSet"));
    EXPECT_FALSE(bareMesh.createColorSet("ColorSet"));  // taken
    MString colorSet("ColorSet");
    ASSERT_TRUE(bareMesh.clearColors(&colorSet));
    MColorArray colors;
    colors.append(MColor(1, 0, 0));
    colors.append(MColor(0, 1, 0));
    ASSERT_TRUE(bareMesh.setColors(colors));                 // the first set made is current
    EXPECT_FALSE(bareMesh.getColorIndex(0, 0, colorIndex));  // nothing assigned yet
    ASSERT_TRUE(bareMesh.assignColor(0, 1, 1, &colorSet));
    EXPECT_FALSE(bareMesh.assignColor(0, 0, 2, &colorSet));  // no colour 2
    ASSERT_TRUE(bareMesh.getColorIndex(0, 1, colorIndex));
    EXPECT_EQ(colorIndex, 1);
    EXPECT_FALSE(bareMesh.getColorIndex(0, 0, colorIndex));
    MColorArray back;
    ASSERT_TRUE(bareMesh.getColors(back));
    EXPECT_EQ(back.length(), 2u);
    EXPECT_EQ(back[1], MColor(0, 1, 0));
}

TEST_F(SceneTest, CreateRefusesBadTopologyAndChangesNothing) {
    std::string before = host::scene::sceneDigest();
    MFloatPointArray points;
    points.append(MFloatPoint(0, 0, 0));
    points.append(MFloatPoint(1, 0, 0));
    points.append(MFloatPoint(0, 1, 0));
    int counts[] = {3}, outOfRange[] = {0, 1, 3}, two[] = {2};
    MStatus status;
    MFnMesh mesh;
    mesh.create(3, 1, points, MIntArray(counts, 1), MIntArray(outOfRange, 3), MObject::kNullObj,
                &status);
    EXPECT_EQ(status, MStatus::kInvalidParameter);
    mesh.create(3, 1, points, MIntArray(two, 1), MIntArray(outOfRange, 2), MObject::kNullObj,
                &status);
    EXPECT_EQ(status, MStatus::kInvalidParameter);
    MFloatArray u(2, 0.f), v(3, 0.f);
    int good[] = {0, 1, 2};
    mesh.create(3, 1, points, MIntArray(counts, 1), MIntArray(good, 3), u, v, MObject::kNullObj,
                &status);
    EXPECT_EQ(status, MStatus::kInvalidParameter);
    EXPECT_EQ(host::scene::sceneDigest(), before);
}

TEST_F(SceneTest, IdenticalUVArraysAreSharedNotCopied) {
    const unsigned kMeshes = 10000, kUVs = 100000;
    MFloatArray us(kUVs, 0.25f), vs(kUVs, 0.75f);
    MFloatPointArray points;
    points.append(MFloatPoint(0, 0, 0));
    points.append(MFloatPoint(1, 0, 0));
    points.append(MFloatPoint(0, 1, 0));
    int counts[] = {3}, connects[] = {0, 1, 2};
    MIntArray c(counts, 1), f(connects, 3);
    long before = us.sharedData().use_count();
    for (unsigned i = 0; i < kMeshes; ++i) {
        MFnMesh mesh;
        mesh.create(3, 1, points, c, f, us, vs);
        mesh.setUVs(us, vs);
    }
    // One buffer held by every mesh: its use count grew by the mesh count, no copy was made.
    EXPECT_EQ(us.sharedData().use_count(), before + long(kMeshes));
    MSelectionList list;
    list.add("polySurface5000");
    MDagPath path;
    ASSERT_TRUE(list.getDagPath(0, path));
    MFloatArray readU, readV;
    MFnMesh(path).getUVs(readU, readV);
    EXPECT_TRUE(readU.sharesDataWith(us));
    // Writing to what was read copies it; the meshes keep their UVs.
    readU[0] = 9.0f;
    EXPECT_FALSE(readU.sharesDataWith(us));
    MFloatArray again, againV;
    MFnMesh(path).getUVs(again, againV);
    EXPECT_EQ(again[0], 0.25f);
}

TEST_F(SceneTest, SelectionListAndIteratorFilterAndComponents) {
    makeCube("cube");
    host::scene::createShadingEngine("someSG");
    ASSERT_TRUE(run("select -r cube.f[1:2] someSG"));
    MSelectionList list;
    MGlobal::getActiveSelectionList(list);
    ASSERT_EQ(list.length(), 2u);
    MStringArray names;
    list.getSelectionStrings(names);
    ASSERT_EQ(names.length(), 2u);
    EXPECT_EQ(std::string(names[0].asChar()), "cube.f[1:2]");
    int meshes = 0;
    for (MItSelectionList it(list, MFn::kMesh); !it.isDone(); it.next(), ++meshes) {
        MDagPath path;
        MObject component;
        ASSERT_TRUE(it.getDagPath(path, component));
        EXPECT_TRUE(path.hasFn(MFn::kMesh));
        int faces = 0;
        for (MItMeshPolygon poly(path, component); !poly.isDone(); poly.next())
            ++faces;
        EXPECT_EQ(faces, 2);
    }
    EXPECT_EQ(meshes, 1);
    EXPECT_FALSE(list.add("noSuchThing"));
    EXPECT_FALSE(MGlobal::selectByName("cube.f[99]"));
    MGlobal::clearSelectionList();
    MGlobal::getActiveSelectionList(list);
    EXPECT_EQ(list.length(), 0u);
}

TEST_F(SceneTest, VertexIteratorGivesPositionsAndFaceVertexUVs) {
    MObject t = makeQuad("quad", 2);
    MItMeshVertex it(t);
    int count = 0;
    for (; !it.isDone(); it.next(), ++count) {
        MFloatArray u, v;
        MIntArray faces;
        ASSERT_TRUE(it.getUVs(u, v, faces));
        ASSERT_EQ(faces.length(), 1u);
        float2 uv;
        ASSERT_TRUE(it.getUV(uv));
        EXPECT_EQ(uv[0], u[0]);
    }
    EXPECT_EQ(count, 4);
    it.reset();
    EXPECT_EQ(it.position(MSpace::kWorld).x, 2.0);
}

TEST_F(SceneTest, ModifierUndoesExactlyWhatItsDoItDid) {
    makeQuad("left", 0);
    makeQuad("right", 2);
    ASSERT_TRUE(run("select left right"));
    std::string before = host::scene::sceneDigest();
    MDGModifier modifier;
    modifier.commandToExecute("polyUnite");
    modifier.commandToExecute("Triangulate");
    ASSERT_TRUE(modifier.doIt());
    std::string done = host::scene::sceneDigest();
    EXPECT_NE(done, before);
    ASSERT_TRUE(modifier.undoIt());
    EXPECT_EQ(host::scene::sceneDigest(), before);
    ASSERT_TRUE(modifier.doIt());  // nothing new queued: does the same again
    EXPECT_EQ(host::scene::sceneDigest(), done);

    // deleteNode, shape before transform, as an undo of created objects does.
    MSelectionList list;
    list.add("polySurface1");
    MObject transform;
    list.getDependNode(0, transform);
    MDGModifier deletion;
    ASSERT_TRUE(deletion.deleteNode(MFnDagNode(transform).child(0)));
    ASSERT_TRUE(deletion.deleteNode(transform));
    ASSERT_TRUE(deletion.doIt());
    EXPECT_EQ(host::scene::findNode("polySurface1"), nullptr);
    ASSERT_TRUE(deletion.undoIt());
    EXPECT_EQ(host::scene::sceneDigest(), done);
    EXPECT_FALSE(deletion.deleteNode(MObject()));

    // A failing command stops the run; what ran before it is still undone.
    MDGModifier failing;
    failing.commandToExecute("select left");
    failing.commandToExecute("select nosuchobject");
    EXPECT_FALSE(failing.doIt());
    failing.undoIt();
    EXPECT_EQ(host::scene::sceneDigest(), done);
}

TEST_F(SceneTest, SetNameReturnsTheNameApplied) {
    MObject a = makeQuad("dft0_0", 0);
    MObject b = makeQuad("other", 0);
    MStatus status;
    MString applied = MFnDependencyNode(b).setName("dft0_0", false, &status);
    EXPECT_TRUE(status);
    EXPECT_EQ(std::string(applied.asChar()), "dft0_1");
    MFnDependencyNode(b).setName("bad name", false, &status);
    EXPECT_FALSE(status);
    EXPECT_EQ(std::string(MFnDependencyNode(b).name().asChar()), "dft0_1");
    (void)a;
}
