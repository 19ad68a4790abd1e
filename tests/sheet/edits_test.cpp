// Random joins, cuts and tab changes over the sample meshes, each followed by the
// invariants a person relies on: every face printed once, as it is on the
// model, no two pieces of a net over each other (by Clipper, not the
// editor's own test), both sides of every cut numbered alike; and undoing
// everything gives back the sheet as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "polygon_checks.h"
#include "sheet_edits.h"
#include "test_meshes.h"

namespace sheet {
namespace {

namespace cl = ClipperLib;
using testing::pathOf;
using testing::Shape;
using testing::shapeOf;

using FaceKey = std::array<int, 3>;

FaceKey keyOf(const Face& f) {
    return {f.edgeId[0], f.edgeId[1], f.edgeId[2]};
}

void expectSound(const Sheet& sheet, const std::map<FaceKey, Shape>& original,
                 const std::string& where) {
    std::map<FaceKey, int> seen;
    std::map<int, std::vector<int>> glueOf;  // edge id -> glue numbers of its cut sides
    for (const Net& net : sheet.nets) {
        std::vector<cl::Path> pieces;
        for (const Face& f : net.faces) {
            ++seen[keyOf(f)];
            auto shape = original.find(keyOf(f));
            ASSERT_NE(shape, original.end()) << where;
            Shape now = shapeOf(f);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(now.sides[k], shape->second.sides[k], 1e-6) << where;
            EXPECT_GT(now.area * shape->second.area, 0.0) << where << ": a face was mirrored";
            pieces.push_back(pathOf(f.p, 3));
            for (int k = 0; k < 3; ++k)
                if (f.kind[k] == EdgeKind::Cut && f.edgeId[k] != kNoEdgeId)
                    glueOf[f.edgeId[k]].push_back(f.glue[k]);
        }
        for (const Lug& lug : net.lugs)
            pieces.push_back(pathOf(lug.p, 4));
        for (size_t i = 0; i < pieces.size(); ++i)
            for (size_t j = i + 1; j < pieces.size(); ++j)
                EXPECT_LT(testing::sharedArea({pieces[i]}, {pieces[j]}), 1e-4)
                    << where << ": two pieces of a net lie over each other";
    }
    EXPECT_EQ(seen.size(), original.size()) << where;
    for (const auto& [key, times] : seen)
        EXPECT_EQ(times, 1) << where;
    for (const auto& [id, numbers] : glueOf)
        if (numbers.size() == 2) {
            EXPECT_EQ(numbers[0], numbers[1]) << where << ": edge " << id;
            EXPECT_GT(numbers[0], 0) << where;
        }
}

bool sameSheet(const Sheet& a, const Sheet& b) {
    if (a.nets.size() != b.nets.size())
        return false;
    for (size_t n = 0; n < a.nets.size(); ++n) {
        const Net &x = a.nets[n], &y = b.nets[n];
        if (x.container != y.container || x.faces.size() != y.faces.size() ||
            x.lugs.size() != y.lugs.size())
            return false;
        for (size_t l = 0; l < x.lugs.size(); ++l)
            for (int k = 0; k < 4; ++k)
                if (x.lugs[l].p[k].x != y.lugs[l].p[k].x || x.lugs[l].p[k].y != y.lugs[l].p[k].y)
                    return false;
        for (size_t f = 0; f < x.faces.size(); ++f)
            for (int k = 0; k < 3; ++k)
                if (x.faces[f].p[k].x != y.faces[f].p[k].x ||
                    x.faces[f].p[k].y != y.faces[f].p[k].y ||
                    x.faces[f].joined[k] != y.faces[f].joined[k] ||
                    x.faces[f].glue[k] != y.faces[f].glue[k])
                    return false;
    }
    return true;
}

TEST(SheetEdits, RandomJoinsAndCutsKeepTheSheetSoundAndUndoGivesItBack) {
    std::mt19937 random(5);
    for (const testing::Mesh& mesh : testing::sampleMeshes()) {
        Sheet sheet = testing::unfoldSimply(mesh, 3, 4.0);
        SheetEditor editor(sheet);
        Sheet automatic = sheet;
        std::map<FaceKey, Shape> original;
        std::vector<int> ids;
        for (const Net& net : sheet.nets)
            for (const Face& f : net.faces) {
                original[keyOf(f)] = shapeOf(f);
                for (int id : f.edgeId)
                    if (id != kNoEdgeId)
                        ids.push_back(id);
            }
        int done = 0, refused = 0;
        for (int step = 0; step < 80; ++step) {
            int id = ids[random() % ids.size()];
            Sheet before = sheet;
            unsigned op = random() % 4;
            EditOutcome outcome = op == 0   ? editor.join(id)
                                  : op == 1 ? editor.cut(id)
                                  : op == 2 ? editor.flipTab(id)
                                            : editor.setTab(id, random() % 2 == 0);
            std::string where = mesh.name + ", step " + std::to_string(step);
            if (!outcome.done) {
                ++refused;
                EXPECT_FALSE(outcome.refusal.empty()) << where;
                EXPECT_TRUE(sameSheet(before, sheet)) << where << ": a refused edit changed it";
                continue;
            }
            ++done;
            expectSound(sheet, original, where);
        }
        EXPECT_GT(done, 5) << mesh.name;
        // The decisions alone make the same sheet, to the last bit, in one step.
        Sheet again = testing::unfoldSimply(mesh, 3, 4.0);
        SheetEditor replay(again);
        std::vector<std::string> problems;
        ASSERT_TRUE(replay.apply(editor.decisions(), false, problems)) << mesh.name;
        EXPECT_TRUE(sameSheet(sheet, again)) << mesh.name << ": the decisions made another sheet";
        EXPECT_EQ(editor.undoSteps(), size_t(done)) << mesh.name;
        while (editor.undo()) {
        }
        EXPECT_TRUE(sameSheet(automatic, sheet)) << mesh.name << ": undo did not give it back";
        ASSERT_TRUE(editor.redo());
        expectSound(sheet, original, mesh.name + ", redone");
    }
}

// A saddle: three faces round a corner whose angles add up to more than a
// turn. Joining the third to the other two would lay it over the first:
// refused in a sentence that counts the faces, and nothing changes.
TEST(SheetEdits, AJoinThatWouldOverlapIsRefusedInWords) {
    testing::Mesh saddle;
    saddle.name = "saddle";
    const double r = 30.0, pi = std::acos(-1.0);
    saddle.vertices = {{0, 0, 0},
                       {r, 0, 0},
                       {r * std::cos(pi * 5 / 6), r * std::sin(pi * 5 / 6), 0},
                       {r * std::cos(pi * 5 / 3), r * std::sin(pi * 5 / 3), 0},
                       {0, r, r}};
    saddle.triangles = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
    Sheet sheet = testing::unfoldSimply(saddle, 1, 0.0);
    ASSERT_EQ(sheet.nets.size(), 3u);
    auto shared = [&](size_t a, size_t b) {
        for (int x : sheet.nets[a].faces[0].edgeId)
            for (int y : sheet.nets[b].faces[0].edgeId)
                if (x == y && x != kNoEdgeId)
                    return x;
        return kNoEdgeId;
    };
    int first = shared(0, 1), second = shared(1, 2);
    SheetEditor editor(sheet);
    ASSERT_TRUE(editor.join(first).done);
    Sheet before = sheet;
    EditOutcome outcome = editor.join(second);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.refusal, "joining would lay 1 face over net 1's faces");
    EXPECT_TRUE(sameSheet(before, sheet));
    EXPECT_EQ(editor.undoSteps(), 1u);

