#include <gtest/gtest.h>

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
