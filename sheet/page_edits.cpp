#include "page_edits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

#include "footprint.h"

namespace sheet {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The raster free spots are looked for on: coarser than the packer's, since
// it is searched for one net at a time while a person waits.
constexpr double kSpotCell = 1.0;  // mm
// What is only printed keeps this clear of everything else (as the packer).
constexpr double kPrintPad = 0.4;  // mm
// Pieces a person put this close count as touching, not overlapping.
constexpr double kTouch = 1e-3;  // mm

bool sameFace(const Face& a, const Face& b) {
    if (a.origin != b.origin || a.position != b.position || a.material != b.material ||
        a.hasUv != b.hasUv)
        return false;
    for (int k = 0; k < 3; ++k)
        if (a.p[k].x != b.p[k].x || a.p[k].y != b.p[k].y || a.uv[k].x != b.uv[k].x ||
            a.uv[k].y != b.uv[k].y || a.edgeId[k] != b.edgeId[k] || a.fold[k] != b.fold[k] ||
            a.joined[k] != b.joined[k] || a.kind[k] != b.kind[k] || a.glue[k] != b.glue[k] ||
            a.labelled[k] != b.labelled[k] || (a.seamSide[k] < 0) != (b.seamSide[k] < 0) ||
            a.seamStart[k] != b.seamStart[k] || a.seamEnd[k] != b.seamEnd[k])
            return false;
    return true;
}

// The two nets print alike, wherever they are laid.
bool sameNet(const Net& a, const Net& b) {
    if (a.container != b.container || a.faces.size() != b.faces.size() ||
        a.lugs.size() != b.lugs.size())
        return false;
    // Seam sides are numbered over the whole sheet: what prints is which
    // edges of the net share one.
    std::map<int, int> side;
    for (size_t f = 0; f < a.faces.size(); ++f) {
        if (!sameFace(a.faces[f], b.faces[f]))
            return false;
        for (int k = 0; k < 3; ++k)
            if (a.faces[f].seamSide[k] >= 0 &&
                side.emplace(a.faces[f].seamSide[k], b.faces[f].seamSide[k]).first->second !=
                    b.faces[f].seamSide[k])
                return false;
    }
    for (size_t l = 0; l < a.lugs.size(); ++l) {
        if (a.lugs[l].face != b.lugs[l].face || a.lugs[l].edge != b.lugs[l].edge)
            return false;
        for (int k = 0; k < 4; ++k)
            if (a.lugs[l].p[k].x != b.lugs[l].p[k].x || a.lugs[l].p[k].y != b.lugs[l].p[k].y)
                return false;
    }
    return true;
}

bool sameRecord(const NetRecord& a, const NetRecord& b) {
    return a.number == b.number && a.place == b.place;
}

// What is cut of the net lies beyond the area (numbers may stand a little
// into the margin, as the packer lets them).
bool leaves(const PlacedNet& placed, const Box& area) {
    Box cut = boxOf(placed.geometry);
    return cut.minX < area.minX - kTouch || cut.minY < area.minY - kTouch ||
           cut.maxX > area.maxX + kTouch || cut.maxY > area.maxY + kTouch;
}

// The cells of one page that nets take, each net's footprint grown by one
// cell, since it does not start on the raster.
class PageGrid {
public:
    PageGrid(const Box& area) : area_(area) {
        columns_ = std::max(0, int(std::floor(area.width() / kSpotCell)));
        rows_ = std::max(0, int(std::floor(area.height() / kSpotCell)));
        words_ = (columns_ + 63) / 64 + 1;
        bits_.assign(size_t(rows_) * size_t(words_), 0);
    }

    void stamp(const CellShape& cells, Vec2 origin) {
        int column0 = int(std::floor((origin.x - area_.minX) / kSpotCell));
        int row0 = int(std::floor((origin.y - area_.minY) / kSpotCell));
        for (int j = 0; j < cells.rows; ++j)
            for (const CellRun& run : cells.row(j))
                for (int row = row0 + j; row <= row0 + j + 1; ++row)
                    for (int c = column0 + run.start; c <= column0 + run.start + run.length; ++c)
                        set(c, row);
    }

