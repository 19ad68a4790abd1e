// Value types and plugs: matrices that place points as the scene does, and
// attribute plugs read and written through the API.
#include <gtest/gtest.h>

#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MPoint.h>
#include <maya/MSelectionList.h>
#include <maya/MVector.h>

#include "scene/node_types.h"
#include "scene_test_support.h"

using namespace scenetest;

namespace {

MMatrix someTransform() {
    host::scene::Node& t = host::scene::createTransform("t");
    host::scene::setTransform(t, {1, -2, 3}, {30, 45, -60}, {2, 0.5, 3});
    MDagPath path;
    MDagPath::getAPathTo(host::scene::objectOf(t), path);
    return path.inclusiveMatrix();
}

}  // namespace

TEST_F(SceneTest, MatrixInverseUndoesThePlacement) {
    MMatrix m = someTransform();
    MMatrix product = m * m.inverse();
    EXPECT_TRUE(product.isEquivalent(MMatrix::identity, 1e-12));
    EXPECT_NEAR(m.det4x4(), 2 * 0.5 * 3, 1e-12);  // rotations keep volume, the scale sets it
    MPoint p(0.3, -4, 7);
    MPoint back = (p * m) * m.inverse();
    EXPECT_TRUE(back.isEquivalent(p, 1e-12));
    // A direction ignores the translation row.
    MVector d = MVector(1, 0, 0) * m;
    MPoint moved = MPoint(1, 0, 0) * m, origin = MPoint(0, 0, 0) * m;
    EXPECT_TRUE((moved - origin).isEquivalent(d, 1e-12));
    double singular[4][4] = {{1, 2, 3, 0}, {2, 4, 6, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    EXPECT_EQ(MMatrix(singular).inverse(), MMatrix::identity);  // no inverse: the identity
    EXPECT_EQ(MMatrix(singular).transpose()(0, 1), 2.0);
}

TEST_F(SceneTest, TransformRotationIsInRadiansThroughTheFunctionSet) {
    MObject t = makeQuad("quad", 0);
    MFnTransform fn(t);
    double in[3] = {0, 0, 3.14159265358979323846 / 2}, out[3];
    ASSERT_TRUE(fn.setRotation(in));
    ASSERT_TRUE(fn.getRotation(out));
    EXPECT_NEAR(out[2], in[2], 1e-12);
    host::Value degrees;
    ASSERT_TRUE(run("getAttr quad.rotateZ", &degrees));
    EXPECT_EQ(host::displayText(degrees), "90");
}

TEST_F(SceneTest, PlugsReadAndWriteAttributes) {
    MObject t = makeQuad("quad", 0);
    ASSERT_TRUE(run("addAttr -ln label -dt string quad; addAttr -ln flag -at bool quad"));
    MFnDependencyNode fn(t);
    MStatus status;
    MPlug tx = fn.findPlug("tx", true, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(std::string(tx.name().asChar()), "quad.tx");
    ASSERT_TRUE(tx.setValue(2.5));
    EXPECT_EQ(tx.asDouble(), 2.5);
    EXPECT_EQ(host::scene::findNode("quad")->translate()[0], 2.5);
    MPlug label = fn.findPlug("label", true);
    ASSERT_TRUE(label.setValue(MString("hello")));
    EXPECT_EQ(label.asString(), MString("hello"));
    label.asDouble(&status);
    EXPECT_FALSE(status);  // a text is not a number
    MPlug flag = fn.findPlug("flag", true);
    ASSERT_TRUE(flag.setValue(true));
    EXPECT_TRUE(flag.asBool());
    MPlug visibility = fn.findPlug("visibility", true);
    ASSERT_TRUE(visibility.setValue(false));
    EXPECT_FALSE(visibility.asBool());
    EXPECT_FALSE(fn.findPlug("scale", true).setValue(1.0));  // a vector takes three values
    MPlugArray none;
    EXPECT_FALSE(tx.connectedTo(none, true, true));
}

TEST_F(SceneTest, MaterialFeedsEveryEngineItIsConnectedTo) {
    ASSERT_TRUE(run(
        "shadingNode -asShader -n paint lambert; sets -renderable true -empty -n aSG; sets -renderable true "
        "-empty -n bSG; connectAttr paint.outColor aSG.surfaceShader; connectAttr paint.oc bSG.ss"));
    MSelectionList list;
    list.add("paint");
    MObject material;
    list.getDependNode(0, material);
    MPlugArray engines;
    ASSERT_TRUE(
        MFnDependencyNode(material).findPlug("outColor", true).connectedTo(engines, false, true));
    ASSERT_EQ(engines.length(), 2u);
    EXPECT_EQ(std::string(engines[0].name().asChar()), "aSG.surfaceShader");
    EXPECT_FALSE(run("connectAttr paint.outColor aSG.surfaceShader"));  // taken without -force
    EXPECT_TRUE(lastErrorContains("already connected"));
}
