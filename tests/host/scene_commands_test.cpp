// The scene commands through the command language, with undo through the queue.
#include <gtest/gtest.h>

#include <maya/MDGModifier.h>

#include "core/undo_queue.h"

#include "scene/scene.h"
#include "scene/scene_digest.h"
#include "scene_test_support.h"

using namespace scenetest;
using host::scene::findNode;
using host::scene::sceneDigest;

namespace {

// Two textured quads with a material each, the figure the unfold command starts from.
void twoQuadsWithMaterials() {
    makeQuad("left", 0);
    makeQuad("right", 3);
    ASSERT_TRUE(
        run("shadingNode -asShader -n red lambert; sets -renderable true -empty -n redSG;"
            "connectAttr red.outColor redSG.surfaceShader;"
            "shadingNode -asShader -n blue lambert; sets -renderable true -empty -n blueSG;"
            "connectAttr blue.outColor blueSG.surfaceShader;"
            "sets -e -forceElement redSG left; sets -e -forceElement blueSG right;"
            "setAttr right.translateY 2; select -r left right"));
    host::UndoQueue::instance().clear();
}

std::string engineOf(const std::string& transform, int face) {
    host::scene::Node* mesh = host::scene::meshOf(*findNode(transform));
    host::scene::Node* engine = host::scene::engineOfFace(*mesh, face);
    return engine ? engine->name : "";
}

}  // namespace

TEST_F(SceneTest, UniteThenTriangulateKeepsUVsAndShadingAndUndoesExactly) {
    twoQuadsWithMaterials();
    std::string before = sceneDigest();
    host::Value result;
    ASSERT_TRUE(run("polyUnite", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"polySurface1"}));
    ASSERT_TRUE(run("Triangulate"));
    std::string after = sceneDigest();

    host::scene::Node* merged = host::scene::meshOf(*findNode("polySurface1"));
    const host::scene::MeshData& data = *merged->mesh;
    ASSERT_EQ(data.numPolygons(), 4);
    EXPECT_EQ(*data.connects, (std::vector<int>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    // World space: the right quad was moved up by 2.
    EXPECT_EQ((*data.points)[4], (host::scene::Point3{3, 2, 0}));
    const host::scene::UVSet& uv = data.uvSets[size_t(data.currentUVSet)];
    EXPECT_EQ(*uv.faceVertexIds, (std::vector<int>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    EXPECT_EQ(uv.u->size(), 8u);
    EXPECT_EQ(engineOf("polySurface1", 0), "redSG");
    EXPECT_EQ(engineOf("polySurface1", 1), "redSG");
    EXPECT_EQ(engineOf("polySurface1", 2), "blueSG");
    EXPECT_EQ(engineOf("polySurface1", 3), "blueSG");
    // The sources became history and the result is selected.
    EXPECT_TRUE(host::scene::meshOf(*findNode("left"))->intermediate);
    ASSERT_TRUE(run("ls -sl", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"polySurface1"}));

    ASSERT_TRUE(run("undo; undo"));
    EXPECT_EQ(sceneDigest(), before);
    ASSERT_TRUE(run("redo; redo"));
    EXPECT_EQ(sceneDigest(), after);
}

TEST_F(SceneTest, ListingTheSelectionNamesFacesWithADot) {
    makeCube("pCube1");
    host::Value result;
    ASSERT_TRUE(run("select pCube1.f[2]; ls -sl", &result));
    ASSERT_EQ(strings(result), (std::vector<std::string>{"pCube1.f[2]"}));
    ASSERT_TRUE(run("select -add pCube1.f[3:4]; ls -sl", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"pCube1.f[2:4]"}));
    ASSERT_TRUE(run("select -add pCube1; ls -sl", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"pCube1"}));
    ASSERT_TRUE(run("select -d pCube1; ls -sl", &result));
    EXPECT_TRUE(strings(result).empty());
    ASSERT_TRUE(run("ls -type mesh", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"polySurfaceShape1"}));
    ASSERT_TRUE(run("ls -long -type mesh", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"|pCube1|polySurfaceShape1"}));
    ASSERT_TRUE(run("ls \"pCu*\"", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"pCube1"}));
}

