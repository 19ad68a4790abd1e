#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "box_grid.h"

using namespace sheet;

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
        grid.insert(i, boxes.back());
    }
    std::vector<int> found;
    for (int q = 0; q < 200; ++q) {
        Box query = randomBox();
        grid.query(query, found);
        std::set<int> unique(found.begin(), found.end());
        EXPECT_EQ(unique.size(), found.size());  // each id once
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxesOverlap(boxes[i], query, 0.0)) {
                EXPECT_TRUE(unique.count(i)) << "box " << i << " missed";
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
            grid.insert(i, boxes.back());
        }
        std::vector<int> near;
        for (int q = 0; q < 100; ++q) {
            Box query = randomBox();
            grid.query(query, near);
            // Never satisfied: every nearby id is asked exactly once.
            std::multiset<int> asked;
            EXPECT_FALSE(grid.any(query, [&](int id) {
                asked.insert(id);
                return false;
            }));
            EXPECT_EQ(std::set<int>(near.begin(), near.end()).size(), asked.size());
            EXPECT_TRUE(std::equal(near.begin(), near.end(), asked.begin(), asked.end()));
            // Satisfied by one true overlap: found, and nothing asked after it.
            int overlapping = -1;
            for (int i = 0; i < int(boxes.size()) && overlapping < 0; ++i)
                if (boxesOverlap(boxes[i], query, 0.0))
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

// Boxes scattered too far apart for one dense block of cells still all
// answer, whether their cells sit in the block or beyond it.
TEST(BoxGrid, BoxesFarApartAreFoundLikeNearOnes) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> near(-40.0, 40.0), size(0.1, 12.0);
    std::uniform_int_distribution<int> far(-3, 3);
    BoxGrid grid(2.0);
    std::vector<Box> boxes;
    for (int i = 0; i < 400; ++i) {
        double x = near(random) + far(random) * 1e7, y = near(random) + far(random) * 1e7;
        boxes.push_back({x, y, x + size(random), y + size(random)});
        grid.insert(i, boxes.back());
    }
    std::vector<int> found;
    for (const Box& box : boxes) {
        Box query{box.minX - 1, box.minY - 1, box.minX + 3, box.minY + 3};
        grid.query(query, found);
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxesOverlap(boxes[i], query, 0.0)) {
                EXPECT_TRUE(std::count(found.begin(), found.end(), i)) << "box " << i << " missed";
            }
    }
}
