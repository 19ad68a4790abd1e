#pragma once
// A person's changes to an unfolded sheet, before it is laid out: joining
// two nets along an edge that was cut, and cutting an edge that was folded.
// Each edit keeps every face as it was on the model (only moved and turned
// on paper, never bent or mirrored), leaves the sheet classified (kinds and
// glue numbers), and can be undone and redone.
#include <string>
#include <vector>

#include "common/tolerances.h"
#include "sheet_model.h"

namespace sheet {

struct EditOutcome {
    bool done = false;
    std::string refusal;  // why not, in one sentence, when not done
};

class SheetEditor {
public:
    // The sheet must outlive the editor; it is classified at once. Tabs the
    // edits make are at most `lugWidth` mm wide, as the unfolding's are.
    explicit SheetEditor(Sheet& sheet, double lugWidth = 4.0, double flatAngle = kFlatFoldAngle);

    // The edge's two nets become one, the second laid against the first
    // along the edge; refused when a face or tab would lie over another.
    // Both sides of a cut in one net join only where they already meet.
    EditOutcome join(int edgeId);
    // Joins that would make a net larger than width x height mm (either way
    // round), tabs included, are refused from now on.
    void limitNets(double width, double height);
    // The fold becomes a cut with a tab on the side the unfolding would
    // give it, or the other where that one has no room; where the fold was
    // the net's only link between two parts, they become two nets.
    EditOutcome cut(int edgeId);
    // The cut edge's tab goes to its other side; refused where it has no
    // room there.
    EditOutcome flipTab(int edgeId);
    // The cut edge gets a tab (on the side the unfolding would give it, or
    // the other) or loses its tab.
    EditOutcome setTab(int edgeId, bool on);

    bool undo();
    bool redo();
    size_t undoSteps() const { return undo_.size(); }

private:
    struct Snapshot {
        std::vector<Net> nets;
        std::vector<ModelTriangle> model;
    };
    Snapshot snapshot() const;
    void restore(Snapshot&& s);
    bool step(std::vector<Snapshot>& from, std::vector<Snapshot>& to);
    void settle();

    Sheet& sheet_;
    double lugWidth_;
    double flatAngle_;
    double limitWidth_ = 0.0, limitHeight_ = 0.0;  // 0: no limit
    std::vector<Snapshot> undo_, redo_;
};

}  // namespace sheet