TEST_F(SceneTest, BadNamesAndFlagsAreReportedAndChangeNothing) {
    makeCube("pCube1");
    ASSERT_TRUE(run("select pCube1"));
    std::string before = sceneDigest();
    const char* bad[] = {"select nosuchobject",
                         "select pCube1.f[9]",
                         "select -x pCube1",
                         "delete nosuchobject",
                         "delete initialShadingGroup",
                         "rename pCube1 \"9bad\"",
                         "polyUnite pCube1",
                         "sets -add nosuchSG pCube1",
                         "setAttr pCube1.nothing 1",
                         "setAttr pCube1.scale 1 2",
                         "getAttr pCube1",
                         "addAttr -ln x -dt matrix pCube1",
                         "Triangulate nosuchobject",
                         "createNode spaceship",
                         "setKeyframe -at nothing pCube1",
                         "playbackOptions -min 5 -max 1",
                         "currentTime",
                         "doDelete pCube1"};
    for (const char* command : bad) {
        host::clearMessageLog();
        EXPECT_FALSE(run(command)) << command;
        std::string name = std::string(command).substr(0, std::string(command).find(' '));
        EXPECT_TRUE(lastErrorContains(name)) << command;
        EXPECT_EQ(sceneDigest(), before) << command;
    }
    host::clearMessageLog();
    EXPECT_FALSE(run("select nosuchobject"));
    EXPECT_TRUE(lastErrorContains("nosuchobject"));
}

TEST_F(SceneTest, TriangulateClipsConcaveFacesAndKeepsFaceOrder) {
    // An L-shaped hexagon (concave at corner 3), then a triangle, then a quad.
    makeMesh("shape", {0, 0, 0, 2, 0, 0, 2, 1, 0, 1, 1, 0, 1, 2, 0, 0, 2, 0, 5, 0,
                       0, 6, 0, 0, 5, 1, 0, 7, 0, 0, 8, 0, 0, 8, 1, 0, 7, 1, 0},
             {6, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    ASSERT_TRUE(
        run("sets -e -forceElement initialShadingGroup shape.f[1]; select shape; Triangulate"));
    const host::scene::MeshData& data = *host::scene::meshOf(*findNode("shape"))->mesh;
    ASSERT_EQ(data.numPolygons(), 4 + 1 + 2);
    // Every triangle of the hexagon lies inside it: their areas add up to its area (3).
    double area = 0;
    for (int t = 0; t < 4; ++t) {
        const auto& p = *data.points;
        const auto& c = *data.connects;
        auto a = p[size_t(c[size_t(3 * t)])], b = p[size_t(c[size_t(3 * t + 1)])],
             d = p[size_t(c[size_t(3 * t + 2)])];
        double signedArea = 0.5 * ((b[0] - a[0]) * (d[1] - a[1]) - (b[1] - a[1]) * (d[0] - a[0]));
        EXPECT_GT(signedArea, 0);  // same winding as the source face
        area += signedArea;
    }
    EXPECT_NEAR(area, 3.0, 1e-12);
    // The triangle stays polygon 4 with its engine; the quad follows as 5 and 6.
    EXPECT_EQ(std::vector<int>(data.connects->begin() + 12, data.connects->begin() + 15),
              (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(engineOf("shape", 4), "initialShadingGroup");
    EXPECT_EQ(engineOf("shape", 3), "");
    EXPECT_EQ(std::vector<int>(data.connects->begin() + 15, data.connects->end()),
              (std::vector<int>{9, 10, 11, 9, 11, 12}));
}

TEST_F(SceneTest, TriangulatingSelectedFacesRenumbersTheSelection) {
    makeCube("cube");
    ASSERT_TRUE(run("select cube.f[1]; Triangulate"));
    host::Value result;
    ASSERT_TRUE(run("ls -sl", &result));
    EXPECT_EQ(strings(result), (std::vector<std::string>{"cube.f[1:2]"}));
    EXPECT_EQ(host::scene::meshOf(*findNode("cube"))->mesh->numPolygons(), 7);
}

TEST_F(SceneTest, KeyframesAreEvaluatedOverThreeFrames) {
    makeQuad("dft0_0", 0);
    ASSERT_TRUE(run("playbackOptions -minTime 0 -maxTime 2; currentTime 0"));
    ASSERT_TRUE(run(
        "setKeyframe -at visibility -v 1 dft0_0; currentTime 1; setKeyframe -attribute visibility -value 0 dft0_0"));
    ASSERT_TRUE(run("setKeyframe -at visibility -v 1 -t 2 dft0_0"));
    host::Value v;
    std::vector<std::string> seen;
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(run("getAttr -time " + std::to_string(frame) + " dft0_0.visibility", &v));
        seen.push_back(host::displayText(v));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "0", "1"}));
    ASSERT_TRUE(run("currentTime 2; getAttr dft0_0.v", &v));
    EXPECT_EQ(host::displayText(v), "1");
    ASSERT_TRUE(run("playbackOptions -q -max", &v));
    EXPECT_EQ(host::displayText(v), "2");
    ASSERT_TRUE(run("undo"));  // the last key goes, the other two stay
    ASSERT_TRUE(run("getAttr -t 2 dft0_0.visibility", &v));
    EXPECT_EQ(host::displayText(v), "0");
}

TEST_F(SceneTest, DoubleArrayAttributesSetThroughAModifierReadBack) {
    makeQuad("dft0_0", 0);
    MDGModifier modifier;
    modifier.commandToExecute("addAttr -ln \"kivanoEdges\" -dt \"doubleArray\" dft0_0;");
    modifier.commandToExecute(
        "setAttr dft0_0.kivanoEdges -type \"doubleArray\" 6 3 -1 7 0.5 0 -0.25;");
    ASSERT_TRUE(modifier.doIt());
    host::Value v;
    ASSERT_TRUE(run("getAttr dft0_0.kivanoEdges", &v));
    EXPECT_EQ(host::displayText(v), "3 -1 7 0.5 0 -0.25");
    EXPECT_FALSE(
        run("setAttr dft0_0.kivanoEdges -type \"doubleArray\" 3 1 2"));   // count and values differ
    EXPECT_FALSE(run("addAttr -ln kivanoEdges -dt doubleArray dft0_0"));  // already there
    ASSERT_TRUE(run("setAttr dft0_0.scale 2 2 2; getAttr dft0_0.sy", &v));
    EXPECT_EQ(host::displayText(v), "2");
    modifier.undoIt();
    EXPECT_FALSE(host::scene::hasAttr(*findNode("dft0_0"), "kivanoEdges"));
}

TEST_F(SceneTest, DeleteTakesChildrenAndUndoBringsThemBack) {
    makeQuad("a", 0);
    makeQuad("b", 0);
    ASSERT_TRUE(run("sets -e -forceElement initialShadingGroup a; select a b"));
    std::string before = sceneDigest();
    ASSERT_TRUE(run("doDelete"));
    EXPECT_EQ(findNode("a"), nullptr);
    EXPECT_EQ(host::scene::allNodes().size(), 3u);  // the world and the two defaults
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneDigest(), before);
    ASSERT_TRUE(run("delete a; undo; rename a c; undo"));
    EXPECT_EQ(sceneDigest(), before);
}