    // The topmost, then leftmost cell where `cells` fit, or false.
    bool firstFit(const CellShape& cells, int& column, int& row) const {
        for (row = 0; row + cells.rows <= rows_; ++row)
            for (column = 0; column + cells.columns <= columns_; ++column)
                if (fits(cells, column, row))
                    return true;
        return false;
    }

private:
    void set(int c, int row) {
        if (c < 0 || row < 0 || c >= columns_ || row >= rows_)
            return;
        bits_[size_t(row) * size_t(words_) + size_t(c / 64)] |= uint64_t(1) << (c % 64);
    }
    bool taken(int c, int row) const {
        return bits_[size_t(row) * size_t(words_) + size_t(c / 64)] >> (c % 64) & 1;
    }
    bool fits(const CellShape& cells, int column, int row) const {
        for (int j = 0; j < cells.rows; ++j)
            for (const CellRun& run : cells.row(j))
                for (int c = column + run.start; c < column + run.start + run.length; ++c)
                    if (taken(c, row + j))
                        return false;
        return true;
    }

    Box area_;
    int columns_ = 0, rows_ = 0, words_ = 0;
    std::vector<uint64_t> bits_;
};

CellShape cellsOf(const PlacedNet& placed, const LayoutOptions& options, Vec2& origin) {
    return footprintCells(piecesOf(placed), kSpotCell, options.netGap / 2, kPrintPad, origin);
}

std::string netName(int number) {
    return "net " + std::to_string(number);
}

}  // namespace

PageEditor::PageEditor(Sheet& sheet, Layout automatic, const LayoutOptions& options,
                       double lugWidth, double flatAngle)
    : sheet_(sheet), editor_(sheet, lugWidth, flatAngle), options_(options) {
    editor_.setNamer({nullptr, netNamer()});
    for (size_t p = 0; p < automatic.pages.size(); ++p) {
        Page frame;
        frame.width = automatic.pages[p].width;
        frame.height = automatic.pages[p].height;
        frame.oversize = automatic.pages[p].oversize;
        automaticFrames_.push_back(frame);
        for (PlacedNet& placed : automatic.pages[p].nets) {
            const Net& net = sheet_.nets[placed.netIndex];
            for (size_t f = 0; f < net.faces.size(); ++f)
                placed.geometry.faces[f].origin = net.faces[f].origin;
            int anchor = net.faces.front().origin;
            NetRecord record{placed.number, placeOf(placed, int(p)), false};
            records_[anchor] = record;
            automatic_[anchor] = {net, record, placed, ++serial_};
            shown_[anchor] = {int(p), serial_, placed.number};
        }
    }
    layout_ = std::move(automatic);
}

// Nets by the numbers they print.
std::function<std::string(const Net&)> PageEditor::netNamer() {
    return [this](const Net& net) {
        auto found = records_.find(net.faces.front().origin);
        return netName(found == records_.end() ? 0 : found->second.number);
    };
}

int PageEditor::anchorOf(int number) const {
    for (const auto& [anchor, record] : records_)
        if (record.number == number)
            return anchor;
    return -1;
}

// The net laid as its record says: the layout's own where it is the net
// and the place the layout gave it, else laid there anew.
const PageEditor::Placed& PageEditor::placedFor(int anchor, unsigned index, const Net& net,
                                                const NetRecord& record, bool& asLaidOut) {
    auto own = automatic_.find(anchor);
    asLaidOut = own != automatic_.end() && sameRecord(own->second.record, record) &&
                sameNet(own->second.frame, net);
    if (asLaidOut)
        return own->second;
    auto last = cache_.find(anchor);
    if (last != cache_.end() && sameRecord(last->second.record, record) &&
        sameNet(last->second.frame, net))
        return last->second;
    Placed& laid = cache_[anchor];
    laid = {net, record, placeNet(net, index, record.number, record.place), ++serial_};
    laidNow_.insert(anchor);
    return laid;
}

