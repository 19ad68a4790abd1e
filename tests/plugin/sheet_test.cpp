// What a press on Start writes into the scene: the triangle and lug objects,
// their points against the flat nets, UVs, materials and arrangements.
#include "host_fixture.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>

#include <maya/MColor.h>

#include "classify_edges.h"
#include "plugin/option_controls.h"
#include "scene_reader.h"

namespace sc = host::scene;

namespace {

using Point = std::array<double, 3>;

double distance(const Point& a, const Point& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

bool near(const Point& a, const Point& b) {
    return distance(a, b) < 1e-9;
}

// "dft3_12" -> {3, 12}; "lug3_12_2" -> {3, 12, 2}.
std::vector<int> numbersOf(const std::string& name) {
    std::vector<int> n;
    static const std::regex number("[0-9]+");
    for (auto it = std::sregex_iterator(name.begin(), name.end(), number);
         it != std::sregex_iterator(); ++it)
        n.push_back(std::stoi(it->str()));
    return n;
}

struct Box {
    double minx = 1e300, maxx = -1e300, miny = 1e300, maxy = -1e300, z = 0;
};

// Per net number: the bounding box of its triangle and lug objects.
std::map<int, Box> netBoxes() {
    std::map<int, Box> boxes;
    for (const char* prefix : {"dft", "lug"})
        for (const SheetObject& o : sheetObjects(prefix)) {
            Box& b = boxes[numbersOf(o.name)[0]];
            for (const Point& p : o.points) {
                b.minx = std::min(b.minx, p[0]);
                b.maxx = std::max(b.maxx, p[0]);
                b.miny = std::min(b.miny, p[1]);
                b.maxy = std::max(b.maxy, p[1]);
                b.z = p[2];
            }
        }
    return boxes;
}

class Sheet : public PluginTest {
protected:
    // Two cubes give at least two nets.
    void unfoldCube(bool lugs, const char* arrangement = KIVANO_CONTROL_LAYERED,
                    bool second = false) {
        addCube("box", {2, 3, 4});
        if (second)
            addCube("other", {-3, 0, 0});
        selectOnly(second ? std::vector<std::string>{"box", "other"}
                          : std::vector<std::string>{"box"});
        openWindow();
        setOption(std::string("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",edit=True,value=") +
                  (lugs ? "True" : "False") + ")");
        setOption(std::string("cmds.radioButton(") + arrangement + ",edit=True,select=True)");
        ASSERT_TRUE(pressStart());
    }
};

TEST_F(Sheet, CubeWithoutLugsGivesTwelveTrianglesLaidOutAsNets) {
    unfoldCube(false);
    std::vector<SheetObject> triangles = sheetObjects("dft");
    ASSERT_EQ(triangles.size(), 12u);
    EXPECT_TRUE(sheetObjects("lug").empty());
    EXPECT_EQ(sc::findNode("box"), nullptr);  // the original went away

    std::map<int, std::set<int>> positions;
    std::map<double, std::vector<std::pair<const SheetObject*, int>>> sides;
    for (const SheetObject& o : triangles) {
        ASSERT_TRUE(std::regex_match(o.name, std::regex("dft[0-9]+_[0-9]+"))) << o.name;
        ASSERT_EQ(o.points.size(), 3u);
        EXPECT_EQ(o.shadingGroup, "initialShadingGroup");
        std::vector<double> lengths;
        for (int k = 0; k < 3; ++k) {
            lengths.push_back(distance(o.points[k], o.points[(k + 1) % 3]));
            EXPECT_EQ(o.points[k][2], o.points[0][2]);
        }
        std::sort(lengths.begin(), lengths.end());
        EXPECT_NEAR(lengths[0], 1.0, 1e-9);
        EXPECT_NEAR(lengths[1], 1.0, 1e-9);
        EXPECT_NEAR(lengths[2], std::sqrt(2.0), 1e-9);
        std::vector<int> n = numbersOf(o.name);
        positions[n[0]].insert(n[1]);
        ASSERT_EQ(o.edges.size(), 6u);
        for (int k = 0; k < 3; ++k)
            sides[o.edges[k]].push_back({&o, k});
    }
    for (const auto& [net, pos] : positions)  // positions 0..n-1 in every net
        EXPECT_EQ(*pos.rbegin(), int(pos.size()) - 1) << "net " << net;

    // Closed cube: every edge has two sides. Diagonals are flat folds inside a
    // net, so their two copies coincide there.
    int folds = 0;
    for (const auto& [id, pair] : sides) {
        ASSERT_GE(id, 0.0);
        ASSERT_EQ(pair.size(), 2u) << "edge " << id;
        auto [a, ka] = pair[0];
        auto [b, kb] = pair[1];
        bool sameNet = numbersOf(a->name)[0] == numbersOf(b->name)[0];
        bool joined = near(a->points[ka], b->points[(kb + 1) % 3]) &&
                      near(a->points[(ka + 1) % 3], b->points[kb]);
        EXPECT_DOUBLE_EQ(a->edges[3 + ka], b->edges[3 + kb]);
        if (std::fabs(a->edges[3 + ka]) < 1e-5) {
            EXPECT_TRUE(sameNet && joined) << a->name << " " << b->name;
        }
        folds += sameNet && joined;
    }
    EXPECT_GE(folds, 6);
}

TEST_F(Sheet, LugsSitOnCutEdgesOfTheirTriangle) {
    unfoldCube(true);
    std::vector<SheetObject> triangles = sheetObjects("dft");
    std::vector<SheetObject> lugs = sheetObjects("lug");
    ASSERT_EQ(triangles.size(), 12u);
    ASSERT_FALSE(lugs.empty());
    std::map<std::string, const SheetObject*> byName;
    for (const SheetObject& t : triangles)
        byName[t.name] = &t;
    for (const SheetObject& lug : lugs) {
        ASSERT_TRUE(std::regex_match(lug.name, std::regex("lug[0-9]+_[0-9]+_[0-2]"))) << lug.name;
        ASSERT_EQ(lug.points.size(), 4u);
        EXPECT_EQ(lug.shadingGroup, "initialShadingGroup");
        std::vector<int> n = numbersOf(lug.name);
        const SheetObject* owner =
            byName["dft" + std::to_string(n[0]) + "_" + std::to_string(n[1])];
        ASSERT_NE(owner, nullptr) << lug.name;
        int k = n[2];
        EXPECT_TRUE(near(lug.points[0], owner->points[(k + 1) % 3]));
        EXPECT_TRUE(near(lug.points[1], owner->points[k]));
        for (const Point& p : lug.points)
            EXPECT_EQ(p[2], owner->points[0][2]);
        EXPECT_GE(owner->edges[k], 0.0);  // lugs only on shared edges
    }
}

// Everything the printed sheet is made of, read back from the scene.
::sheet::Sheet readSheet() {
    ::sheet::Sheet read;
    ::sheet::SceneCounts counts;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_TRUE(::sheet::readSheetFromScene(read, counts, warnings, error)) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ::sheet::classifyEdges(read);
    return read;
}

bool same(const ::sheet::Vec2& a, const ::sheet::Vec2& b) {
    return a.x == b.x && a.y == b.y;
}

void expectSameSheet(const ::sheet::Sheet& a, const ::sheet::Sheet& b) {
    ASSERT_EQ(a.nets.size(), b.nets.size());
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (size_t m = 0; m < a.materials.size(); ++m)
        EXPECT_EQ(a.materials[m].name, b.materials[m].name);
    for (size_t n = 0; n < a.nets.size(); ++n) {
        const ::sheet::Net& x = a.nets[n];
        const ::sheet::Net& y = b.nets[n];
        EXPECT_EQ(x.container, y.container);
        ASSERT_EQ(x.faces.size(), y.faces.size());
        ASSERT_EQ(x.lugs.size(), y.lugs.size());
        for (size_t f = 0; f < x.faces.size(); ++f) {
            const ::sheet::Face& p = x.faces[f];
            const ::sheet::Face& q = y.faces[f];
            EXPECT_EQ(p.position, q.position);
            EXPECT_EQ(p.material, q.material);
            EXPECT_EQ(p.hasUv, q.hasUv);
            for (int k = 0; k < 3; ++k) {
                EXPECT_TRUE(same(p.p[k], q.p[k]) && same(p.uv[k], q.uv[k]));
                EXPECT_EQ(p.edgeId[k], q.edgeId[k]);
                EXPECT_EQ(p.kind[k], q.kind[k]);
                EXPECT_EQ(p.glue[k], q.glue[k]);
            }
        }
        for (size_t l = 0; l < x.lugs.size(); ++l) {
            EXPECT_EQ(x.lugs[l].face, y.lugs[l].face);
            EXPECT_EQ(x.lugs[l].edge, y.lugs[l].edge);
            for (int i = 0; i < 4; ++i)
                EXPECT_TRUE(same(x.lugs[l].p[i], y.lugs[l].p[i]));
        }
    }
}

TEST_F(Sheet, RenamingEveryCreatedObjectLeavesTheSameSheet) {
    unfoldCube(true, "rb3", true);
    ::sheet::Sheet before = readSheet();
    ASSERT_GE(before.nets.size(), 2u);
    ASSERT_FALSE(before.nets[0].lugs.empty());

    // New names that sort the other way round and say nothing of nets.
    std::vector<std::string> created;
    for (const char* prefix : {"dft", "lug"})
        for (const SheetObject& o : sheetObjects(prefix))
            created.push_back(o.name);
    for (size_t i = 0; i < created.size(); ++i)
        ASSERT_TRUE(run("rename " + created[i] + " piece" + std::to_string(created.size() - i)));
    EXPECT_TRUE(sheetObjects("dft").empty());
    EXPECT_TRUE(sheetObjects("lug").empty());
    expectSameSheet(before, readSheet());
}

TEST_F(Sheet, MoreNetsThanNamesCanNumberAreReadWhole) {
    // On a 12 mm page a triangle fits but a joined hinge does not: every
    // triangle stays a net of its own, with its tab on the hinge, and the
    // names run out long before the nets do.
    const int hinges = 5010;
    addHinges("hinges", hinges);
    selectOnly({"hinges"});
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",edit=True,value=True)");
    setOption("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",edit=True,text='12')");
    setOption("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",edit=True,text='12')");
    ASSERT_TRUE(pressStart());
    ::sheet::Sheet read = readSheet();
    ASSERT_EQ(read.nets.size(), size_t(2 * hinges));
    EXPECT_GT(read.nets.back().container, 9999u);
    size_t tabs = 0;
    for (const ::sheet::Net& net : read.nets) {
        ASSERT_EQ(net.faces.size(), 1u);
        for (const ::sheet::Lug& lug : net.lugs) {
            // Each tab starts along its own face's edge, which is a numbered cut.
            const ::sheet::Face& face = net.faces[lug.face];
            EXPECT_TRUE(same(lug.p[0], face.p[(lug.edge + 1) % 3]) &&
                        same(lug.p[1], face.p[lug.edge]));
            EXPECT_EQ(face.kind[lug.edge], ::sheet::EdgeKind::Cut);
            EXPECT_GT(face.glue[lug.edge], 0);
            ++tabs;
        }
    }
    EXPECT_GE(tabs, size_t(hinges));
    EXPECT_EQ(tabs, sheetObjects("lug").size() + sheetObjects("unnamed").size() -
                        (2 * hinges - sheetObjects("dft").size()));
}

TEST_F(Sheet, MaterialsAndUVsFollowTheirSourceFace) {
    addCube("box", {0, 0, 0}, true);
    selectOnly({"box"});
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=False)");
    ASSERT_TRUE(pressStart());
    const sc::MeshData& source = *sc::meshOf(*sc::findNode("box"))->mesh;
    std::vector<SheetObject> triangles = sheetObjects("dft");
    ASSERT_EQ(triangles.size(), 12u);
    std::multiset<std::vector<int>> expected, found;
    const std::vector<int>& ids = *source.uvSets[0].faceVertexIds;
    for (size_t f = 0; f + 2 < ids.size(); f += 3)
        expected.insert({ids[f], ids[f + 1], ids[f + 2]});
    sc::FloatBuffer sharedU;
    for (const SheetObject& o : triangles) {
        ASSERT_EQ(o.uvIds.size(), 3u) << o.name;
        found.insert(o.uvIds);
        int quad = o.uvIds[0] / 4;  // every quad has four UV ids of its own
        EXPECT_EQ(o.uvIds[1] / 4, quad);
        EXPECT_EQ(o.uvIds[2] / 4, quad);
        EXPECT_EQ(o.shadingGroup, quad < 3 ? "redSG" : "blueSG") << o.name;
        const sc::MeshData& mesh = *sc::meshOf(*sc::findNode(o.name))->mesh;
        if (!sharedU)
            sharedU = mesh.uvSets[0].u;
        EXPECT_EQ(mesh.uvSets[0].u.get(), sharedU.get()) << "one UV array for every triangle";
        EXPECT_EQ(*mesh.uvSets[0].u, *source.uvSets[0].u);
    }
    EXPECT_EQ(found, expected);
}

// The blue half of the cube has neither UVs nor colours: its triangles must
// get none, not the ids of the face drawn before them.
TEST_F(Sheet, FacesWithoutUVsOrColoursGetNone) {
    sc::Node& shape = addCube("box", {0, 0, 0}, true);
    auto data = std::make_shared<sc::MeshData>(*shape.mesh);
    std::vector<int> uvIds = *data->uvSets[0].faceVertexIds, colorIds;
    for (int i = 0; i < 24; ++i) {
        colorIds.push_back(i < 12 ? i % 4 : -1);
        if (i >= 12)
            uvIds[i] = -1;
    }
    data->uvSets[0].faceVertexIds = std::make_shared<std::vector<int>>(uvIds);
    sc::ColorSet colours;
    colours.name = "colorSet1";
    colours.colors = std::make_shared<std::vector<MColor>>(
        std::vector<MColor>{MColor(1, 0, 0), MColor(0, 1, 0), MColor(0, 0, 1), MColor(1, 1, 1)});
    colours.faceVertexIds = std::make_shared<std::vector<int>>(colorIds);
    data->colorSets.push_back(colours);
    data->currentColorSet = 0;
    sc::setMeshData(shape, data);
    selectOnly({"box"});
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=False)");
    ASSERT_TRUE(pressStart());

