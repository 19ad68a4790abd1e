#pragma once
// Lays a classified sheet out on pages: true scale, each net with its labels
// turned to the page's frame, packed inside the margins without overlapping,
// and a page number on every page.
#include <string>
#include <vector>

#include "labels.h"
#include "outline.h"
#include "page_frame.h"
#include "shapes.h"
#include "sheet_model.h"

namespace sheet {

// How nets share a page: by their true shapes, fitting into each other's
// hollows; the same at many angles and in several orders (slower, fewer
// pages); or by their bounding boxes (faster, more paper).
enum class Packing { Shapes, Boxes, Dense };

struct LayoutOptions {
    double pageWidth = 210.0;  // mm
    double pageHeight = 297.0;
    double margin = 10.0;
    double netGap = 3.0;  // between two nets (between their boxes when packing boxes)
    Packing packing = Packing::Shapes;

    PageFrame frame() const { return {pageWidth, pageHeight, margin}; }
    void setFrame(const PageFrame& page) {
        pageWidth = page.width;
        pageHeight = page.height;
        margin = page.margin;
    }
};

struct PlacedNet {
    unsigned netIndex = 0;  // into Sheet::nets
    int number = 0;         // printed beside it, from 1
    bool turned = false;    // by one or more quarter turns
    Net geometry;           // in page millimetres, y downwards
    std::vector<Label> labels;
    Box box;  // everything of the net, labels included
};

// A triangle of the assembly map, flat-shaded, in page millimetres.
struct MapFace {
    Vec2 p[3];
    Colour fill;
    bool outline[3] = {false, false, false};  // edge k bounds a piece: drawn as a line
};

struct Page {
    double width = 0.0;
    double height = 0.0;
    bool oversize = false;
    std::vector<PlacedNet> nets;
    Label number;
    // The assembly map, on a page of its own: faces in painter's order, then
    // the nets' numbers and the views' names.
    std::vector<MapFace> mapFaces;
    std::vector<Label> mapLabels;
    // A tile of a net too large for the page (tiling.h) prints only what lies
    // in its window, lined up with its neighbours by marks and named by a
    // caption; every other page has no clip.
    Box clip;
    std::vector<Segment> alignMarks;
    Label caption;
};

// A net too large for the printable area; it got a page of its own, or
// tiles of the normal page size.
struct OversizeNet {
    int number = 0;
    unsigned container = 0;
    double width = 0.0;  // what it needs, mm
    double height = 0.0;
    int sheets = 0;           // the tiles it is printed on; 0: one page of its own
    bool fitsTurned = false;  // packed densely, it would fit the page at some angle
};

struct Layout {
    std::vector<Page> pages;
    std::vector<OversizeNet> oversize;
    double printableWidth = 0.0;
    double printableHeight = 0.0;
};

constexpr double kPageNumberSize = 3.5;

// The sheet must be classified (classifyEdges). Fails (returns false with a
// reason) only for options that leave no printable area.
bool layoutSheet(const Sheet& sheet, const LayoutOptions& options, Layout& layout,
                 std::string& error);
// The same, taking the nets over rather than copying them (a large sheet's
// nets are tens of megabytes); the sheet's materials stay with the caller.
bool layoutSheet(std::vector<Net>&& nets, const LayoutOptions& options, Layout& layout,
                 std::string& error);

// Where a net lies on its page: its first face's first corner at x, y (mm
// from the page's top left corner) and that face's first edge pointing
// `turn` degrees clockwise from the page's x axis. Kept to a thousandth of
// a millimetre and of a degree, as a project file keeps it.
struct NetPlace {
    int page = 0;  // from 0
    double x = 0.0, y = 0.0, turn = 0.0;

    bool operator==(const NetPlace&) const = default;
};

NetPlace roundedPlace(const NetPlace& place);
// The place of a laid-out net on page `page`.
NetPlace placeOf(const PlacedNet& placed, int page);
// The net (as unfolded, y up) laid where `place` says, its glue numbers
// placed there and its own number upright above it.
PlacedNet placeNet(Net net, unsigned netIndex, int number, const NetPlace& place);

// The printable area of a page: inside the margins and above the footer.
Box printableArea(const Page& page, const LayoutOptions& options);

// Gives every page its "n / count" footer; again after a page is added.
void numberPages(Layout& layout, const LayoutOptions& options);

}  // namespace sheet
