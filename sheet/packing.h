#pragma once
// Packs rectangles onto as few pages as it can: maximal-rectangles packing
// (best short side fit), each rectangle upright or turned by 90 degrees,
// whichever fits better. A rectangle larger than an empty page in both
// orientations gets a page of its own of the size it needs.
#include <vector>

namespace sheet {

struct PackItem {
    double width = 0.0;  // upright
    double height = 0.0;
    double turnedWidth = 0.0;   // turned by 90 degrees (may differ from a swap
    double turnedHeight = 0.0;  // when the item keeps a band on one side)
};

struct PackPlacement {
    int page = -1;
    double x = 0.0;  // top-left corner inside the page's area
    double y = 0.0;
    bool turned = false;
};

struct PackPage {
    double width = 0.0;  // area the items were packed into
    double height = 0.0;
    bool oversize = false;  // holds one item too large for a normal page
};

struct PackResult {
    std::vector<PackPlacement> placements;  // one per item, in item order
    std::vector<PackPage> pages;
};

// Packs items into pages of areaWidth x areaHeight; items are kept `gap`
// apart from each other (not from the area's border).
PackResult packRectangles(const std::vector<PackItem>& items, double areaWidth, double areaHeight,
                          double gap);

}  // namespace sheet
