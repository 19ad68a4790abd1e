// The scene lists its nodes in creation order whatever happens to them:
// deletions, undos in any order, redos and new nodes in between, in numbers
// large enough that the list tidies itself up several times on the way.
// Added attributes likewise list in name order.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene_test_support.h"

using namespace scenetest;
namespace sc = host::scene;

namespace {

std::vector<std::string> listedNames() {
    std::vector<std::string> names;
    for (sc::Node* node : sc::allNodes())
        names.push_back(node->name);
    return names;
}

// What the list must hold: the alive ones among `created`, in creation order,
// after the default nodes.
std::vector<std::string> expectedNames(const std::vector<std::string>& defaults,
                                       const std::vector<std::string>& created,
                                       const std::vector<bool>& alive) {
    std::vector<std::string> names = defaults;
    for (size_t i = 0; i < created.size(); ++i)
        if (alive[i])
            names.push_back(created[i]);
    return names;
}

struct Deletion {
    size_t index;
    std::vector<host::UndoStep> steps;
};

Deletion journaledDelete(size_t index, const std::string& name) {
    Deletion d{index, {}};
    sc::Journal journal(&d.steps);
    EXPECT_TRUE(sc::deleteNode(*sc::findNode(name)));
    return d;
}

void undo(Deletion& d) {
    for (auto it = d.steps.rbegin(); it != d.steps.rend(); ++it)
        it->undo();
}

void redo(Deletion& d) {
    for (host::UndoStep& step : d.steps)
        step.redo();
}

}  // namespace

TEST_F(SceneTest, NodesStayInCreationOrderThroughDeletesUndosAndRedos) {
    const std::vector<std::string> defaults = listedNames();
    std::vector<std::string> created;
    std::vector<bool> alive;
    auto create = [&](size_t count) {
        for (size_t i = 0; i < count; ++i) {
            created.push_back(sc::createTransform("node" + std::to_string(created.size())).name);
            alive.push_back(true);
        }
    };
    create(4000);

    // Delete every third node and every seventh, newest first and oldest first.
    std::vector<Deletion> deletions;
    for (size_t i = 0; i < 4000; ++i)
        if (i % 3 == 0 || i % 7 == 1) {
            deletions.push_back(journaledDelete(i, created[i]));
            alive[i] = false;
        }
    ASSERT_EQ(listedNames(), expectedNames(defaults, created, alive));
    EXPECT_EQ(sc::nodeCount(),
              defaults.size() + size_t(std::count(alive.begin(), alive.end(), true)));

    // New nodes come after every older one, wherever deleted ones were.
    create(500);
    std::mt19937 random(7);
    std::shuffle(deletions.begin(), deletions.end(), random);
    for (size_t k = 0; k < deletions.size(); ++k) {
        undo(deletions[k]);
        alive[deletions[k].index] = true;
        if (k % 500 == 0) {
            ASSERT_EQ(listedNames(), expectedNames(defaults, created, alive)) << k;
        }
    }
    ASSERT_EQ(listedNames(), expectedNames(defaults, created, alive));
    EXPECT_EQ(sc::nodeCount(), defaults.size() + created.size());

    // Redo half, undo them again: the list never lists a node twice.
    for (size_t k = 0; k < deletions.size(); k += 2) {
        redo(deletions[k]);
        alive[deletions[k].index] = false;
    }
    ASSERT_EQ(listedNames(), expectedNames(defaults, created, alive));
    for (size_t k = 0; k < deletions.size(); k += 2) {
        undo(deletions[k]);
        alive[deletions[k].index] = true;
    }
    ASSERT_EQ(listedNames(), expectedNames(defaults, created, alive));
    for (size_t i = 4000; i < created.size(); ++i) {
        ASSERT_TRUE(sc::deleteNode(*sc::findNode(created[i])));
        alive[i] = false;
    }
    EXPECT_EQ(listedNames(), expectedNames(defaults, created, alive));
    EXPECT_EQ(sc::nodeCount(), defaults.size() + 4000);
}

TEST_F(SceneTest, AddedAttributesAreFoundAndListedByNameWhateverOrderTheyCameIn) {
    sc::Node& node = sc::createTransform("holder");
    const std::vector<std::string> names{"zeta", "alpha", "mid", "beta", "omega"};
    for (size_t i = 0; i < names.size(); ++i)
        sc::setDynamicAttr(node, names[i], sc::AttrValue{sc::AttrValue::Double, double(i), {}, {}});
    sc::setDynamicAttr(node, "mid", std::nullopt);
    sc::setDynamicAttr(node, "alpha", sc::AttrValue{sc::AttrValue::Double, 9.0, {}, {}});

    std::vector<std::string> listed;
    for (const auto& [name, value] : node.dynamicAttrs)
        listed.push_back(name);
    EXPECT_EQ(listed, (std::vector<std::string>{"alpha", "beta", "omega", "zeta"}));
    EXPECT_EQ(sc::getAttr(node, "alpha", 0.0)->number, 9.0);
    EXPECT_EQ(sc::getAttr(node, "zeta", 0.0)->number, 0.0);
    EXPECT_EQ(sc::getAttr(node, "omega", 0.0)->number, 4.0);
    EXPECT_FALSE(sc::hasAttr(node, "mid"));
    EXPECT_FALSE(sc::hasAttr(node, "alph"));
    EXPECT_THROW(node.dynamicAttrs.at("mid"), std::out_of_range);
}
