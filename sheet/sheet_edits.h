#pragma once
// A person's changes to an unfolded sheet, before it is laid out: joining
// two nets along an edge that was cut, cutting an edge that was folded, and
// where the tab of a cut edge goes. Each edit keeps every face as it was on
// the model (only moved and turned on paper, never bent or mirrored), leaves
// the sheet classified (kinds and glue numbers), and can be undone and redone.
//
// The sheet is always what its decisions make of the sheet as unfolded: a
// net nobody changed is exactly the unfolding's, any other is laid flat anew
// from its first face, and glue numbers stay what they were where their
// seam still stands. So the same decisions give the same sheet to the last
// bit, whatever edits led to them: a project file prints what was on screen.
#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/tolerances.h"
#include "sheet_model.h"

namespace sheet {

struct EditOutcome {
    bool done = false;
    std::string refusal;  // why not, in one sentence, when not done
};

// One side of an edge two faces share: the face by its place in the sheet
// as unfolded (Face::origin), and its edge k.
struct EdgeSide {
    int face = -1;
    int edge = 0;
};

// Everything about a sheet that a person can decide, one entry per edge two
// faces share (in the editor's order of edges).
struct SheetDecisions {
    std::vector<char> fold;
    std::vector<signed char> tab;  // the side (0 or 1) that carries it; -1: none
    std::vector<int> glue;         // the number a cut edge prints; 0: none yet
};

class SheetEditor {
public:
    // The sheet must outlive the editor; it is classified at once. Tabs the
    // edits make are at most `lugWidth` mm wide, as the unfolding's are.
    explicit SheetEditor(Sheet& sheet, double lugWidth = 4.0, double flatAngle = kFlatFoldAngle);

    // The edge's two nets become one, the second laid against the first
    // along the edge; refused when a face would lie over another. A tab
    // that would lie under the joined net goes to its edge's other side, or
    // is left off where that has no room.
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

    // The edges two faces share, each with its two sides.
    size_t edgeCount() const { return sides_.size(); }
    const EdgeSide* sidesOf(size_t edge) const { return sides_[edge].data(); }
    // The edge of an edge id, or -1, and back.
    int edgeOf(int edgeId) const;
    int idOf(size_t edge) const {
        return pristine_[size_t(sides_[edge][0].face)].edgeId[sides_[edge][0].edge];
    }
    size_t faceCount() const { return pristine_.size(); }

    const SheetDecisions& decisions() const { return now_; }
    // Makes the sheet what `decisions` say, as one edit. Folds that cannot
    // be laid flat (their faces would lie apart or over each other) are cut
    // instead; each such net is named in `problems`. `lenient` keeps the rest
    // of such a net as the unfolding had it, so that it always prints; else
    // the problems are all the caller learns and nothing changes.
    bool apply(SheetDecisions decisions, bool lenient, std::vector<std::string>& problems);

    // How refusals name an edge (by its id) and a net; "edge 12" and "net 3"
    // (its place in the sheet, from 1) unless told.
    struct Namer {
        std::function<std::string(int)> edge;
        std::function<std::string(const Net&)> net;
    };
    void setNamer(Namer namer) { namer_ = std::move(namer); }

    // The first face (least Face::origin) of each net, in the sheet's order,
    // which is also the order of these faces.
    std::vector<int> anchors() const;

private:
    struct Snapshot {
        SheetDecisions decisions;
    };
    // Where a side of an edge lies now.
    struct Found {
        size_t net;
        unsigned face;
        int edge;
    };
    Found find(int edge, int side) const;
    std::string edgeName(int edgeId) const;
    std::string netName(size_t index) const;
    void locate();
    void rebuild();
    Net flatten(const std::vector<int>& faces, std::vector<int>& unlaid) const;
    bool automatic(const std::vector<int>& faces) const;
    void addLugs(Net& net) const;
    Lug lugFor(const Net& net, unsigned face, int k) const;
    int roomyTabSide(int edge) const;
    void numberSeams();
    void commit(SheetDecisions next);
    bool step(std::vector<Snapshot>& from, std::vector<Snapshot>& to);

    Sheet& sheet_;
    double lugWidth_;
    double flatAngle_;
    double limitWidth_ = 0.0, limitHeight_ = 0.0;  // 0: no limit

    // The sheet as unfolded, by face origin.
    std::vector<Face> pristine_;
    std::vector<unsigned> unfoldedNet_;  // the net each face was in
    std::vector<Net> unfolded_;
    std::vector<ModelTriangle> pristineModel_;  // empty without a model
    std::vector<int> modelIndex_;               // by origin, into the model; -1: none
    std::vector<std::array<EdgeSide, 2>> sides_;
    std::unordered_map<int, int> edgeOfId_;
    std::vector<std::array<int, 3>> edgeOfFace_;  // by origin: the edge of each side, or -1
    unsigned containerBase_ = 0;
    SheetDecisions unfoldedDecisions_;

    Namer namer_;
    SheetDecisions now_;
    std::vector<std::pair<unsigned, unsigned>> where_;  // by origin: net and face now
    std::vector<int> unlaid_;                           // folds the last rebuild could not lay flat
    std::vector<Snapshot> undo_, redo_;
};

}  // namespace sheet
