#include "core/undo_queue.h"

#include <cassert>

namespace host {

namespace {

// Commands that run while a step replays must not record themselves.
struct ReplayGuard {
    bool& flag;
    explicit ReplayGuard(bool& f) : flag(f) { flag = true; }
    ~ReplayGuard() { flag = false; }
};

}  // namespace

UndoQueue& UndoQueue::instance() {
    static UndoQueue queue;
    return queue;
}

void UndoQueue::push(UndoEntry entry) {
    assert(!replaying_);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(done_), entries_.end());
    entries_.push_back(std::move(entry));
    done_ = entries_.size();
}

bool UndoQueue::undo() {
    if (done_ == 0)
        return false;
    ReplayGuard guard(replaying_);
    UndoEntry& entry = entries_[done_ - 1];
    for (auto step = entry.steps.rbegin(); step != entry.steps.rend(); ++step)
        if (step->undo)
            step->undo();
    --done_;
    return true;
}

bool UndoQueue::redo() {
    if (done_ == entries_.size())
        return false;
    ReplayGuard guard(replaying_);
    UndoEntry& entry = entries_[done_];
    for (UndoStep& step : entry.steps)
        if (step.redo)
            step.redo();
    ++done_;
    return true;
}

void UndoQueue::clear() {
    // Steps may own command objects whose destructors run host code: move them
    // out first so the queue is consistent while they are destroyed.
    std::vector<UndoEntry> old;
    old.swap(entries_);
    done_ = 0;
}

}  // namespace host