// Why the net cannot lie on page `page` as it is laid: outside the
// printable area or over another net; empty when it can.
std::string PageEditor::clashOf(const PlacedNet& placed, int page, int anchor) const {
    if (page < 0 || size_t(page) >= layout_.pages.size())
        return "there is no page " + std::to_string(page + 1);
    Box area = printableArea(layout_.pages[size_t(page)], options_);
    if (leaves(placed, area))
        return netName(placed.number) + " would leave the printable area of page " +
               std::to_string(page + 1);
    std::vector<Piece> mine = piecesOf(placed);
    for (const PlacedNet& other : layout_.pages[size_t(page)].nets) {
        if (other.geometry.faces.front().origin == anchor ||
            !boxesOverlap(placed.box, other.box, -kTouch))
            continue;
        for (const Piece& a : piecesOf(other)) {
            if (a.printed)
                continue;
            for (const Piece& b : mine)
                if (!b.printed &&
                    convexOverlap({a.p, size_t(a.count)}, {b.p, size_t(b.count)}, -kTouch))
                    return netName(placed.number) + " would lie over " + netName(other.number);
        }
    }
    return {};
}

// The first page with room for the net in any quarter turn of its record's,
// else a page of its own; the record takes the place.
void PageEditor::findSpot(const Net& net, unsigned index, int anchor, NetRecord& record) {
    for (size_t p = 0; p < layout_.pages.size(); ++p) {
        const Page& page = layout_.pages[p];
        Box area = printableArea(page, options_);
        PageGrid grid(area);
        for (const PlacedNet& other : page.nets) {
            if (other.geometry.faces.front().origin == anchor)
                continue;
            Vec2 origin;
            CellShape cells = cellsOf(other, options_, origin);
            grid.stamp(cells, origin);
        }
        int bestRow = -1, bestColumn = 0;
        NetPlace best;
        for (int quarter = 0; quarter < 4; ++quarter) {
            NetPlace trial{int(p), 0.0, 0.0, record.place.turn + 90.0 * quarter};
            PlacedNet placed = placeNet(net, index, record.number, trial);
            Vec2 origin;
            CellShape cells = cellsOf(placed, options_, origin);
            int column, row;
            if (!grid.firstFit(cells, column, row))
                continue;
            if (bestRow < 0 || row < bestRow || (row == bestRow && column < bestColumn)) {
                bestRow = row;
                bestColumn = column;
                Vec2 first = placed.geometry.faces.front().p[0];
                best = trial;
                best.x = first.x + area.minX + column * kSpotCell - origin.x;
                best.y = first.y + area.minY + row * kSpotCell - origin.y;
            }
        }
        if (bestRow >= 0) {
            record.place = roundedPlace(best);
            return;
        }
    }
    // A page of its own, as large as the net needs when no page is.
    PlacedNet placed = placeNet(net, index, record.number, {0, 0.0, 0.0, record.place.turn});
    Vec2 first = placed.geometry.faces.front().p[0];
    record.place =
        roundedPlace({int(layout_.pages.size()), first.x + options_.margin - placed.box.minX,
                      first.y + options_.margin - placed.box.minY, record.place.turn});
}

// A page holds its nets: the layout's own page where it holds just what the
// layout put there, a normal page where they fit one, else one as large
// as they need.
void PageEditor::frame(Page& page, size_t index, bool asLaidOut) const {
    if (asLaidOut && index < automaticFrames_.size()) {
        page.width = automaticFrames_[index].width;
        page.height = automaticFrames_[index].height;
        page.oversize = automaticFrames_[index].oversize;
        return;
    }
    page.width = options_.pageWidth;
    page.height = options_.pageHeight;
    page.oversize = false;
    // Numbers may stand a little into the margin, as the packer lets them:
    // what is cut decides.
    Box used;
    for (const PlacedNet& placed : page.nets)
        used.add(boxOf(placed.geometry));
    Box area = printableArea(page, options_);
    if (used.empty() || (used.maxX <= area.maxX + kTouch && used.maxY <= area.maxY + kTouch))
        return;
    page.oversize = true;
    page.width = std::max(page.width, used.maxX + options_.margin);
    page.height = std::max(page.height, used.maxY + options_.frame().bottom());
}