TEST_F(SceneTest, SetsQueryListsMembers) {
    makeQuad("a", 0);
    makeCube("c");
    host::Value v;
    ASSERT_TRUE(run("sets -add initialShadingGroup a c.f[0:1]; sets -q initialShadingGroup", &v));
    EXPECT_EQ(strings(v), (std::vector<std::string>{"polySurfaceShape1", "c.f[0:1]"}));
}

TEST_F(SceneTest, ListingFiltersByKindAndOrder) {
    host::scene::Node& group = host::scene::createTransform("group");
    makeCube("cube");
    host::scene::createTransform("inner", &group);
    host::Value v;
    ASSERT_TRUE(run("ls -dag", &v));
    EXPECT_EQ(strings(v),
              (std::vector<std::string>{"group", "inner", "cube", "polySurfaceShape1"}));
    ASSERT_TRUE(run("ls -tr", &v));
    EXPECT_EQ(strings(v), (std::vector<std::string>{"group", "cube", "inner"}));  // creation order
    ASSERT_TRUE(run("ls -type shadingEngine", &v));
    EXPECT_EQ(strings(v), (std::vector<std::string>{"initialShadingGroup"}));
    ASSERT_TRUE(run("ls -long inner", &v));
    EXPECT_EQ(strings(v), (std::vector<std::string>{"|group|inner"}));
    ASSERT_TRUE(run("select -all; ls -sl", &v));
    EXPECT_EQ(strings(v), (std::vector<std::string>{"group", "cube"}));
    ASSERT_TRUE(run("select; ls -sl", &v));  // no names: nothing selected
    EXPECT_TRUE(strings(v).empty());
    EXPECT_FALSE(run("select -add -d cube"));
}

