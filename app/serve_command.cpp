#include "serve_command.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "common/json_depth.h"
#include "job_events.h"
#include "job_files.h"
#include "job_process.h"
#include "option_table.h"
#include "serve_access.h"
#include "serve_sessions.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A finished job's files stay this long for downloads.
constexpr auto kJobLifetime = std::chrono::hours(1);
constexpr auto kSweepEvery = std::chrono::minutes(1);
// An idle event stream sends a comment this often, which finds a client
// that went away.
constexpr auto kKeepAlive = std::chrono::seconds(15);
// Each connection holds a worker while it is open, however slowly its client
// sends: enough of them that slow clients leave room for everyone else, made
// only as connections need them.
constexpr size_t kMaxWorkers = 256;
// Event streams hold a worker each for as long as a job runs: a page needs
// one, a few tabs a few.
constexpr int kStreamsPerJob = 4;
constexpr int kStreamsInAll = 64;
// A job's id and the server's token: unguessable.
constexpr size_t kIdBytes = 16;
constexpr size_t kTokenBytes = 16;
// The child's report: what a sheet of the page limit can hold, and flat.
constexpr size_t kMaxReportBytes = 256 * 1024 * 1024;
constexpr size_t kMaxReportDepth = 16;
// Finished jobs kept running for their edits: each holds its sheet in
// memory.
constexpr size_t kLiveSessions = 4;
// An edit is a few dozen characters of JSON.
constexpr size_t kMaxEditBytes = 4096;
// A page's picture is drawn at the next of these widths up from the one
// asked for, so no caller makes more than a few files of any page.
constexpr int kPictureStep = 128;
constexpr int kMinPictureWidth = 128, kMaxPictureWidth = 3072, kPictureWidth = 1024;
// A client that sends nothing for this long is let go.
constexpr auto kReadTimeout = std::chrono::seconds(5);
constexpr auto kWriteTimeout = std::chrono::seconds(5);

#ifndef KIVANO_WEB_ROOT
#define KIVANO_WEB_ROOT "web"
#endif

enum class JobState { Queued, Running, Done, Failed, Cancelled };

const char* stateName(JobState state) {
    switch (state) {
    case JobState::Queued:
        return "queued";
    case JobState::Running:
        return "running";
    case JobState::Done:
        return "done";
    case JobState::Failed:
        return "failed";
    case JobState::Cancelled:
        return "cancelled";
    }
    return "";
}

// A job's folder holds the upload in "in" and the run's outputs in "out":
// no upload can stand in for an output, and the run reads only from "in".
struct Job {
    std::string id;
    fs::path dir;
    std::string model;              // file name in dir / "in"
    std::vector<std::string> args;  // the options as the command's arguments
    Clock::time_point created = Clock::now();
    JobState state = JobState::Queued;
    // When its run began and ended, seconds since 1970; 0 before.
    double started = 0.0, finished = 0.0;
    std::vector<JobEvent> events;  // its own; its place in the queue is asked for
    std::string error;
    std::vector<Suggestion> suggestions;  // a failed run's, for the page to offer
    bool cancelled = false;
    int streams = 0;       // event streams open on it
    bool project = false;  // uploaded with a project
};

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// ---- one run ----------------------------------------------------------------

struct RunOutcome {
    int status = 0;  // as waitpid gives it
    std::vector<JobEvent> events;
};

// The child works in the upload's folder, reads nothing outside it, and is
// given plain names, so its messages and report name the files as the
// person uploaded them.
// The current project of a finished job, and the one it was uploaded with.
constexpr const char* kJobProject = "../out/project.kivano.json";
constexpr const char* kUploadedProject = "../project.kivano.json";

std::vector<std::string> childArguments(const Job& job, const char* project) {
    std::vector<std::string> args{"kivano",
                                  "unfold",
                                  job.model,
                                  "--read-within",
                                  ".",
                                  "-o",
                                  "../out/sheet.pdf",
                                  "-o",
                                  "../out/page.svg",
                                  "-o",
                                  "../out/scene.obj",
                                  "--json",
                                  "../out/report.json",
                                  "--faces-json",
                                  "../out/faces.json",
                                  "--save-project",
                                  kJobProject,
                                  "--edit-session",
                                  "--progress-fd",
                                  "3",
                                  "--quiet"};
    if (project)
        args.insert(args.end(), {"--project", project});
    args.insert(args.end(), job.args.begin(), job.args.end());
    return args;
}