void PageEditor::relayout(bool settle) {
    size_t pageCountBefore = layout_.pages.size();

    std::vector<int> anchors = editor_.anchors();
    std::map<int, NetRecord> next;
    int highest = 0;
    for (const auto& [anchor, record] : records_)
        highest = std::max(highest, record.number);
    std::vector<char> unplaced(anchors.size(), 0);
    for (size_t i = 0; i < anchors.size(); ++i) {
        auto found = records_.find(anchors[i]);
        NetRecord record = found != records_.end() ? found->second : NetRecord{0, {-1}, false};
        if (record.number == 0)
            record.number = ++highest;
        if (record.place.page < 0)
            unplaced[i] = found == records_.end() ? 1 : 3;  // 3: repacked
        next[anchors[i]] = record;
    }
    // Where a new net's first face lay before: it stays there if it can.
    for (size_t i = 0; i < anchors.size(); ++i) {
        if (unplaced[i] != 1)
            continue;
        for (size_t p = 0; p < layout_.pages.size() && unplaced[i] == 1; ++p)
            for (const PlacedNet& placed : layout_.pages[p].nets)
                for (const Face& face : placed.geometry.faces)
                    if (face.origin == anchors[i]) {
                        NetPlace place = roundedPlace(
                            {int(p), face.p[0].x, face.p[0].y,
                             std::atan2(face.p[1].y - face.p[0].y, face.p[1].x - face.p[0].x) *
                                 180.0 / kPi});
                        next[anchors[i]].place = place;
                        unplaced[i] = 2;
                    }
    }
    records_ = std::move(next);

    // Every net where its record says; then those laid anew (an edit
    // changed them) and those without a place settled where they have room.
    laidNow_.clear();
    std::map<int, Shown> shownNow;
    auto lay = [&] {
        shownNow.clear();
        int count = 0;
        for (size_t i = 0; i < anchors.size(); ++i)
            if (records_[anchors[i]].place.page >= 0)
                count = std::max(count, records_[anchors[i]].place.page + 1);
        layout_.pages.assign(size_t(count), Page{});
        std::vector<char> asLaidOut(size_t(count), 1);
        for (size_t i = 0; i < anchors.size(); ++i) {
            const NetRecord& record = records_[anchors[i]];
            if (record.place.page < 0)
                continue;
            bool own = false;
            const Placed& laid = placedFor(anchors[i], unsigned(i), sheet_.nets[i], record, own);
            layout_.pages[size_t(record.place.page)].nets.push_back(laid.placed);
            shownNow[anchors[i]] = {record.place.page, laid.serial, record.number};
            asLaidOut[size_t(record.place.page)] &= own;
        }
        for (size_t p = 0; p < layout_.pages.size(); ++p)
            frame(layout_.pages[p], p, asLaidOut[p]);
    };
    lay();
    std::set<int> fresh = laidNow_;
    // Nets without a place go largest first, so that small ones fill in.
    std::vector<size_t> order(anchors.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::vector<double> area(anchors.size(), 0.0);
    for (size_t i = 0; i < anchors.size(); ++i)
        if (unplaced[i] == 1 || unplaced[i] == 3)
            area[i] = boxOf(sheet_.nets[i]).width() * boxOf(sheet_.nets[i]).height();
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return area[a] > area[b]; });
    for (size_t i : order) {
        NetRecord& record = records_[anchors[i]];
        if (record.place.page >= 0) {
            if (!(unplaced[i] == 2 || (settle && fresh.count(anchors[i]))))
                continue;
            bool own;
            const PlacedNet& placed =
                placedFor(anchors[i], unsigned(i), sheet_.nets[i], record, own).placed;
            if (clashOf(placed, record.place.page, anchors[i]).empty())
                continue;
        }
        findSpot(sheet_.nets[i], unsigned(i), anchors[i], record);
        lay();
    }

    // No page stays empty.
    std::vector<int> newIndex(layout_.pages.size(), -1);
    int kept = 0;
    for (size_t p = 0; p < layout_.pages.size(); ++p)
        if (!layout_.pages[p].nets.empty())
            newIndex[p] = kept++;
    if (kept != int(layout_.pages.size())) {
        for (auto& [anchor, record] : records_)
            if (record.place.page >= 0)
                record.place.page = newIndex[size_t(record.place.page)];
        lay();
    }

    layout_.oversize.clear();
    for (size_t p = 0; p < layout_.pages.size(); ++p)
        for (const PlacedNet& placed : layout_.pages[p].nets)
            if (layout_.pages[p].oversize)
                layout_.oversize.push_back({placed.number, placed.geometry.container,
                                            placed.box.width(), placed.box.height(), 0});
    // in the order the layout gives them: by number
    std::stable_sort(
        layout_.oversize.begin(), layout_.oversize.end(),
        [](const OversizeNet& a, const OversizeNet& b) { return a.number < b.number; });
    layout_.printableWidth = options_.frame().printableWidth();
    layout_.printableHeight = options_.frame().printableHeight();
    numberPages(layout_, options_);

    // A page changed where a net came, went or was laid anew.
    std::set<int> touched;
    std::set<int> nets;
    for (const auto& [anchor, now] : shownNow) {
        auto before = shown_.find(anchor);
        if (before == shown_.end() || before->second.page != now.page ||
            before->second.serial != now.serial || before->second.number != now.number) {
            touched.insert(now.page);
            nets.insert(now.number);
            if (before != shown_.end() && before->second.page < int(layout_.pages.size()))
                touched.insert(before->second.page);
        }
    }
    for (const auto& [anchor, before] : shown_)
        if (!shownNow.count(anchor)) {
            nets.insert(before.number);
            if (before.page < int(layout_.pages.size()))
                touched.insert(before.page);
        }
    changedNets_.assign(nets.begin(), nets.end());
    shown_ = std::move(shownNow);
    changed_.clear();
    if (layout_.pages.size() != pageCountBefore)
        for (size_t p = 0; p < layout_.pages.size(); ++p)
            changed_.push_back(int(p));
    else
        changed_.assign(touched.begin(), touched.end());
}