TEST_F(SceneTest, KeyframesWithoutAnAttributeKeyTheTransformAndReplaceAtTheSameTime) {
    makeQuad("quad", 0);
    host::Value v;
    ASSERT_TRUE(run("setAttr quad.tx 4; setKeyframe -t 1 quad", &v));
    EXPECT_EQ(host::displayText(v), "10");  // translate, rotate, scale in x, y, z and visibility
    ASSERT_TRUE(run(
        "setAttr quad.tx 8; setKeyframe -t 1 -at translateX quad; setKeyframe -t 5 -at tx -v 0 quad"));
    const auto& keys = host::scene::findNode("quad")->keys().at("translateX");
    ASSERT_EQ(keys.size(), 2u);  // the key at 1 was replaced, not doubled
    EXPECT_EQ(keys[0].value, 8.0);
    ASSERT_TRUE(run("getAttr -t 3 quad.tx", &v));
    EXPECT_EQ(host::displayText(v), "8");  // stepped until the next key
    ASSERT_TRUE(run("getAttr -t 5 quad.translateX", &v));
    EXPECT_EQ(host::displayText(v), "0");
}

TEST_F(SceneTest, AttributeTypesAndValuesReadBackAsTheyWereSet) {
    makeQuad("quad", 0);
    host::Value v;
    ASSERT_TRUE(run(
        "addAttr -ln note -dt \"string\" quad; setAttr quad.note -type \"string\" \"two words\";"
        "getAttr quad.note",
        &v));
    EXPECT_EQ(host::displayText(v), "two words");
    ASSERT_TRUE(run("getAttr -type quad.note", &v));
    EXPECT_EQ(host::displayText(v), "string");
    ASSERT_TRUE(run("getAttr -type quad.translate", &v));
    EXPECT_EQ(host::displayText(v), "double3");
    ASSERT_TRUE(run("addAttr -ln edges -dt doubleArray quad; getAttr -type quad.edges", &v));
    EXPECT_EQ(host::displayText(v), "doubleArray");
    // Python passes the array as one list, without its length.
    host::Invocation call;
    call.command = "setAttr";
    call.fromPython = true;
    call.args = {host::Value("quad.edges"), host::Value(host::Value::List{1.5, -1, 2})};
    call.flags = {host::Flag{"type", {host::Value("doubleArray")}}};
    ASSERT_TRUE(host::invoke(call, nullptr, host::ExecOptions{}));
    ASSERT_TRUE(run("getAttr quad.edges", &v));
    EXPECT_EQ(host::displayText(v), "1.5 -1 2");
    EXPECT_FALSE(run("setAttr quad.note 3"));      // a number is not a text here
    EXPECT_FALSE(run("setAttr quad.v 1 2"));       // one value
    EXPECT_FALSE(run("addAttr -dt string quad"));  // no name
    EXPECT_FALSE(run("addAttr -ln \"a b\" -dt string quad"));
}

TEST_F(SceneTest, DeletingAShadingGroupFreesItsFacesAndUndoPutsThemBack) {
    makeQuad("quad", 0);
    ASSERT_TRUE(run("sets -renderable true -n paintSG quad"));
    host::scene::Node* shape = host::scene::meshOf(*findNode("quad"));
    EXPECT_EQ(engineOf("quad", 0), "paintSG");
    ASSERT_TRUE(run("delete paintSG"));
    EXPECT_EQ(engineOf("quad", 0), "");
    EXPECT_TRUE(shape->shading.empty());
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(engineOf("quad", 0), "paintSG");
}

TEST_F(SceneTest, ArrayAttributesNeedTheirTypeAndLength) {
    makeQuad("quad", 0);
    ASSERT_TRUE(run("addAttr -ln edges -dt doubleArray quad"));
    for (const char* bad :
         {"setAttr quad.edges 1 2 3", "setAttr quad.edges -type doubleArray -1 2",
          "setAttr quad.edges -type doubleArray 1.5 2 3", "setAttr quad.edges -type doubleArray"})
        EXPECT_FALSE(run(bad)) << bad;
    host::Value v;
    ASSERT_TRUE(run("setAttr quad.edges -type doubleArray 0; getAttr quad.edges", &v));
    EXPECT_TRUE(strings(v).empty());
}