    int red = 0, blue = 0;
    for (const SheetObject& o : sheetObjects("dft")) {
        const sc::MeshData& mesh = *sc::meshOf(*sc::findNode(o.name))->mesh;
        const sc::ColorSet* set = mesh.colorSet("ColorSet");
        ASSERT_NE(set, nullptr) << o.name;
        EXPECT_EQ(set->colors->size(), 4u) << "the selection's colours";
        std::vector<int> colourIds(set->faceVertexIds->begin(), set->faceVertexIds->end());
        if (o.shadingGroup == "redSG") {
            ++red;
            ASSERT_EQ(o.uvIds.size(), 3u);
            for (int k = 0; k < 3; ++k)
                EXPECT_GE(o.uvIds[k], 0) << o.name;
            ASSERT_EQ(colourIds.size(), 3u) << o.name;
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(colourIds[k], o.uvIds[k] % 4) << o.name;
        } else {
            ++blue;
            for (int id : o.uvIds)
                EXPECT_EQ(id, -1) << o.name;
            for (int id : colourIds)
                EXPECT_EQ(id, -1) << o.name;
        }
    }
    EXPECT_EQ(red, 6);
    EXPECT_EQ(blue, 6);
}

TEST_F(Sheet, UntickedKeepMaterialsPutsEverythingIntoTheDefaultGroup) {
    addCube("box", {0, 0, 0}, true);
    selectOnly({"box"});
    openWindow();
    setOption("cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",edit=True,value=False)");
    ASSERT_TRUE(pressStart());
    std::vector<SheetObject> triangles = sheetObjects("dft");
    ASSERT_EQ(triangles.size(), 12u);
    for (const SheetObject& o : triangles)
        EXPECT_EQ(o.shadingGroup, "initialShadingGroup") << o.name;
}

