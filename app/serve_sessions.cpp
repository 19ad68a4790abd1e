#include "serve_sessions.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "common/json_depth.h"

namespace {

using Clock = std::chrono::steady_clock;

// An answer is a line of a few hundred characters.
constexpr size_t kMaxRecordLine = 64 * 1024;
// An answer holds a list of numbers at most.
constexpr size_t kMaxRecordDepth = 4;
// How long an edit may take before the child is given up.
constexpr int kEditSeconds = 120;

bool writeAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

bool awaitRecord(SessionChild& child, const std::string& key, int seconds, nlohmann::json& record) {
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        size_t end;
        while ((end = child.pending.find('\n')) != std::string::npos) {
            std::string line = child.pending.substr(0, end);
            child.pending.erase(0, end + 1);
            // The child read a hostile model: what it says is checked.
            nlohmann::json parsed =
                line.size() <= kMaxRecordLine && kivano::jsonDepthWithin(line, kMaxRecordDepth)
                    ? nlohmann::json::parse(line, nullptr, false)
                    : nlohmann::json();
            if (!parsed.is_object())
                continue;
            if (parsed.contains(key) || (parsed.contains("stage") && parsed["stage"] == key)) {
                record = std::move(parsed);
                return true;
            }
        }
        if (child.pending.size() > kMaxRecordLine)
            child.pending.clear();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{child.fromChild, POLLIN, 0};
        int polled = poll(&ready, 1, int(left.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        char buffer[4096];
        ssize_t got = read(child.fromChild, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        child.pending.append(buffer, size_t(got));
    }
}

EditSessions::~EditSessions() {
    for (auto& [job, entry] : entries_)
        stop(*entry);
}

void EditSessions::stop(Entry& entry) {
    if (!entry.live)
        return;
    kill(-entry.child.pid, SIGKILL);
    close(entry.child.toChild);
    close(entry.child.fromChild);
    while (waitpid(entry.child.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    entry.child = {};
    entry.live = false;
}

std::shared_ptr<EditSessions::Entry> EditSessions::entry(const std::string& job) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Entry>& found = entries_[job];
    if (!found)
        found = std::make_shared<Entry>();
    return found;
}

// Ends the least lately used children beyond the most allowed, but those
// in the middle of an edit and the job's own.
void EditSessions::makeRoom(const std::string& keep) {
    std::lock_guard lock(mutex_);
    for (;;) {
        size_t live = 0;
        std::shared_ptr<Entry> oldest;
        for (auto& [job, entry] : entries_) {
            if (!entry->live)
                continue;
            ++live;
            if (job != keep && (!oldest || entry->used < oldest->used))
                oldest = entry;
        }
        if (live <= most_ || !oldest)
            return;
        std::unique_lock busy(oldest->busy, std::try_to_lock);
        if (!busy.owns_lock())
            return;
        stop(*oldest);
    }
}

void EditSessions::adopt(const std::string& job, SessionChild child) {
    std::shared_ptr<Entry> found = entry(job);
    {
        std::lock_guard busy(found->busy);
        stop(*found);
        found->child = std::move(child);
        found->live = true;
        found->dirty = false;
        found->used = Clock::now();
    }
    makeRoom(job);
}

bool EditSessions::ask(Entry& entry, const nlohmann::json& line, nlohmann::json& answer,
                       std::string& error) {
    nlohmann::json record;
    if (!writeAll(entry.child.toChild, line.dump() + "\n") ||
        !awaitRecord(entry.child, "edit", kEditSeconds, record) || !record["edit"].is_object()) {
        stop(entry);
        error = "the editing of this job stopped; try again";
        return false;
    }
    answer = std::move(record["edit"]);
    return true;
}

bool EditSessions::send(const std::string& job, const nlohmann::json& line, bool changes,
                        const Starter& start, nlohmann::json& answer, std::string& error) {
    std::shared_ptr<Entry> found = entry(job);
    {
        std::lock_guard busy(found->busy);
        if (!found->live) {
            if (!start(found->child, error))
                return false;
            found->live = true;
        }
        found->used = Clock::now();
        if (!ask(*found, line, answer, error))
            return false;
        found->dirty = found->dirty || (changes && answer.value("done", false));
    }
    makeRoom(job);
    return true;
}

bool EditSessions::edit(const std::string& job, const nlohmann::json& edit, const Starter& start,
                        nlohmann::json& answer, std::string& error) {
    return send(job, edit, true, start, answer, error);
}

bool EditSessions::request(const std::string& job, const nlohmann::json& request,
                           const Starter& start, nlohmann::json& answer, std::string& error) {
    return send(job, request, false, start, answer, error);
}

std::shared_ptr<EditSessions::Entry> EditSessions::existing(const std::string& job, bool remove) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(job);
    if (it == entries_.end())
        return nullptr;
    std::shared_ptr<Entry> found = it->second;
    if (remove)
        entries_.erase(it);
    return found;
}

void EditSessions::flush(const std::string& job) {
    std::shared_ptr<Entry> found = existing(job, false);
    if (!found)
        return;
    std::lock_guard busy(found->busy);
    if (!found->live || !found->dirty)
        return;
    nlohmann::json answer;
    std::string error;
    if (ask(*found, {{"op", "flush"}}, answer, error))
        found->dirty = !answer.value("done", false);
}

void EditSessions::end(const std::string& job) {
    std::shared_ptr<Entry> found = existing(job, true);
    if (!found)
        return;
    std::lock_guard busy(found->busy);
    stop(*found);
}
