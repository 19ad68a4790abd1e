#pragma once
// The host's one undo queue. Each entry holds the steps of one top-level
// command; undo runs them backwards, redo forwards. A new entry after undos
// drops the entries that could have been redone.
#include <cstddef>
#include <string>
#include <vector>

#include <maya/MStatus.h>

#include "core/command.h"

namespace host {

struct UndoEntry {
    std::string command;  // what the user ran, for messages
    std::vector<UndoStep> steps;
};

class UndoQueue {
public:
    static UndoQueue& instance();

    void push(UndoEntry entry);
    // false when there is nothing to undo / redo.
    bool undo();
    bool redo();
    void clear();

    // Inspection (tests, tools): entries in order and how many are done.
    const std::vector<UndoEntry>& entries() const { return entries_; }
    std::size_t doneCount() const { return done_; }
    bool replaying() const { return replaying_; }

private:
    std::vector<UndoEntry> entries_;
    std::size_t done_ = 0;  // entries_[0 .. done_) are done; the rest can be redone
    bool replaying_ = false;
};

}  // namespace host