// What the child said first on its standard error, for a run that ended
// without its error record: an option its parser refused, whose first line
// names the option and what is wrong with it. The page shows the sentence
// without the command's prefix.
std::string firstLogLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line;
    const std::string prefix = "kivano: error: ";
    while (std::getline(in, line))
        if (!line.empty())
            return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line;
    return {};
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The child's report; null when it is missing or not the flat record it
// should be (the child read a hostile model: its output is not trusted
// with the server's stack).
nlohmann::json readReport(const fs::path& path) {
    std::error_code code;
    auto size = fs::file_size(path, code);
    if (code || size > kMaxReportBytes)
        return nullptr;
    std::string text = readFile(path);
    if (!kivano::jsonDepthWithin(text, kMaxReportDepth))
        return nullptr;
    return nlohmann::json::parse(text, nullptr, false);
}

// Connections each on a worker of their own, workers made as connections
// need them up to a bound and kept for the next.
class ConnectionWorkers : public httplib::TaskQueue {
public:
    explicit ConnectionWorkers(size_t max) : max_(max) {}

    void enqueue(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (tasks_.size() > idle_ && threads_.size() < max_)
            threads_.emplace_back([this] { serve(); });
        else
            ready_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            ready_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            --idle_;
            if (tasks_.empty())
                return;
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    size_t max_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

// ---- the queue --------------------------------------------------------------

struct QueueLimits {
    size_t waiting = 32;
    int jobSeconds = 600;
    ChildLimits child;
};

enum class Cancel { Unknown, Ended, Done };

class JobQueue {
public:
    JobQueue(fs::path root, QueueLimits limits) : root_(std::move(root)), limits_(limits) {}

    // A job with its folders, not yet queued; null when the queue is full
    // (`full`) or no folder can be made.
    std::shared_ptr<Job> create(bool& full) {
        {
            std::lock_guard lock(mutex_);
            full = waiting_.size() >= limits_.waiting;
        }
        if (full)
            return nullptr;
        auto job = std::make_shared<Job>();
        job->id = randomHex(kIdBytes);
        job->dir = root_ / job->id;
        std::error_code code;
        fs::create_directory(job->dir, code);
        if (!code)
            fs::create_directory(job->dir / "in", code);
        if (!code)
            fs::create_directory(job->dir / "out", code);
        if (code) {
            discard(job);
            return nullptr;
        }
        return job;
    }

    // False when the queue filled up meanwhile.
    bool enqueue(const std::shared_ptr<Job>& job) {
        std::lock_guard lock(mutex_);
        if (waiting_.size() >= limits_.waiting)
            return false;
        jobs_[job->id] = job;
        waiting_.push_back(job);
        changed_.notify_all();
        return true;
    }

    // Removes a job that was never queued.
    void discard(const std::shared_ptr<Job>& job) {
        std::error_code code;
        fs::remove_all(job->dir, code);
    }

    size_t waitingLimit() const { return limits_.waiting; }

    std::shared_ptr<Job> find(const std::string& id) {
        std::lock_guard lock(mutex_);
        auto found = jobs_.find(id);
        return found == jobs_.end() ? nullptr : found->second;
    }

    // A copy of the job's state, taken under the lock, with its place in the
    // queue as its last event while it waits.
    Job snapshot(const Job& job) {
        std::lock_guard lock(mutex_);
        Job copy = job;
        if (job.state == JobState::Queued)
            copy.events.push_back(queuedEvent(job));
        return copy;
    }

    // Stops a queued or running job; a running one's process group is killed.
    Cancel cancel(const std::string& id) {
        std::lock_guard lock(mutex_);
        auto found = jobs_.find(id);
        if (found == jobs_.end())
            return Cancel::Unknown;
        Job& job = *found->second;
        if (ended(job))
            return Cancel::Ended;
        job.cancelled = true;
        if (job.state == JobState::Queued) {
            waiting_.erase(std::find(waiting_.begin(), waiting_.end(), found->second));
            end(job, JobState::Cancelled, "the job was cancelled");
        } else if (running_ > 0) {
            kill(-running_, SIGKILL);
        }
        changed_.notify_all();
        return Cancel::Done;
    }

    // One of the event streams, held until it is dropped; null with the
    // reason when there are as many as allowed.
    std::shared_ptr<const Job> openStream(const std::shared_ptr<Job>& job, std::string& refusal) {
        std::lock_guard lock(mutex_);
        if (job->streams >= kStreamsPerJob)
            refusal = "this job has " + std::to_string(kStreamsPerJob) + " event streams open";
        else if (streams_ >= kStreamsInAll)
            refusal = "the server has " + std::to_string(kStreamsInAll) + " event streams open";
        if (!refusal.empty())
            return nullptr;
        ++job->streams;
        ++streams_;
        return std::shared_ptr<const Job>(job.get(), [this, job](const Job*) {
            std::lock_guard held(mutex_);
            --job->streams;
            --streams_;
        });
    }

    // Waits until the job has events past `sent`, its place in the queue
    // differs from `place`, it ended, or a while passed; returns what is new
    // and whether no more will come.
    std::vector<JobEvent> eventsAfter(const Job& job, size_t& sent, int& place, bool& finished) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kKeepAlive, [&] {
            return stopping_ || job.events.size() > sent || ended(job) ||
                   (job.state == JobState::Queued && queuedEvent(job).position != place);
        });
        finished = stopping_ || ended(job);
        std::vector<JobEvent> events;
        if (job.state == JobState::Queued && queuedEvent(job).position != place) {
            events.push_back(queuedEvent(job));
            place = events.back().position;
        }
        events.insert(events.end(), job.events.begin() + long(std::min(sent, job.events.size())),
                      job.events.end());
        sent = job.events.size();
        return events;
    }