EditOutcome PageEditor::sheetEdit(EditOutcome outcome, std::map<int, NetRecord> before) {
    if (!outcome.done)
        return outcome;
    undo_.push_back({true, std::move(before)});
    redo_.clear();
    relayout(true);
    return outcome;
}

EditOutcome PageEditor::join(int edgeId) {
    std::map<int, NetRecord> before = records_;
    return sheetEdit(editor_.join(edgeId), std::move(before));
}

EditOutcome PageEditor::cut(int edgeId) {
    std::map<int, NetRecord> before = records_;
    return sheetEdit(editor_.cut(edgeId), std::move(before));
}

EditOutcome PageEditor::flipTab(int edgeId) {
    std::map<int, NetRecord> before = records_;
    return sheetEdit(editor_.flipTab(edgeId), std::move(before));
}

EditOutcome PageEditor::setTab(int edgeId, bool on) {
    std::map<int, NetRecord> before = records_;
    return sheetEdit(editor_.setTab(edgeId, on), std::move(before));
}

EditOutcome PageEditor::placeAt(int number, const NetPlace& wanted) {
    int anchor = anchorOf(number);
    if (anchor < 0)
        return {false, "there is no " + netName(number)};
    std::vector<int> anchors = editor_.anchors();
    size_t index = size_t(std::find(anchors.begin(), anchors.end(), anchor) - anchors.begin());
    NetPlace place = roundedPlace(wanted);
    if (!std::isfinite(place.x) || !std::isfinite(place.y) || !std::isfinite(place.turn) ||
        place.page < 0 || size_t(place.page) > layout_.pages.size())
        return {false, "there is no page " + std::to_string(place.page + 1)};
    PlacedNet placed = placeNet(sheet_.nets[index], unsigned(index), number, place);
    std::string clash;
    if (size_t(place.page) < layout_.pages.size()) {
        clash = clashOf(placed, place.page, anchor);
    } else {
        Page blank;
        blank.width = options_.pageWidth;
        blank.height = options_.pageHeight;
        if (leaves(placed, printableArea(blank, options_)))
            clash = netName(number) + " would leave the printable area of a new page";
    }
    if (!clash.empty())
        return {false, clash};
    undo_.push_back({false, records_});
    redo_.clear();
    records_[anchor].place = place;
    records_[anchor].pinned = true;
    relayout(false);
    return {true, {}};
}

