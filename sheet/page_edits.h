#pragma once
// An edited sheet on its pages: the edits of the sheet editor (join, cut,
// tabs), and where each net lies (move, turn, repack), each undoable, with
// the layout following. A net keeps its place and its number through every
// edit that leaves it alone; one an edit changed stays where its first face
// was if it has room there, and goes to the first free spot otherwise.
//
// A net is named by its first face (Face::origin), which no edit of another
// net changes; its number and place are the person's (or the layout's), and
// the same records give the same pages to the bit.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "layout.h"
#include "sheet_edits.h"

namespace sheet {

struct NetRecord {
    int number = 0;
    NetPlace place;
    bool pinned = false;  // moved or turned by hand: repacking leaves it
};

class PageEditor {
public:
    // `sheet` holds the nets as unfolded and classified (it becomes the
    // edited sheet and must outlive the editor); `automatic` is its layout,
    // untiled, which the editor starts from.
    PageEditor(Sheet& sheet, Layout automatic, const LayoutOptions& options, double lugWidth = 4.0,
               double flatAngle = kFlatFoldAngle);

    EditOutcome join(int edgeId);
    EditOutcome cut(int edgeId);
    EditOutcome flipTab(int edgeId);
    EditOutcome setTab(int edgeId, bool on);
    // Net `number` to `place` (its page may be the one after the last, a new
    // one); refused where it would lie over another net or leave the
    // printable area. The net is pinned.
    EditOutcome move(int number, const NetPlace& place);
    // Net `number` turned about its middle, clockwise on the page.
    EditOutcome turn(int number, double degrees);
    // Every net not pinned packed again around those that are.
    EditOutcome repack();
    bool undo();
    bool redo();
    size_t undoSteps() const { return undo_.size(); }

    // Makes the sheet what a project says: its decisions, then its nets'
    // numbers and places (by first face). Nets it names no place for are put
    // where there is room. As SheetEditor::apply.
    bool apply(const SheetDecisions& decisions, const std::map<int, NetRecord>& nets, bool lenient,
               std::vector<std::string>& problems);

    const SheetEditor& sheetEditor() const { return editor_; }
    void limitNets(double width, double height) { editor_.limitNets(width, height); }
    // How refusals name an edge, by its id.
    void nameEdges(std::function<std::string(int)> name) {
        editor_.setNamer({std::move(name), netNamer()});
    }
    const Sheet& sheet() const { return sheet_; }
    // The pages, untiled.
    const Layout& layout() const { return layout_; }
    // By first face.
    const std::map<int, NetRecord>& records() const { return records_; }
    // The net numbered `number`'s first face, or -1.
    int anchorOf(int number) const;
    // The pages (from 0) the last edit changed; all of them when their count
    // changed, since every page prints it.
    const std::vector<int>& changedPages() const { return changed_; }
    // The numbers of the nets the last edit laid anew, moved, made or took
    // away (a joined net's number is gone).
    const std::vector<int>& changedNets() const { return changedNets_; }

private:
    struct Snapshot {
        bool sheetStep = false;
        std::map<int, NetRecord> records;
    };
    struct Placed {
        Net frame;  // the net it was laid from
        NetRecord record;
        PlacedNet placed;
        unsigned serial = 0;  // tells one laying of a net from another
    };
    std::function<std::string(const Net&)> netNamer();
    EditOutcome sheetEdit(EditOutcome outcome, std::map<int, NetRecord> before);
    void relayout(bool settle);
    const Placed& placedFor(int anchor, unsigned index, const Net& net, const NetRecord& r,
                            bool& asLaidOut);
    void frame(Page& page, size_t index, bool asLaidOut) const;
    bool step(std::vector<Snapshot>& from, std::vector<Snapshot>& to, bool back);
    void findSpot(const Net& net, unsigned index, int anchor, NetRecord& record);
    std::string clashOf(const PlacedNet& placed, int page, int anchor) const;
    EditOutcome placeAt(int number, const NetPlace& place);

    Sheet& sheet_;
    SheetEditor editor_;
    LayoutOptions options_;
    Layout layout_;
    std::vector<Page> automaticFrames_;  // the layout's pages, without their nets
    std::map<int, Placed> automatic_;    // the layout's own, by first face
    std::map<int, Placed> cache_;        // the last laid, by first face
    std::map<int, NetRecord> records_;
    struct Shown {
        int page = 0;
        unsigned serial = 0;
        int number = 0;
    };
    std::map<int, Shown> shown_;  // by first face
    std::vector<int> changedNets_;
    unsigned serial_ = 0;
    std::set<int> laidNow_;  // laid anew since the last edit began
    std::vector<int> changed_;
    std::vector<Snapshot> undo_, redo_;
};

}  // namespace sheet