    // Runs the jobs one after the other until stop().
    void work() {
        std::unique_lock lock(mutex_);
        Clock::time_point swept = Clock::now();
        while (!stopping_) {
            changed_.wait_for(lock, kSweepEvery, [&] { return stopping_ || !waiting_.empty(); });
            if (Clock::now() - swept >= kSweepEvery) {
                sweep();
                swept = Clock::now();
            }
            if (stopping_ || waiting_.empty())
                continue;
            std::shared_ptr<Job> job = waiting_.front();
            waiting_.pop_front();
            job->state = JobState::Running;
            job->started = secondsNow();
            changed_.notify_all();
            lock.unlock();
            run(*job);
            lock.lock();
        }
    }

    // One edit of a finished job's sheet; its child is started again from
    // the job's project when it is not running.
    bool edit(const Job& job, const nlohmann::json& edit, nlohmann::json& answer,
              std::string& error) {
        return sessions_.edit(job.id, edit, starter(job), answer, error);
    }

    // Has the job's child draw page `page` (from 1) of its sheet as it
    // stands, `width` pixels wide, beside its SVG pages.
    bool picture(const Job& job, int page, int width, nlohmann::json& answer, std::string& error) {
        return sessions_.request(job.id, {{"op", "picture"}, {"page", page}, {"width", width}},
                                 starter(job), answer, error);
    }

    void flush(const std::string& id) { sessions_.flush(id); }

    void stop() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (running_ > 0)
            kill(-running_, SIGKILL);
        changed_.notify_all();
    }