EditOutcome PageEditor::move(int number, const NetPlace& place) {
    int anchor = anchorOf(number);
    if (anchor < 0)
        return {false, "there is no " + netName(number)};
    NetPlace wanted = place;
    wanted.turn = records_[anchor].place.turn;
    return placeAt(number, wanted);
}

EditOutcome PageEditor::turn(int number, double degrees) {
    int anchor = anchorOf(number);
    if (anchor < 0 || !std::isfinite(degrees))
        return {false, anchor < 0 ? "there is no " + netName(number) : "no such turn"};
    const NetRecord& record = records_[anchor];
    Box box;
    for (const PlacedNet& placed : layout_.pages[size_t(record.place.page)].nets)
        if (placed.geometry.faces.front().origin == anchor)
            box = boxOf(placed.geometry);
    Vec2 c{(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2};
    double a = degrees * kPi / 180.0, x = record.place.x - c.x, y = record.place.y - c.y;
    return placeAt(number, {record.place.page, c.x + std::cos(a) * x - std::sin(a) * y,
                            c.y + std::sin(a) * x + std::cos(a) * y, record.place.turn + degrees});
}

EditOutcome PageEditor::repack() {
    // Pages keep their order; those left without a pinned net go, and the
    // other nets are packed as the layout packs them, on pages after those.
    std::map<int, int> pinnedPages;
    std::vector<Net> loose;
    std::vector<int> looseAnchors;
    std::vector<int> anchors = editor_.anchors();
    for (size_t i = 0; i < anchors.size(); ++i) {
        const NetRecord& record = records_[anchors[i]];
        if (record.pinned) {
            pinnedPages[record.place.page] = 0;
        } else {
            loose.push_back(sheet_.nets[i]);
            looseAnchors.push_back(anchors[i]);
        }
    }
    Layout packed;
    std::string error;
    if (!layoutSheet(std::move(loose), options_, packed, error))
        return {false, error};
    undo_.push_back({false, records_});
    redo_.clear();
    int next = 0;
    for (auto& [page, index] : pinnedPages)
        index = next++;
    for (auto& [anchor, record] : records_)
        if (record.pinned)
            record.place.page = pinnedPages[record.place.page];
    for (size_t p = 0; p < packed.pages.size(); ++p)
        for (const PlacedNet& placed : packed.pages[p].nets) {
            NetRecord& record = records_[looseAnchors[placed.netIndex]];
            record.place = placeOf(placed, next + int(p));
        }
    relayout(false);
    return {true, {}};
}

bool PageEditor::apply(const SheetDecisions& decisions, const std::map<int, NetRecord>& nets,
                       bool lenient, std::vector<std::string>& problems) {
    std::map<int, NetRecord> before = records_;
    if (!editor_.apply(decisions, lenient, problems))
        return false;
    records_ = nets;
    undo_.push_back({true, std::move(before)});
    redo_.clear();
    relayout(false);
    return true;
}

bool PageEditor::undo() {
    return step(undo_, redo_, true);
}

bool PageEditor::redo() {
    return step(redo_, undo_, false);
}

bool PageEditor::step(std::vector<Snapshot>& from, std::vector<Snapshot>& to, bool back) {
    if (from.empty())
        return false;
    Snapshot s = std::move(from.back());
    from.pop_back();
    to.push_back({s.sheetStep, records_});
    if (s.sheetStep)
        back ? editor_.undo() : editor_.redo();
    records_ = std::move(s.records);
    relayout(false);
    return true;
}

}  // namespace sheet