TEST_F(Sheet, SideBySideRowsTheNetsAlongX) {
    unfoldCube(true, KIVANO_CONTROL_SIDE_BY_SIDE, true);
    std::map<int, Box> boxes = netBoxes();
    ASSERT_GT(boxes.size(), 1u);
    const Box* previous = nullptr;
    for (const auto& [net, box] : boxes) {
        EXPECT_EQ(box.z, 0.0);
        EXPECT_NEAR(box.miny + box.maxy, 0.0, 1e-9) << "net " << net;
        if (!previous) {
            EXPECT_NEAR(box.minx + box.maxx, 0.0, 1e-9);
        } else {
            double gap = (box.minx + box.maxx) / 2 - (previous->minx + previous->maxx) / 2;
            EXPECT_NEAR(gap, 0.55 * ((box.maxx - box.minx) + (previous->maxx - previous->minx)),
                        1e-9);
        }
        previous = &box;
    }
}

TEST_F(Sheet, LayersStackTheNetsOnTheZAxis) {
    unfoldCube(true, KIVANO_CONTROL_LAYERED, true);
    std::map<int, Box> boxes = netBoxes();
    ASSERT_GT(boxes.size(), 1u);
    int layer = 0;
    for (const auto& [net, box] : boxes) {
        EXPECT_EQ(box.z, double(layer++)) << "net " << net;
        EXPECT_NEAR(box.minx + box.maxx, 0.0, 1e-9);
        EXPECT_NEAR(box.miny + box.maxy, 0.0, 1e-9);
    }
}