private:
    EditSessions::Starter starter(const Job& job) {
        return [this, &job](SessionChild& child, std::string& why) {
            int readEnd = -1, writeEnd = -1;
            pid_t pid =
                spawnChild(childArguments(job, kJobProject), (job.dir / "in").string(),
                           (job.dir / "log.txt").string(), limits_.child, &readEnd, &writeEnd);
            if (pid < 0)
                return why = "cannot start the editing", false;
            child = {pid, writeEnd, readEnd, {}};
            nlohmann::json ready;
            if (awaitRecord(child, "ready", limits_.jobSeconds, ready))
                return true;
            kill(-pid, SIGKILL);
            close(readEnd);
            close(writeEnd);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            why = "the job's sheet cannot be opened for editing again: " +
                  firstLogLine(job.dir / "log.txt");
            return false;
        };
    }

    static bool ended(const Job& job) {
        return job.state == JobState::Done || job.state == JobState::Failed ||
               job.state == JobState::Cancelled;
    }

    // How many jobs are ahead of a waiting one, plus one. Under the lock.
    JobEvent queuedEvent(const Job& job) const {
        auto at = std::find_if(waiting_.begin(), waiting_.end(),
                               [&](const auto& waiting) { return waiting.get() == &job; });
        return {"queued", 0, 0, int(at - waiting_.begin()) + 1, {}};
    }

    void push(Job& job, const JobEvent& event) {
        std::lock_guard lock(mutex_);
        job.events.push_back(event);
        changed_.notify_all();
    }

    // Finished jobs older than their lifetime go, files and all. Under the lock.
    void sweep() {
        for (auto it = jobs_.begin(); it != jobs_.end();) {
            if (ended(*it->second) && Clock::now() - it->second->created > kJobLifetime) {
                sessions_.end(it->first);
                std::error_code code;
                fs::remove_all(it->second->dir, code);
                it = jobs_.erase(it);
            } else
                ++it;
        }
    }

    void run(Job& job) {
        int readEnd = -1, writeEnd = -1;
        pid_t pid = spawnChild(childArguments(job, job.project ? kUploadedProject : nullptr),
                               (job.dir / "in").string(), (job.dir / "log.txt").string(),
                               limits_.child, &readEnd, &writeEnd);
        if (pid < 0) {
            finish(job, JobState::Failed, "cannot start the unfolding");
            return;
        }
        {
            std::lock_guard lock(mutex_);
            running_ = pid;
            if (stopping_ || job.cancelled)
                kill(-pid, SIGKILL);
        }
        bool late = false, ready = false;
        JobEvent failed = readEvents(job, readEnd, pid, late, ready);
        if (ready) {
            // Its sheet is written; it stays for the job's edits.
            {
                std::lock_guard lock(mutex_);
                running_ = 0;
            }
            sessions_.adopt(job.id, {pid, writeEnd, readEnd, {}});
            finish(job, JobState::Done, {});
            return;
        }
        close(readEnd);
        close(writeEnd);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        bool cancelled;
        {
            std::lock_guard lock(mutex_);
            running_ = 0;
            cancelled = job.cancelled;
        }
        if (cancelled)
            finish(job, JobState::Cancelled, "the job was cancelled");
        else if (late)
            finish(job, JobState::Failed,
                   "the unfolding took longer than this server allows (" +
                       std::to_string(limits_.jobSeconds) + " s)");
        else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            finish(job, JobState::Done, {});
        else if (!failed.error.empty())
            finish(job, JobState::Failed, failed.error, failed.suggestions);
        else if (WIFSIGNALED(status))
            finish(job, JobState::Failed, stoppedBy(WTERMSIG(status)));
        else {
            std::string first = firstLogLine(job.dir / "log.txt");
            finish(job, JobState::Failed, first.empty() ? "the unfolding failed" : first);
        }
    }

    std::string stoppedBy(int signal) const {
        std::string text = "the unfolding stopped on signal " + std::to_string(signal);
        if (limits_.child.memoryMb > 0 && memoryLimitSupported())
            text += " (it may have needed more than this server's " +
                    std::to_string(limits_.child.memoryMb) + " MB)";
        return text;
    }

    // Passes the child's records on as they come until it closes its end or
    // its time is up (`late`, its group killed); returns its failure, if any.
    JobEvent readEvents(Job& job, int fd, pid_t pid, bool& late, bool& readyForEdits) {
        std::string pending;
        JobEvent failed;
        char buffer[4096];
        auto deadline = Clock::now() + std::chrono::seconds(limits_.jobSeconds);
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd ready{fd, POLLIN, 0};
            int polled = left.count() > 0 ? poll(&ready, 1, int(left.count())) : 0;
            if (polled < 0 && errno == EINTR)
                continue;
            if (polled == 0) {
                late = true;
                kill(-pid, SIGKILL);
                break;
            }
            ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            pending.append(buffer, size_t(got));
            size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                JobEvent event;
                if (parseJobEvent(pending.substr(0, end), event)) {
                    if (event.stage == "ready")
                        return readyForEdits = true, failed;
                    if (event.stage == "failed")
                        failed = event;  // told once the child is gone
                    else
                        push(job, event);
                }
                pending.erase(0, end + 1);
            }
            // A child that writes no newline must not grow the server.
            if (pending.size() > sizeof buffer * 16)
                pending.clear();
        }
        return failed;
    }

    // Under the lock.
    void end(Job& job, JobState state, const std::string& error,
             const std::vector<Suggestion>& suggestions = {}) {
        job.state = state;
        job.finished = secondsNow();
        job.error = error;
        job.suggestions = suggestions;
        const char* stage = state == JobState::Done ? "done" : stateName(state);
        job.events.push_back({stage, 0, 0, 0, error, suggestions});
    }

    void finish(Job& job, JobState state, const std::string& error,
                const std::vector<Suggestion>& suggestions = {}) {
        std::lock_guard lock(mutex_);
        end(job, state, error, suggestions);
        changed_.notify_all();
    }

    fs::path root_;
    QueueLimits limits_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::shared_ptr<Job>> jobs_;
    std::deque<std::shared_ptr<Job>> waiting_;
    pid_t running_ = 0;
    int streams_ = 0;
    bool stopping_ = false;
    EditSessions sessions_{kLiveSessions};
};

// ---- HTTP -------------------------------------------------------------------

void sendJson(httplib::Response& res, int status, const nlohmann::json& json) {
    res.status = status;
    res.set_content(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    "application/json");
}

void sendError(httplib::Response& res, int status, const std::string& message) {
    sendJson(res, status, {{"error", message}});
}

std::string queueFull(const JobQueue& queue) {
    return std::to_string(queue.waitingLimit()) +
           " jobs are waiting already, as many as this server takes: try again when one has "
           "finished";
}

std::string uploadLimit(size_t maxUploadMb) {
    return "the upload is larger than the limit of " + std::to_string(maxUploadMb) + " MB";
}

