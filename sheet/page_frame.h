#pragma once
// A page as every part of the run sees it: its size, its margins, the area
// inside them that pieces may take, and what a net may grow to when nets are
// kept within the page. Made once from the options; nothing else works the
// printable area out again.
#include <algorithm>

#include "labels.h"

namespace sheet {

// Space kept at the foot of a page for its number, when the margin is smaller.
constexpr double kFooterHeight = 6.0;
// Below a net, the room its number takes: a net kept within the page must
// leave it free.
constexpr double kNetNumberBand = kNetNumberSize + 1.6;

struct PageFrame {
    double width = 210.0;  // mm
    double height = 297.0;
    double margin = 10.0;

    // The band at the foot: the margin, or the footer where that is taller.
    double bottom() const { return std::max(margin, kFooterHeight); }
    double printableWidth() const { return width - 2 * margin; }
    double printableHeight() const { return height - margin - bottom(); }
    // What a net may grow to when nets are kept within the page.
    double netLimitWidth() const { return printableWidth(); }
    double netLimitHeight() const { return printableHeight() - kNetNumberBand; }
};

}  // namespace sheet
