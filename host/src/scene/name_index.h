#pragma once
// The scene's alive nodes by name. A run creates, names and renames a few
// hundred thousand nodes and asks after a name at each step, so the index is
// one open-addressed array of (hash, node) pairs: a lookup reads one place in
// it and the node only when the hashes agree, and growing it moves plain
// pairs. The names themselves stay in the nodes, stored once.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace host::scene {

struct Node;

class NameIndex {
public:
    Node* find(std::string_view name) const;
    bool contains(std::string_view name) const { return find(name) != nullptr; }
    // Adds the node under its current name; false (and nothing added) when
    // that name is taken already.
    bool insert(Node& node);
    // Removes the node of that name, if any. A node's entry must be removed
    // before its name changes.
    void erase(std::string_view name);
    std::size_t size() const { return count_; }

private:
    struct Slot {
        uint64_t hash = 0;
        Node* node = nullptr;  // null: empty
    };
    void grow();

    std::vector<Slot> slots_;  // a power of two in size, at most three quarters full
    std::size_t count_ = 0;
};

}  // namespace host::scene