    // With a page limit the first join of two faces 30 mm long is refused
    // below their joined size.
    Sheet again = testing::unfoldSimply(saddle, 1, 0.0);
    SheetEditor limited(again);
    limited.limitNets(20.0, 20.0);
    EditOutcome tooLarge = limited.join(first);
    EXPECT_FALSE(tooLarge.done);
    EXPECT_EQ(tooLarge.refusal.rfind("joining would make net 1 ", 0), 0u) << tooLarge.refusal;
}

// A cut fold gets one tab, shaped as the unfolding shapes them: on the
// edge, away from its face, as wide as the face across reaches but at most
// the tab width, with flanks at 45 degrees; flipping moves it across, and
// switching it off leaves the edge bare.
TEST(SheetEdits, ACutFoldGetsATabThatFlipsAndGoes) {
    Sheet sheet = testing::unfoldSimply(testing::cube(40.0), 0, 4.0);
    SheetEditor editor(sheet, 4.0);
    int fold = kNoEdgeId;
    for (const Face& f : sheet.nets[0].faces)
        for (int k = 0; k < 3 && fold == kNoEdgeId; ++k)
            if (f.joined[k] && f.kind[k] != EdgeKind::Flat)
                fold = f.edgeId[k];
    ASSERT_NE(fold, kNoEdgeId);
    auto tabsOn = [&](int id) {
        std::vector<std::pair<const Lug*, const Face*>> found;
        for (const Net& net : sheet.nets)
            for (const Lug& lug : net.lugs)
                if (net.faces[lug.face].edgeId[lug.edge] == id)
                    found.push_back({&lug, &net.faces[lug.face]});
        return found;
    };
    ASSERT_TRUE(editor.cut(fold).done);
    auto tabs = tabsOn(fold);
    ASSERT_EQ(tabs.size(), 1u);
    const Lug& lug = *tabs[0].first;
    const Face& face = *tabs[0].second;
    Vec2 a = face.p[lug.edge], b = face.p[(lug.edge + 1) % 3], c = face.p[(lug.edge + 2) % 3];
    double length = std::hypot(b.x - a.x, b.y - a.y);
    auto side = [&](Vec2 p) {  // signed distance from the edge's line, positive towards c
        double d = ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / length;
        double towards = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        return towards > 0 ? d : -d;
    };
    EXPECT_NEAR(std::hypot(lug.p[0].x - b.x, lug.p[0].y - b.y), 0.0, 1e-9);
    EXPECT_NEAR(std::hypot(lug.p[1].x - a.x, lug.p[1].y - a.y), 0.0, 1e-9);
    EXPECT_NEAR(side(lug.p[2]), -4.0, 1e-9);  // a cube's faces reach 40 mm over the edge
    EXPECT_NEAR(side(lug.p[3]), -4.0, 1e-9);
    EXPECT_NEAR(std::hypot(lug.p[2].x - a.x, lug.p[2].y - a.y), 4.0 * std::sqrt(2.0), 1e-9);

    ASSERT_TRUE(editor.flipTab(fold).done);
    tabs = tabsOn(fold);
    ASSERT_EQ(tabs.size(), 1u);
    EXPECT_NE(tabs[0].second, &face);
    ASSERT_TRUE(editor.setTab(fold, false).done);
    EXPECT_TRUE(tabsOn(fold).empty());
    EXPECT_FALSE(editor.flipTab(fold).done);
    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(tabsOn(fold).size(), 1u);
}

}  // namespace
}  // namespace sheet