// Turned faces keep their first corner, list the rest backwards with their
// UVs, and turning twice or undoing gives the mesh back.
TEST_F(SceneTest, PolyNormalTurnsTheNamedFacesWithTheirUvs) {
    MObject pair = makeMesh("pair", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0}, {4, 3},
                            {0, 1, 2, 3, 1, 4, 2}, {0, 1, 1, 0, 2}, {0, 0, 1, 1, 0});
    int counts[] = {4, 3}, ids[] = {0, 1, 2, 3, 1, 4, 2};
    MFnMesh(pair).assignUVs(MIntArray(counts, 2), MIntArray(ids, 7));
    host::UndoQueue::instance().clear();
    std::string before = sceneDigest();
    const host::scene::Node* shape = host::scene::meshOf(*findNode("pair"));

    ASSERT_TRUE(run("polyNormal -normalMode 0 -userNormalMode 0 -ch 0 pair.f[0]"));
    const host::scene::MeshData& turned = *shape->mesh;
    EXPECT_EQ(*turned.connects, (std::vector<int>{0, 3, 2, 1, 1, 4, 2}));
    EXPECT_EQ(*turned.uvSets[size_t(turned.currentUVSet)].faceVertexIds,
              (std::vector<int>{0, 3, 2, 1, 1, 4, 2}));
    EXPECT_FALSE(run("polyNormal -normalMode 2 pair.f[1]"));

    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneDigest(), before);
    ASSERT_TRUE(run("polyNormal -nm 0 pair; polyNormal -nm 0 pair"));
    EXPECT_EQ(sceneDigest(), before);
}

// A flat grid, its left half red and its right half blue: reduced, every
// triangle keeps to its material's half, the engines follow the new faces,
// and undo gives the grid back.
TEST_F(SceneTest, PolyReduceKeepsMaterialBordersAndUndoesExactly) {
    const int n = 10;
    std::vector<float> xyz;
    std::vector<int> counts, connects;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            xyz.insert(xyz.end(), {float(i), float(j), 0.0f});
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            int a = j * (n + 1) + i;
            counts.push_back(4);
            connects.insert(connects.end(), {a, a + 1, a + n + 2, a + n + 1});
        }
    makeMesh("grid", xyz, counts, connects);
    std::string left, right;
    for (int f = 0; f < n * n; ++f)
        (f % n < n / 2 ? left : right) += " grid.f[" + std::to_string(f) + "]";
    ASSERT_TRUE(
        run("sets -renderable true -empty -n redSG; sets -renderable true -empty -n blueSG;"
            "sets -e -forceElement redSG" +
            left + "; sets -e -forceElement blueSG" + right));
    host::UndoQueue::instance().clear();
    std::string before = sceneDigest();

    EXPECT_FALSE(run("polyReduce -termination 1 -triangleCount 4 grid"));
    EXPECT_FALSE(run("polyReduce -termination 2 grid"));
    ASSERT_TRUE(run("polyReduce -termination 2 -triangleCount 8 -keepBorder 1 grid"));
    const host::scene::MeshData& data = *host::scene::meshOf(*findNode("grid"))->mesh;
    EXPECT_LT(data.numPolygons(), 2 * n * n / 4);
    for (int f = 0; f < data.numPolygons(); ++f) {
        ASSERT_EQ((*data.counts)[size_t(f)], 3);
        double low = 1e9, high = -1e9;
        for (int k = 0; k < 3; ++k) {
            double x = (*data.points)[size_t((*data.connects)[size_t(3 * f + k)])][0];
            low = std::min(low, x), high = std::max(high, x);
        }
        EXPECT_TRUE(high <= n / 2 || low >= n / 2) << "face " << f << " crosses the border";
        EXPECT_EQ(engineOf("grid", f), high <= n / 2 ? "redSG" : "blueSG") << "face " << f;
    }
    ASSERT_TRUE(run("undo"));
    EXPECT_EQ(sceneDigest(), before);
}
