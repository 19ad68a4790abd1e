#pragma once
// Runs a server keeps for editing finished jobs: a child that unfolded a
// job and said "ready" stays, taking one edit per line and answering on its
// record descriptor. At most a few live at once; the one used least lately
// ends first, and an edit to a job without one starts it again from the
// job's project.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

struct SessionChild {
    pid_t pid = 0;
    int toChild = -1;     // its standard input
    int fromChild = -1;   // its records
    std::string pending;  // read past the last whole line
};

// Reads the child's records until one has `key` ("ready" as a stage, or an
// "edit" answer) or `seconds` pass; false when it ended or took too long.
bool awaitRecord(SessionChild& child, const std::string& key, int seconds, nlohmann::json& record);

class EditSessions {
public:
    // Starts a child for a job, ready for edits; false with the reason.
    using Starter = std::function<bool(SessionChild&, std::string&)>;

    explicit EditSessions(size_t most) : most_(most) {}
    ~EditSessions();
    EditSessions(const EditSessions&) = delete;
    EditSessions& operator=(const EditSessions&) = delete;

    // Takes over the child of a job that just finished.
    void adopt(const std::string& job, SessionChild child);
    // Sends one edit (a JSON object, one line) to the job's child, started
    // by `start` when it has none, and gives its answer; false with the
    // reason when the child failed.
    bool edit(const std::string& job, const nlohmann::json& edit, const Starter& start,
              nlohmann::json& answer, std::string& error);
    // As edit, for a request that leaves the sheet as it is (a picture of a
    // page): nothing is left to flush after it.
    bool request(const std::string& job, const nlohmann::json& request, const Starter& start,
                 nlohmann::json& answer, std::string& error);
    // Before a download: the child writes what the edits left stale.
    void flush(const std::string& job);
    void end(const std::string& job);

private:
    struct Entry {
        std::mutex busy;  // one edit at a time
        SessionChild child;
        bool live = false, dirty = false;
        std::chrono::steady_clock::time_point used = std::chrono::steady_clock::now();
    };
    std::shared_ptr<Entry> entry(const std::string& job);
    // The job's entry if it has one, taken out of the table with `remove`.
    std::shared_ptr<Entry> existing(const std::string& job, bool remove);
    void makeRoom(const std::string& keep);
    static void stop(Entry& entry);
    bool ask(Entry& entry, const nlohmann::json& line, nlohmann::json& answer, std::string& error);
    bool send(const std::string& job, const nlohmann::json& line, bool changes,
              const Starter& start, nlohmann::json& answer, std::string& error);

    size_t most_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Entry>> entries_;
};