TEST_F(Sheet, AnimationShowsOneNetPerFrame) {
    unfoldCube(true, KIVANO_CONTROL_ANIMATION, true);
    std::map<int, Box> boxes = netBoxes();
    ASSERT_GT(boxes.size(), 1u);
    EXPECT_EQ(sc::minTime(), 0.0);
    EXPECT_EQ(sc::maxTime(), double(boxes.size() - 1));
    std::map<int, int> frameOfNet;
    for (const auto& [net, box] : boxes) {
        int frame = int(frameOfNet.size());
        frameOfNet[net] = frame;
        EXPECT_EQ(box.z, 0.0);
        EXPECT_NEAR(box.minx + box.maxx, 0.0, 1e-9);
    }
    for (const char* prefix : {"dft", "lug"})
        for (const SheetObject& o : sheetObjects(prefix)) {
            int f = frameOfNet[numbersOf(o.name)[0]];
            const sc::Node& node = *sc::findNode(o.name);
            EXPECT_EQ(sc::getAttr(node, "visibility", f)->number, 1.0) << o.name;
            EXPECT_EQ(sc::getAttr(node, "visibility", f + 1)->number, 0.0) << o.name;
            if (f > 0) {
                EXPECT_EQ(sc::getAttr(node, "visibility", f - 1)->number, 0.0) << o.name;
            }
        }
}

TEST_F(Sheet, SliverTriangleIsDrawnOnItsOwnWithFinitePoints) {
    addStripWithSliver("strip");
    selectOnly({"strip"});
    openWindow();
    ASSERT_TRUE(pressStart());
    std::vector<SheetObject> triangles = sheetObjects("dft");
    EXPECT_EQ(triangles.size(), 5u);
    for (const char* prefix : {"dft", "lug"})
        for (const SheetObject& o : sheetObjects(prefix))
            for (const Point& p : o.points)
                EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
                    << o.name;
    int slivers = 0;
    for (const SheetObject& o : triangles) {
        double ux = o.points[1][0] - o.points[0][0], uy = o.points[1][1] - o.points[0][1];
        double vx = o.points[2][0] - o.points[0][0], vy = o.points[2][1] - o.points[0][1];
        if (std::fabs(ux * vy - uy * vx) > 1e-12)
            continue;
        ++slivers;
        EXPECT_EQ(o.edges[0], -1.0);
        EXPECT_EQ(o.edges[1], -1.0);
        EXPECT_EQ(o.edges[2], -1.0);
    }
    EXPECT_EQ(slivers, 1);
}

}  // namespace
