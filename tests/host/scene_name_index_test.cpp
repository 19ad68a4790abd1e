// The name index against a plain map: any mix of adding and removing, with
// the table growing and entries shifting back around its end, must find
// exactly the nodes the map holds.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <string>

#include "scene/name_index.h"
#include "scene/scene.h"

using host::scene::NameIndex;
using host::scene::Node;

namespace {

void expectSame(const NameIndex& index, const std::map<std::string, Node*>& expected, int names) {
    ASSERT_EQ(index.size(), expected.size());
    for (int i = 0; i < names; ++i) {
        std::string name = "n" + std::to_string(i);
        auto it = expected.find(name);
        EXPECT_EQ(index.find(name), it == expected.end() ? nullptr : it->second) << name;
    }
}

}  // namespace

TEST(SceneNameIndex, AddingAndRemovingAgreesWithAMap) {
    for (int names : {5, 60, 700, 5000}) {
        std::mt19937 random(names);
        std::deque<Node> nodes;  // stable addresses
        NameIndex index;
        std::map<std::string, Node*> expected;
        for (int step = 0; step < names * 6; ++step) {
            std::string name = "n" + std::to_string(random() % names);
            if (random() % 3 != 0) {
                Node& node = nodes.emplace_back();
                node.name = name;
                bool fresh = expected.emplace(name, &node).second;
                EXPECT_EQ(index.insert(node), fresh) << name;
            } else {
                index.erase(name);
                expected.erase(name);
            }
            if (step % 97 == 0)
                expectSame(index, expected, names);
        }
        expectSame(index, expected, names);
        for (auto it = expected.begin(); it != expected.end();) {
            index.erase(it->first);
            it = expected.erase(it);
            if (expected.size() % 7 == 0)
                expectSame(index, expected, names);
        }
        EXPECT_EQ(index.size(), 0u);
        EXPECT_EQ(index.find("n0"), nullptr);
    }
}

TEST(SceneNameIndex, EmptyIndexFindsAndRemovesNothing) {
    NameIndex index;
    EXPECT_EQ(index.find(""), nullptr);
    index.erase("a");
    Node node;
    node.name = "a";
    EXPECT_TRUE(index.insert(node));
    EXPECT_FALSE(index.insert(node));
    index.erase("b");
    EXPECT_EQ(index.find("a"), &node);
    EXPECT_EQ(index.size(), 1u);
}