void postJob(JobQueue& queue, size_t maxUploadMb, const httplib::Request& req,
             httplib::Response& res, const httplib::ContentReader& content) {
    if (!req.is_multipart_form_data()) {
        // Read and dropped, so the connection stays in step.
        content([](const char*, size_t) { return true; });
        return sendError(res, 400,
                         "send the model as multipart/form-data, one 'files' field per file");
    }
    bool full = false;
    std::shared_ptr<Job> job = queue.create(full);
    if (full)
        return sendError(res, 429, queueFull(queue));
    if (!job)
        return sendError(res, 500, "cannot make a folder for the job");
    UploadFolder folder(job->dir / "in");
    std::string error, options;
    bool inOptions = false;
    // A project goes beside the upload, where no uploaded name can reach.
    std::unique_ptr<FILE, int (*)(FILE*)> project(nullptr, std::fclose);
    bool inProject = false;
    bool read = content(
        [&](const httplib::MultipartFormData& part) {
            inOptions = part.name == "options";
            inProject = part.name == "project";
            if (part.name == "files")
                return folder.begin(part.filename, error);
            if (inProject) {
                if (job->project)
                    return error = "send one project", false;
                project.reset(std::fopen((job->dir / "project.kivano.json").c_str(), "wbx"));
                job->project = project != nullptr;
                if (!project)
                    error = "cannot store the project";
                return job->project;
            }
            if (!inOptions)
                error = "unknown field '" + part.name +
                        "': send 'files', 'options' and, to go on with one, 'project'";
            return inOptions;
        },
        [&](const char* data, size_t size) {
            if (inProject)
                return std::fwrite(data, 1, size, project.get()) == size ||
                       (error = "cannot store the project", false);
            if (!inOptions)
                return folder.append(data, size, error);
            if (options.size() + size > kMaxOptionsBytes)
                return error = "the options are longer than " +
                               std::to_string(kMaxOptionsBytes / 1024) + " KB",
                       false;
            options.append(data, size);
            return true;
        });
    if (project && std::fclose(project.release()) != 0 && read)
        read = false, error = "cannot store the project";
    std::vector<std::string> args;
    int status = 400;
    if (!read && error.empty()) {
        status = res.status == 413 ? 413 : 400;
        error = status == 413 ? uploadLimit(maxUploadMb) : "malformed request";
    }
    if (read)
        read = folder.finish(job->model, error) && unfoldArguments(options, args, error);
    if (!read) {
        queue.discard(job);
        return sendError(res, status, error);
    }
    job->args = std::move(args);
    if (!queue.enqueue(job)) {
        queue.discard(job);
        return sendError(res, 429, queueFull(queue));
    }
    sendJson(res, 200, {{"id", job->id}});
}

// `brief` leaves out the report's labels, one record per printed label:
// megabytes for a dense model, and the page needs none of them.
nlohmann::json jobJson(const Job& job, bool brief = false) {
    nlohmann::json json{{"id", job.id}, {"state", stateName(job.state)}, {"model", job.model}};
    if (!job.events.empty()) {
        json["event"] = nlohmann::json::parse(jobEventJson(job.events.back()));
    }
    if (!job.error.empty())
        json["error"] = job.error;
    if (job.state == JobState::Failed)
        json["suggestions"] = suggestionsJson(job.suggestions);
    if (job.started > 0.0)
        json["started"] = job.started;
    if (job.finished > 0.0)
        json["finished"] = job.finished;
    if (job.state == JobState::Done) {
        json["report"] = readReport(job.dir / "out" / "report.json");
        if (brief && json["report"].is_object())
            json["report"].erase("labels");
    }
    return json;
}

// The files of a finished job, by the name the API gives them: its outputs
// only, never its upload.
fs::path jobFile(const Job& job, const std::string& name) {
    fs::path out = job.dir / "out";
    if (name.rfind("page-", 0) == 0) {
        // One page is written without a number.
        fs::path single = out / "page.svg";
        return name == "page-1.svg" && fs::exists(single) ? single : out / name;
    }
    return out / name;
}

std::string downloadName(const Job& job, const std::string& name) {
    std::string stem = fs::path(job.model).stem().string();
    // It goes between quotes in a header.
    for (char& c : stem)
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    if (name == "project.kivano.json")
        return stem + ".kivano.json";
    return name == "sheet.pdf" ? stem + ".pdf" : stem + "-" + name;
}

void getJobFile(JobQueue& queue, const httplib::Request& req, httplib::Response& res,
                const std::string& name, const char* type) {
    std::shared_ptr<Job> job = queue.find(req.matches[1]);
    if (!job)
        return sendError(res, 404, "no such job");
    Job state = queue.snapshot(*job);
    if (state.state != JobState::Done)
        return sendError(res, 409, std::string("the job is ") + stateName(state.state));
    if (name == "sheet.pdf" || name == "faces.json" || name == "faces.bin")
        queue.flush(state.id);
    fs::path path = jobFile(state, name);
    std::error_code code;
    if (!fs::is_regular_file(path, code))
        return sendError(res, 404, "the job has no " + name);
    res.set_content(readFile(path), type);
    res.set_header("Content-Disposition", "inline; filename=\"" + downloadName(state, name) + "\"");
    // A page is printed output, but an SVG may hold script: whatever a model
    // smuggled into one runs nowhere, not even when opened on its own.
    if (name.rfind("page-", 0) == 0)
        res.set_header("Content-Security-Policy",
                       "sandbox; default-src 'none'; img-src data:; style-src 'unsafe-inline'");
}

