#include <gtest/gtest.h>

#include <random>

#include "packing.h"

using namespace sheet;

namespace {

struct Placed {
    double x, y, w, h;
};

Placed rectOf(const PackItem& item, const PackPlacement& at) {
    return {at.x, at.y, at.turned ? item.turnedWidth : item.width,
            at.turned ? item.turnedHeight : item.height};
}

void expectValidPacking(const std::vector<PackItem>& items, const PackResult& result, double areaW,
                        double areaH, double gap) {
    ASSERT_EQ(result.placements.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const PackPlacement& at = result.placements[i];
        ASSERT_GE(at.page, 0);
        ASSERT_LT(size_t(at.page), result.pages.size());
        Placed r = rectOf(items[i], at);
        const PackPage& page = result.pages[at.page];
        EXPECT_GE(r.x, -1e-9);
        EXPECT_GE(r.y, -1e-9);
        EXPECT_LE(r.x + r.w, page.width + 1e-9);
        EXPECT_LE(r.y + r.h, page.height + 1e-9);
        if (!page.oversize) {
            EXPECT_EQ(page.width, areaW);
            EXPECT_EQ(page.height, areaH);
        }
        for (size_t j = 0; j < i; ++j) {
            if (result.placements[j].page != at.page)
                continue;
            Placed s = rectOf(items[j], result.placements[j]);
            bool apart = r.x + r.w + gap <= s.x + 1e-9 || s.x + s.w + gap <= r.x + 1e-9 ||
                         r.y + r.h + gap <= s.y + 1e-9 || s.y + s.h + gap <= r.y + 1e-9;
            EXPECT_TRUE(apart) << "items " << i << " and " << j;
        }
    }
}

PackItem item(double w, double h) {
    return {w, h, h, w};
}

}  // namespace

TEST(Packing, RandomItemsNeverOverlapAndStayInsideTheArea) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> size(5.0, 120.0);
    for (int round = 0; round < 20; ++round) {
        std::vector<PackItem> items;
        for (int i = 0; i < 5 + round * 3; ++i)
            items.push_back(item(size(random), size(random)));
        PackResult result = packRectangles(items, 190.0, 270.0, 3.0);
        expectValidPacking(items, result, 190.0, 270.0, 3.0);
        double area = 0;
        for (const PackItem& it : items)
            area += it.width * it.height;
        // A packer worth the name fills pages at least half full on average.
        EXPECT_LE(double(result.pages.size()), std::ceil(2.0 * area / (190.0 * 270.0)) + 1);
    }
}

TEST(Packing, TurnsAnItemThatOnlyFitsTurned) {
    std::vector<PackItem> items{item(250.0, 100.0)};
    PackResult result = packRectangles(items, 190.0, 270.0, 3.0);
    ASSERT_EQ(result.pages.size(), 1u);
    EXPECT_FALSE(result.pages[0].oversize);
    EXPECT_TRUE(result.placements[0].turned);
    expectValidPacking(items, result, 190.0, 270.0, 3.0);
}

TEST(Packing, TurningSavesAPage) {
    // Two 150 x 100 items fit one 210 x 297 page only when both stand turned.
    std::vector<PackItem> items{item(150.0, 100.0), item(150.0, 100.0)};
    PackResult result = packRectangles(items, 210.0, 160.0, 2.0);
    EXPECT_EQ(result.pages.size(), 1u);
    expectValidPacking(items, result, 210.0, 160.0, 2.0);
}

TEST(Packing, ItemLargerThanThePageGetsAnOwnPageOfItsSize) {
    std::vector<PackItem> items{item(20.0, 20.0), item(300.0, 400.0), item(30.0, 10.0)};
    PackResult result = packRectangles(items, 190.0, 270.0, 3.0);
    expectValidPacking(items, result, 190.0, 270.0, 3.0);
    const PackPage& own = result.pages[result.placements[1].page];
    EXPECT_TRUE(own.oversize);
    EXPECT_DOUBLE_EQ(own.width, 300.0);
    EXPECT_DOUBLE_EQ(own.height, 400.0);
    // The small ones share a normal page, not the oversize one.
    EXPECT_EQ(result.placements[0].page, result.placements[2].page);
    EXPECT_NE(result.placements[0].page, result.placements[1].page);
    EXPECT_EQ(result.pages.size(), 2u);
}

TEST(Packing, ExactFitAndEmptyInput) {
    std::vector<PackItem> items{item(95.0, 270.0), item(92.0, 270.0)};
    PackResult result = packRectangles(items, 190.0, 270.0, 3.0);
    EXPECT_EQ(result.pages.size(), 1u);
    expectValidPacking(items, result, 190.0, 270.0, 3.0);
    EXPECT_TRUE(packRectangles({}, 190.0, 270.0, 3.0).pages.empty());
}
