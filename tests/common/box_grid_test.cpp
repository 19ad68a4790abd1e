#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "common/box_grid.h"

using kivano::BoxGrid;
using Box = kivano::GridBox;

namespace {

bool boxesOverlap(const Box& a, const Box& b) {
    return a.minx <= b.maxx && b.minx <= a.maxx && a.miny <= b.maxy && b.miny <= a.maxy;
}

}  // namespace

TEST(BoxGrid, FindsEveryBoxThatOverlapsAQueryOnceAgreeingWithBruteForce) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> at(-50.0, 50.0), size(0.1, 30.0);
    auto randomBox = [&] {
        double x = at(random), y = at(random);
        return Box{x, y, x + size(random), y + size(random)};
    };
    BoxGrid grid(4.0);
    std::vector<Box> boxes;
    for (int i = 0; i < 300; ++i) {
        boxes.push_back(randomBox());
        grid.insert(uint32_t(i), boxes.back());
    }
    std::vector<uint32_t> found;
    for (int q = 0; q < 200; ++q) {
        Box query = randomBox();
        grid.query(query, found);
        std::set<uint32_t> unique(found.begin(), found.end());
        EXPECT_EQ(unique.size(), found.size());  // each id once
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxesOverlap(boxes[i], query)) {
                EXPECT_TRUE(unique.count(uint32_t(i))) << "box " << i << " missed";
            }
    }
}

TEST(BoxGrid, AnyStopsAtTheFirstHitAndAsksEachNearbyIdOnce) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(-20.0, 20.0), size(0.05, 9.0);
    auto randomBox = [&] {
        double x = at(random), y = at(random);
        return Box{x, y, x + size(random), y + size(random)};
    };
    for (double cell : {0.5, 4.0}) {
        BoxGrid grid(cell);
        std::vector<Box> boxes;
        for (int i = 0; i < 200; ++i) {
            boxes.push_back(randomBox());
            grid.insert(uint32_t(i), boxes.back());
        }
        std::vector<uint32_t> near;
        for (int q = 0; q < 100; ++q) {
            Box query = randomBox();
            grid.query(query, near);
            // Never satisfied: every nearby id is asked exactly once.
            std::multiset<uint32_t> asked;
            EXPECT_FALSE(grid.any(query, [&](uint32_t id) {
                asked.insert(id);
                return false;
            }));
            EXPECT_EQ(std::set<uint32_t>(near.begin(), near.end()).size(), asked.size());
            EXPECT_TRUE(std::equal(near.begin(), near.end(), asked.begin(), asked.end()));
            // Satisfied by one true overlap: found, and nothing asked after it.
            int overlapping = -1;
            for (int i = 0; i < int(boxes.size()) && overlapping < 0; ++i)
                if (boxesOverlap(boxes[i], query))
                    overlapping = i;
            int after = 0;
            bool hit = false;
            bool found = grid.any(query, [&](int id) {
                after += hit;
                hit = hit || id == overlapping;
                return id == overlapping;
            });
            EXPECT_EQ(found, overlapping >= 0);
            EXPECT_EQ(after, 0);
        }
    }
}

// Boxes scattered far apart share the table with near ones; cells whose
// keys land in the same slots must still answer only for themselves.
TEST(BoxGrid, BoxesFarApartAreFoundLikeNearOnes) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> near(-40.0, 40.0), size(0.1, 12.0);
    std::uniform_int_distribution<int> far(-3, 3);
    BoxGrid grid(2.0);
    std::vector<Box> boxes;
    for (int i = 0; i < 400; ++i) {
        double x = near(random) + far(random) * 1e7, y = near(random) + far(random) * 1e7;
        boxes.push_back({x, y, x + size(random), y + size(random)});
        grid.insert(uint32_t(i), boxes.back());
    }
    std::vector<uint32_t> found;
    for (const Box& box : boxes) {
        Box query{box.minx - 1, box.miny - 1, box.minx + 3, box.miny + 3};
        grid.query(query, found);
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxesOverlap(boxes[i], query)) {
                EXPECT_TRUE(std::count(found.begin(), found.end(), uint32_t(i)))
                    << "box " << i << " missed";
            }
    }
}
