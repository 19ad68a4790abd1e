#include "scene/name_index.h"

#include <cassert>
#include <functional>

#include "scene/scene.h"

namespace host::scene {

static uint64_t hashOf(std::string_view name) {
    return std::hash<std::string_view>()(name);
}

Node* NameIndex::find(std::string_view name) const {
    if (slots_.empty())
        return nullptr;
    const uint64_t hash = hashOf(name);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (!slot.node)
            return nullptr;
        if (slot.hash == hash && slot.node->name == name)
            return slot.node;
    }
}

bool NameIndex::insert(Node& node) {
    if ((count_ + 1) * 4 > slots_.size() * 3)
        grow();
    const uint64_t hash = hashOf(node.name);
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    for (; slots_[i].node; i = (i + 1) & mask)
        if (slots_[i].hash == hash && slots_[i].node->name == node.name)
            return false;
    slots_[i] = Slot{hash, &node};
    ++count_;
    return true;
}

// Removes by shifting the entries after it back, so that no marker of a
// removed entry lengthens later searches.
void NameIndex::erase(std::string_view name) {
    if (slots_.empty())
        return;
    const uint64_t hash = hashOf(name);
    const size_t mask = slots_.size() - 1;
    size_t hole = hash & mask;
    for (;; hole = (hole + 1) & mask) {
        if (!slots_[hole].node)
            return;
        if (slots_[hole].hash == hash && slots_[hole].node->name == name)
            break;
    }
    for (size_t next = (hole + 1) & mask; slots_[next].node; next = (next + 1) & mask) {
        size_t home = slots_[next].hash & mask;
        // An entry whose home lies after the hole (cyclically, up to itself) is still reachable.
        bool reachable =
            hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (reachable)
            continue;
        slots_[hole] = slots_[next];
        hole = next;
    }
    slots_[hole] = Slot();
    --count_;
}

void NameIndex::grow() {
    std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (!slot.node)
            continue;
        size_t i = slot.hash & mask;
        while (slots_[i].node)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

}  // namespace host::scene
