// Random edits of sheets on their pages over the sample meshes, each
// followed by what a person cutting them relies on: every face printed once
// and as it is on the model, no two pieces of a net and no two nets of a
// page over each other, every net inside its page's printable area (by
// Clipper, not the editor's own test), both sides of a cut numbered alike;
// undoing
// everything gives back the automatic pages to the bit; and the records
// alone (as a project keeps them) give the same pages to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>

#include "page_edits.h"
#include "polygon_checks.h"
#include "test_meshes.h"

namespace sheet {
namespace {

namespace cl = ClipperLib;
using testing::pathOf;
using testing::Shape;
using testing::shapeOf;
using testing::sharedArea;

// Each net's cut outline (faces and tabs) as one set of polygons.
cl::Paths outlineOf(const PlacedNet& net) {
    cl::Clipper clipper;
    for (const Face& f : net.geometry.faces)
        clipper.AddPath(pathOf(f.p, 3), cl::ptSubject, true);
    for (const Lug& lug : net.geometry.lugs)
        clipper.AddPath(pathOf(lug.p, 4), cl::ptSubject, true);
    cl::Paths united;
    clipper.Execute(cl::ctUnion, united, cl::pftNonZero, cl::pftNonZero);
    return united;
}

// Every face as it is on the model (the page turns them all over alike,
// never one alone), no two pieces of a net over each other, both sides of
// every cut edge numbered alike.
void expectSoundNets(const Layout& layout, const std::map<int, Shape>& original,
                     const std::string& where) {
    std::map<int, std::vector<int>> glueOf;  // edge id -> numbers of its cut sides
    std::set<bool> flipped;
    for (const Page& page : layout.pages)
        for (const PlacedNet& net : page.nets) {
            std::vector<cl::Path> pieces;
            for (const Face& f : net.geometry.faces) {
                const Shape& before = original.at(f.origin);
                Shape now = shapeOf(f);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(now.sides[k], before.sides[k], 1e-6) << where;
                flipped.insert(now.area * before.area < 0);
                pieces.push_back(pathOf(f.p, 3));
                for (int k = 0; k < 3; ++k)
                    if (f.kind[k] == EdgeKind::Cut && f.glue[k] > 0)
                        glueOf[f.edgeId[k]].push_back(f.glue[k]);
            }
            for (const Lug& lug : net.geometry.lugs)
                pieces.push_back(pathOf(lug.p, 4));
            for (size_t i = 0; i < pieces.size(); ++i)
                for (size_t j = i + 1; j < pieces.size(); ++j)
                    EXPECT_LT(sharedArea({pieces[i]}, {pieces[j]}), 1e-4)
                        << where << ": two pieces of net " << net.number << " lie over each other";
        }
    EXPECT_EQ(flipped.size(), 1u) << where << ": a face was mirrored";
    for (const auto& [id, numbers] : glueOf)
        if (numbers.size() == 2) {
            EXPECT_EQ(numbers[0], numbers[1]) << where << ": edge " << id;
        }
}

void expectPrintable(const Layout& layout, size_t faces, const std::string& where) {
    std::map<int, int> printed;
    for (size_t p = 0; p < layout.pages.size(); ++p) {
        const Page& page = layout.pages[p];
        EXPECT_FALSE(page.nets.empty()) << where << ": page " << p + 1 << " is empty";
        std::vector<cl::Paths> outlines;
        for (const PlacedNet& net : page.nets) {
            for (const Face& f : net.geometry.faces) {
                ++printed[f.origin];
                for (const Vec2& c : f.p) {
                    EXPECT_GE(c.x, 10.0 - 1e-6) << where;
                    EXPECT_LE(c.x, page.width - 10.0 + 1e-6) << where;
                    EXPECT_GE(c.y, 10.0 - 1e-6) << where;
                }
            }
            outlines.push_back(outlineOf(net));
        }
        for (size_t i = 0; i < outlines.size(); ++i)
            for (size_t j = i + 1; j < outlines.size(); ++j)
                EXPECT_LT(sharedArea(outlines[i], outlines[j]), 1e-4)
                    << where << ": nets " << page.nets[i].number << " and " << page.nets[j].number
                    << " lie over each other on page " << p + 1;
    }
    EXPECT_EQ(printed.size(), faces) << where;
    for (const auto& [origin, times] : printed)
        EXPECT_EQ(times, 1) << where << ": face " << origin;
}

bool samePages(const Layout& a, const Layout& b) {
    if (a.pages.size() != b.pages.size())
        return false;
    for (size_t p = 0; p < a.pages.size(); ++p) {
        const Page &x = a.pages[p], &y = b.pages[p];
        if (x.width != y.width || x.height != y.height || x.nets.size() != y.nets.size())
            return false;
        for (size_t n = 0; n < x.nets.size(); ++n) {
            const PlacedNet &u = x.nets[n], &v = y.nets[n];
            if (u.number != v.number || u.geometry.faces.size() != v.geometry.faces.size() ||
                u.labels.size() != v.labels.size() ||
                u.geometry.lugs.size() != v.geometry.lugs.size())
                return false;
            for (size_t f = 0; f < u.geometry.faces.size(); ++f)
                for (int k = 0; k < 3; ++k)
                    if (u.geometry.faces[f].p[k].x != v.geometry.faces[f].p[k].x ||
                        u.geometry.faces[f].p[k].y != v.geometry.faces[f].p[k].y ||
                        u.geometry.faces[f].glue[k] != v.geometry.faces[f].glue[k])
                        return false;
            for (size_t l = 0; l < u.labels.size(); ++l)
                if (u.labels[l].text != v.labels[l].text ||
                    u.labels[l].centre.x != v.labels[l].centre.x ||
                    u.labels[l].centre.y != v.labels[l].centre.y)
                    return false;
        }
    }
    return true;
}

TEST(PageEdits, RandomEditsKeepPagesCuttableAndUndoAndRecordsGiveThemBack) {
    std::mt19937 random(11);
    for (const testing::Mesh& mesh : testing::sampleMeshes()) {
        Sheet sheet = testing::unfoldSimply(mesh, 3, 4.0);
        Layout automatic = testing::layoutOf(sheet);
        PageEditor editor(sheet, automatic, {});
        Layout first = editor.layout();
        std::map<int, Shape> original;
        for (const Net& net : editor.sheet().nets)
            for (const Face& f : net.faces)
                original[f.origin] = shapeOf(f);
        size_t faces = editor.sheetEditor().faceCount();
        int done = 0;
        for (int step = 0; step < 40; ++step) {
            std::string where = mesh.name + ", step " + std::to_string(step);
            std::vector<int> ids;
            for (const Net& net : editor.sheet().nets)
                for (const Face& f : net.faces)
                    for (int id : f.edgeId)
                        if (id != kNoEdgeId)
                            ids.push_back(id);
            int id = ids[random() % ids.size()];
            int number = editor.records().begin()->second.number;
            auto pick = random() % editor.records().size();
            for (const auto& [anchor, record] : editor.records())
                if (pick-- == 0)
                    number = record.number;
            Layout before = editor.layout();
            EditOutcome outcome;
            switch (random() % 7) {
            case 0:
            case 1:
                outcome = editor.join(id);
                break;
            case 2:
                outcome = editor.cut(id);
                break;
            case 3:
                outcome = editor.flipTab(id);
                break;
            case 4:
                outcome = editor.move(
                    number, {int(random() % (editor.layout().pages.size() + 1)),
                             double(20 + random() % 150), double(20 + random() % 240), 0.0});
                break;
            case 5:
                outcome = editor.turn(number, double(random() % 360));
                break;
            default:
                outcome = editor.repack();
            }
            if (!outcome.done) {
                EXPECT_FALSE(outcome.refusal.empty()) << where;
                EXPECT_TRUE(samePages(before, editor.layout())) << where << ": refused, changed";
                continue;
            }
            ++done;
            expectPrintable(editor.layout(), faces, where);
            expectSoundNets(editor.layout(), original, where);
        }
        EXPECT_GT(done, 5) << mesh.name;

        // A project keeps the decisions and the records.
        Sheet again = testing::unfoldSimply(mesh, 3, 4.0);
        Layout againLaid = testing::layoutOf(again);
        PageEditor replay(again, againLaid, {});
        std::vector<std::string> problems;
        ASSERT_TRUE(
            replay.apply(editor.sheetEditor().decisions(), editor.records(), false, problems))
            << mesh.name;
        EXPECT_TRUE(samePages(editor.layout(), replay.layout()))
            << mesh.name << ": the records made other pages";

        while (editor.undo()) {
        }
        EXPECT_TRUE(samePages(first, editor.layout())) << mesh.name << ": undo did not";
    }
}

}  // namespace
}  // namespace sheet