// The width of `width=W`, stepped up and held within the widths pictures
// are drawn at; the default without one. False for anything but one whole
// number.
bool pictureWidth(const httplib::Request& req, int& width) {
    size_t given = req.get_param_value_count("width");
    std::string text = given == 1 ? req.get_param_value("width") : std::string();
    if (given > 1 ||
        (given == 1 && (text.empty() || !std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; }))))
        return false;
    if (given == 0)
        return width = kPictureWidth, true;
    width = 0;
    for (char c : text)
        width = std::min(width * 10 + (c - '0'), kMaxPictureWidth);
    width = (width + kPictureStep - 1) / kPictureStep * kPictureStep;
    width = std::clamp(width, kMinPictureWidth, kMaxPictureWidth);
    return true;
}

// GET /api/jobs/{id}/page-N.png?width=W: page N of a finished job's sheet as
// it stands, drawn by its run, which keeps each page's latest picture
// until an edit changes the page.
void getPagePicture(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    std::shared_ptr<Job> job = queue.find(req.matches[1]);
    if (!job)
        return sendError(res, 404, "no such job");
    int width = 0;
    if (!pictureWidth(req, width))
        return sendError(res, 400, "give the width as one whole number of pixels");
    Job state = queue.snapshot(*job);
    if (state.state != JobState::Done)
        return sendError(res, 409, std::string("the job is ") + stateName(state.state));
    std::string page = req.matches[2];
    std::error_code code;
    if (!fs::is_regular_file(jobFile(state, "page-" + page + ".svg"), code))
        return sendError(res, 404, "the job has no page " + page);
    fs::path path = state.dir / "out" / ("page-" + page + ".w" + std::to_string(width) + ".png");
    std::string png = readFile(path);
    // An edit between drawing and reading takes the picture away again.
    for (int tries = 0; png.empty() && tries < 2; ++tries) {
        nlohmann::json answer;
        std::string error;
        if (!queue.picture(state, std::stoi(page), width, answer, error))
            return sendError(res, 500, error);
        if (!answer.value("done", false))
            return sendError(res, answer.contains("pages") ? 404 : 500,
                             answer.contains("refusal") && answer["refusal"].is_string()
                                 ? answer["refusal"].get<std::string>()
                                 : std::string("the page cannot be drawn"));
        png = readFile(path);
    }
    if (png.empty())
        return sendError(res, 503, "the page changed while it was drawn: try again");
    res.set_content(png, "image/png");
    res.set_header("Content-Disposition",
                   "inline; filename=\"" + downloadName(state, "page-" + page + ".png") + "\"");
    // Edits change a page under the same address.
    res.set_header("Cache-Control", "no-store");
}

void getEvents(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    std::shared_ptr<Job> job = queue.find(req.matches[1]);
    if (!job)
        return sendError(res, 404, "no such job");
    std::string refusal;
    std::shared_ptr<const Job> slot = queue.openStream(job, refusal);
    if (!slot)
        return sendError(res, 429, refusal);
    res.set_header("Cache-Control", "no-cache");
    size_t sent = 0;
    int place = 0;
    res.set_chunked_content_provider(
        "text/event-stream",
        [&queue, job, slot, sent, place](size_t, httplib::DataSink& sink) mutable {
            bool finished = false;
            std::vector<JobEvent> events = queue.eventsAfter(*job, sent, place, finished);
            std::string text = events.empty() ? ": waiting\n\n" : "";
            for (const JobEvent& event : events)
                text += "data: " + jobEventJson(event) + "\n\n";
            if (!sink.write(text.data(), text.size()))
                return false;
            if (finished)
                sink.done();
            return true;
        });
}

// POST /api/jobs/{id}/edits: one edit, as the command line's --edit takes
// it, of a finished job's sheet.
void postEdit(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    std::shared_ptr<Job> job = queue.find(req.matches[1]);
    if (!job)
        return sendError(res, 404, "no such job");
    if (req.body.size() > kMaxEditBytes)
        return sendError(res, 413,
                         "an edit is at most " + std::to_string(kMaxEditBytes) + " bytes");
    nlohmann::json sent = kivano::jsonDepthWithin(req.body, 3)
                              ? nlohmann::json::parse(req.body, nullptr, false)
                              : nlohmann::json();
    static const std::set<std::string> kOps{"join", "cut",    "flip-tab", "tab", "move",
                                            "turn", "repack", "undo",     "redo"};
    if (!sent.is_object() || !sent.contains("op") || !sent["op"].is_string() ||
        !kOps.count(sent["op"].get<std::string>()))
        return sendError(res, 400,
                         "send {\"op\": ...}, one of join, cut, flip-tab, tab, move, turn, "
                         "repack, undo, redo");
    // Only what an edit has goes on to the run.
    nlohmann::json edit = nlohmann::json::object();
    for (const char* key : {"op", "edge", "net", "page", "x", "y", "degrees", "on"})
        if (sent.contains(key))
            edit[key] = sent[key];
    Job state = queue.snapshot(*job);
    if (state.state != JobState::Done)
        return sendError(res, 409,
                         std::string("the job is ") + stateName(state.state) +
                             ": only a finished sheet can be edited");
    nlohmann::json answer;
    std::string error;
    if (!queue.edit(state, edit, answer, error))
        return sendError(res, 500, error);
    if (!answer.value("done", false))
        return sendError(res, 409,
                         answer.contains("refusal") && answer["refusal"].is_string()
                             ? answer["refusal"].get<std::string>()
                             : std::string("the edit is refused"));
    nlohmann::json shown{{"done", true}};
    for (const char* key : {"nets", "pages", "glue_numbers", "changed_pages", "changed_nets",
                            "undo_steps", "seconds"})
        if (answer.contains(key))
            shown[key] = answer[key];
    sendJson(res, 200, shown);
}

void deleteJob(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    switch (queue.cancel(req.matches[1])) {
    case Cancel::Unknown:
        return sendError(res, 404, "no such job");
    case Cancel::Ended:
        return sendError(res, 409, "the job has ended");
    case Cancel::Done:
        return sendJson(res, 200, {{"id", req.matches[1]}, {"state", "cancelled"}});
    }
}

const char* errorText(int status) {
    switch (status) {
    case 400:
        return "malformed request";
    case 404:
        return "not found";
    case 413:
        return "the upload is larger than the limit";
    default:
        return "the request failed";
    }
}

bool isApi(const httplib::Request& req) {
    return req.path.rfind("/api/", 0) == 0;
}

// Every request is checked before anything else reads it: an upload that
// may not come in is never received.
httplib::Server::HandlerResponse admit(const ServeAccess& access, const httplib::Request& req,
                                       httplib::Response& res) {
    // Debian's library compresses with brotli at its slowest setting when
    // asked; a large script then takes seconds and the events wait behind it.
    const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
    std::string refusal =
        access.refusal(req.get_header_value("Host"), req.get_header_value("Origin"),
                       req.get_header_value("Cookie"), req.get_header_value("X-Kivano-Token"),
                       req.get_param_value("token"), isApi(req));
    if (!refusal.empty()) {
        sendError(res, 403, refusal);
        return httplib::Server::HandlerResponse::Handled;
    }
    // The page opened with the token keeps it for its own requests.
    if (!isApi(req) && access.matches(req.get_param_value("token")))
        res.set_header("Set-Cookie", access.setCookie());
    return httplib::Server::HandlerResponse::Unhandled;
}

void route(httplib::Server& server, JobQueue& queue, const ServeAccess& access,
           const ServeOptions& o) {
    server.set_pre_routing_handler([&access](const httplib::Request& req, httplib::Response& res) {
        return admit(access, req, res);
    });
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Content-Type-Options", "nosniff");
    });
    server.set_error_handler([&o](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        std::string message = errorText(res.status);
        if (res.status == 413)
            message = uploadLimit(o.maxUploadMb);
        sendError(res, res.status, message);
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            sendError(res, 500, "the request failed inside the server");
        });
    server.Get("/api/options", [](const httplib::Request&, httplib::Response& res) {
        sendJson(res, 200, optionsJson(unfoldOptionTable()));
    });
    server.Post("/api/jobs", [&queue, &o](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& content) {
        postJob(queue, o.maxUploadMb, req, res, content);
    });
    const std::string job = "/api/jobs/([0-9a-f]{" + std::to_string(2 * kIdBytes) + "})";
    server.Get(job, [&queue](const httplib::Request& req, httplib::Response& res) {
        std::shared_ptr<Job> found = queue.find(req.matches[1]);
        if (!found)
            return sendError(res, 404, "no such job");
        sendJson(res, 200,
                 jobJson(queue.snapshot(*found), req.get_param_value("report") == "brief"));
    });
    server.Delete(job, [&queue](const httplib::Request& req, httplib::Response& res) {
        deleteJob(queue, req, res);
    });
    server.Get(job + "/events", [&queue](const httplib::Request& req, httplib::Response& res) {
        getEvents(queue, req, res);
    });
    server.Get(job + "/sheet.pdf", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "sheet.pdf", "application/pdf");
    });
    server.Get(job + "/(page-[1-9][0-9]{0,5}\\.svg)",
               [&queue](const httplib::Request& req, httplib::Response& res) {
                   getJobFile(queue, req, res, req.matches[2], "image/svg+xml");
               });
    server.Get(job + "/page-([1-9][0-9]{0,5})\\.png",
               [&queue](const httplib::Request& req, httplib::Response& res) {
                   getPagePicture(queue, req, res);
               });
    server.Get(job + "/scene.obj", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "scene.obj", "text/plain");
    });
    server.Get(job + "/faces", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "faces.json", "application/json");
    });
    server.Get(job + "/faces\\.bin", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "faces.bin", "application/octet-stream");
    });
    server.Get(job + "/project", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "project.kivano.json", "application/json");
    });
    server.Post(job + "/edits", [&queue](const httplib::Request& req, httplib::Response& res) {
        postEdit(queue, req, res);
    });
}

std::string webRoot(const ServeOptions& o) {
    return o.webRoot.empty() ? std::string(KIVANO_WEB_ROOT) : o.webRoot;
}

// Where a person points the browser: the address given, the loopback address
// for a server on every interface, with the token.
std::string pageAddress(const std::string& host, int port, const std::string& token) {
    std::string shown = host == "0.0.0.0" || host == "::" ? "127.0.0.1" : host;
    if (shown.find(':') != std::string::npos)
        shown = "[" + shown + "]";
    return "http://" + shown + ":" + std::to_string(port) + "/?token=" + token;
}

}  // namespace

int runServe(const ServeOptions& options) {
    std::string root = webRoot(options);
    std::error_code code;
    if (!fs::is_regular_file(fs::path(root) / "index.html", code)) {
        std::fprintf(stderr, "kivano: error: no page to serve in %s (build the project first)\n",
                     root.c_str());
        return 1;
    }
    // Jobs run in folders of their own: a plug-in named relative to here
    // must still be found from there.
    if (const char* plugin = std::getenv("KIVANO_PLUGIN"); plugin && *plugin)
        setenv("KIVANO_PLUGIN", fs::absolute(plugin, code).c_str(), 1);
    // Signals wait for one thread that stops everything in order; the
    // other threads, started after this, never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string temp = (fs::temp_directory_path(code) / "kivano-serve-XXXXXX").string();
    if (code || !mkdtemp(temp.data())) {
        std::fprintf(stderr, "kivano: error: cannot make a folder for jobs in %s\n",
                     fs::temp_directory_path(code).c_str());
        return 1;
    }
    QueueLimits limits;
    limits.waiting = options.maxQueue;
    limits.jobSeconds = options.jobSeconds;
    limits.child.memoryMb = options.jobMemoryMb;
    JobQueue queue(temp, limits);
    httplib::Server server;
    server.new_task_queue = [] { return new ConnectionWorkers(kMaxWorkers); };
    server.set_payload_max_length(options.maxUploadMb * 1024 * 1024);
    server.set_read_timeout(kReadTimeout);
    server.set_write_timeout(kWriteTimeout);
    server.set_mount_point("/", root);

    // The library listens with a backlog of 5: a burst of connections beyond
    // that waits in vain for the server's part of the handshake and ends
    // unanswered. Listening again on the same socket lifts the backlog.
    int listening = -1;
    server.set_socket_options([&listening](socket_t sock) {
        httplib::default_socket_options(sock);
        listening = sock;
    });
    int port = options.port;
    bool bound = port == 0 ? (port = server.bind_to_any_port(options.host)) > 0
                           : server.bind_to_port(options.host, port);
    if (bound && listening >= 0)
        ::listen(listening, SOMAXCONN);
    if (!bound) {
        fs::remove_all(temp, code);
        std::fprintf(stderr, "kivano: error: cannot listen on %s port %d (in use?)\n",
                     options.host.c_str(), options.port);
        return 1;
    }
    ServeAccess access(options.host, port, randomHex(kTokenBytes));
    route(server, queue, access, options);
    if (!isLoopback(options.host))
        std::fprintf(stderr,
                     "kivano: warning: %s is reachable from the network: anyone who has the "
                     "address with its token below can run jobs here\n",
                     options.host.c_str());
    std::printf("kivano: serving on %s (Ctrl-C stops)\n",
                pageAddress(options.host, port, access.token()).c_str());
    std::fflush(stdout);

    std::thread signals([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        queue.stop();
        server.stop();
    });
    std::thread worker([&] { queue.work(); });
    bool listened = server.listen_after_bind();
    // Listening ended by itself: wake the signal thread with a signal of its own.
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    worker.join();
    fs::remove_all(temp, code);
    std::printf("kivano: stopped\n");
    return listened ? 0 : 1;
}

extern "C" int kivanoServe(const ServeOptions* options) {
    return runServe(*options);
}
