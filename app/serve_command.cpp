#include "serve_command.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
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
#include <random>
#include <sstream>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "job_events.h"
#include "job_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A finished job's files stay this long for downloads.
constexpr auto kJobLifetime = std::chrono::hours(1);
constexpr auto kSweepEvery = std::chrono::minutes(1);
// An idle event stream sends a comment this often, which finds a client
// that went away.
constexpr auto kKeepAlive = std::chrono::seconds(15);
// Event streams hold a thread each while a job runs.
constexpr size_t kServerThreads = 32;

#ifndef KIVANO_WEB_ROOT
#define KIVANO_WEB_ROOT "web"
#endif

enum class JobState { Queued, Running, Done, Failed };

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
    }
    return "";
}

struct Job {
    std::string id;
    fs::path dir;
    std::string model;              // file name in dir
    std::vector<std::string> args;  // the options as the command's arguments
    Clock::time_point created = Clock::now();
    JobState state = JobState::Queued;
    // When its run began and ended, seconds since 1970; 0 before.
    double started = 0.0, finished = 0.0;
    std::vector<JobEvent> events;
    std::string error;
};

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string newJobId() {
    static std::mutex mutex;
    static std::mt19937_64 random{std::random_device{}()};
    std::lock_guard lock(mutex);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
    return text;
}

// ---- one run ----------------------------------------------------------------

struct RunOutcome {
    int status = 0;  // as waitpid gives it
    std::vector<JobEvent> events;
};

// The child works in the job's folder and is given plain names, so its
// messages and report name the files as the person uploaded them.
std::vector<std::string> childArguments(const Job& job) {
    std::vector<std::string> args{"kivano",      "unfold",
                                  job.model,     "-o",
                                  "sheet.pdf",   "-o",
                                  "page.svg",    "-o",
                                  "scene.obj",   "--json",
                                  "report.json", "--faces-json",
                                  "faces.json",  "--progress-fd",
                                  "3",           "--quiet"};
    args.insert(args.end(), job.args.begin(), job.args.end());
    return args;
}

// Starts "kivano unfold" on the job with its records coming to `*readEnd`;
// its own process group, so a Ctrl-C at the terminal reaches the server
// alone, and the server's signal mask undone.
pid_t spawnRun(const Job& job, int* readEnd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    // The descriptor the child writes to is 3; keep the pipe's clear of it.
    int writeEnd = fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
    close(fds[1]);
    std::vector<std::string> args = childArguments(job);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::string dir = job.dir.string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "log.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGPIPE})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    if (posix_spawn(&pid, "/proc/self/exe", &actions, &attr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(writeEnd);
    if (pid < 0)
        close(fds[0]);
    else
        *readEnd = fds[0];
    return pid;
}

// What the child said first on its standard error, for a run that ended
// without its error record: an option its parser refused, whose first line
// names the option and what is wrong with it.
std::string firstLogLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            return line;
    return {};
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// ---- the queue --------------------------------------------------------------

class JobQueue {
public:
    explicit JobQueue(fs::path root) : root_(std::move(root)) {}

    std::shared_ptr<Job> create() {
        auto job = std::make_shared<Job>();
        job->id = newJobId();
        job->dir = root_ / job->id;
        std::error_code code;
        fs::create_directory(job->dir, code);
        return code ? nullptr : job;
    }

    void enqueue(const std::shared_ptr<Job>& job) {
        std::lock_guard lock(mutex_);
        jobs_[job->id] = job;
        waiting_.push_back(job);
        announcePositions();
        changed_.notify_all();
    }

    // Removes a job that was never queued.
    void discard(const std::shared_ptr<Job>& job) {
        std::error_code code;
        fs::remove_all(job->dir, code);
    }

    std::shared_ptr<Job> find(const std::string& id) {
        std::lock_guard lock(mutex_);
        auto found = jobs_.find(id);
        return found == jobs_.end() ? nullptr : found->second;
    }

    // A copy of the job's state, taken under the lock.
    Job snapshot(const Job& job) {
        std::lock_guard lock(mutex_);
        return job;
    }

    // Waits until the job has events past `sent`, it ended, or a while
    // passed; returns the new events and whether no more will come.
    std::vector<JobEvent> eventsAfter(const Job& job, size_t sent, bool& finished) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kKeepAlive,
                          [&] { return stopping_ || job.events.size() > sent || ended(job); });
        finished = stopping_ || ended(job);
        return std::vector<JobEvent>(job.events.begin() + long(std::min(sent, job.events.size())),
                                     job.events.end());
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
            announcePositions();
            lock.unlock();
            run(*job);
            lock.lock();
        }
    }

    void stop() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (running_ > 0)
            kill(-running_, SIGTERM);
        changed_.notify_all();
    }

private:
    static bool ended(const Job& job) {
        return job.state == JobState::Done || job.state == JobState::Failed;
    }

    void push(Job& job, const JobEvent& event) {
        std::lock_guard lock(mutex_);
        job.events.push_back(event);
        changed_.notify_all();
    }

    // Tells every waiting job how many are ahead of it. Under the lock.
    void announcePositions() {
        for (size_t i = 0; i < waiting_.size(); ++i)
            waiting_[i]->events.push_back({"queued", 0, 0, int(i) + 1, {}});
    }

    // Finished jobs older than their lifetime go, files and all. Under the lock.
    void sweep() {
        for (auto it = jobs_.begin(); it != jobs_.end();) {
            if (ended(*it->second) && Clock::now() - it->second->created > kJobLifetime) {
                std::error_code code;
                fs::remove_all(it->second->dir, code);
                it = jobs_.erase(it);
            } else
                ++it;
        }
    }

    void run(Job& job) {
        int readEnd = -1;
        pid_t pid = spawnRun(job, &readEnd);
        if (pid < 0) {
            finish(job, JobState::Failed, "cannot start the unfolding");
            return;
        }
        {
            std::lock_guard lock(mutex_);
            running_ = pid;
            if (stopping_)
                kill(-pid, SIGTERM);
        }
        std::string error = readEvents(job, readEnd);
        close(readEnd);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        {
            std::lock_guard lock(mutex_);
            running_ = 0;
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            finish(job, JobState::Done, {});
        else if (!error.empty())
            finish(job, JobState::Failed, error);
        else if (WIFSIGNALED(status))
            finish(job, JobState::Failed,
                   "the unfolding stopped on signal " + std::to_string(WTERMSIG(status)));
        else {
            std::string first = firstLogLine(job.dir / "log.txt");
            finish(job, JobState::Failed, first.empty() ? "the unfolding failed" : first);
        }
    }

    // Passes the child's records on as they come; returns its error, if any.
    std::string readEvents(Job& job, int fd) {
        std::string pending, error;
        char buffer[4096];
        ssize_t got;
        while ((got = read(fd, buffer, sizeof buffer)) != 0) {
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            pending.append(buffer, size_t(got));
            size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                JobEvent event;
                if (parseJobEvent(pending.substr(0, end), event)) {
                    if (event.stage == "failed")
                        error = event.error;  // told once the child is gone
                    else
                        push(job, event);
                }
                pending.erase(0, end + 1);
            }
        }
        return error;
    }

    void finish(Job& job, JobState state, const std::string& error) {
        std::lock_guard lock(mutex_);
        job.state = state;
        job.finished = secondsNow();
        job.error = error;
        job.events.push_back({state == JobState::Done ? "done" : "failed", 0, 0, 0, error});
        changed_.notify_all();
    }

    fs::path root_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::shared_ptr<Job>> jobs_;
    std::deque<std::shared_ptr<Job>> waiting_;
    pid_t running_ = 0;
    bool stopping_ = false;
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

void postJob(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    if (!req.is_multipart_form_data())
        return sendError(res, 400,
                         "send the model as multipart/form-data, one 'files' field per file");
    std::vector<UploadedFile> files;
    auto range = req.files.equal_range("files");
    for (auto it = range.first; it != range.second; ++it)
        files.push_back({it->second.filename, it->second.content});
    if (files.empty())
        return sendError(res, 400, "no files: send one 'files' field per file");
    std::vector<std::string> args;
    std::string error, model;
    auto options = req.files.find("options");
    if (!unfoldArguments(options == req.files.end() ? "" : options->second.content, args, error))
        return sendError(res, 400, error);
    std::shared_ptr<Job> job = queue.create();
    if (!job)
        return sendError(res, 500, "cannot make a folder for the job");
    if (!writeJobFiles(files, job->dir.string(), model, error)) {
        queue.discard(job);
        return sendError(res, 400, error);
    }
    job->model = model;
    job->args = std::move(args);
    queue.enqueue(job);
    sendJson(res, 200, {{"id", job->id}});
}

nlohmann::json jobJson(const Job& job) {
    nlohmann::json json{{"id", job.id}, {"state", stateName(job.state)}, {"model", job.model}};
    if (!job.events.empty()) {
        json["event"] = nlohmann::json::parse(jobEventJson(job.events.back()));
    }
    if (!job.error.empty())
        json["error"] = job.error;
    if (job.started > 0.0)
        json["started"] = job.started;
    if (job.finished > 0.0)
        json["finished"] = job.finished;
    if (job.state == JobState::Done)
        json["report"] = nlohmann::json::parse(readFile(job.dir / "report.json"), nullptr, false);
    return json;
}

// The files of a finished job, by the name the API gives them.
fs::path jobFile(const Job& job, const std::string& name) {
    if (name.rfind("page-", 0) == 0) {
        // One page is written without a number.
        fs::path single = job.dir / "page.svg";
        return name == "page-1.svg" && fs::exists(single) ? single : job.dir / name;
    }
    return job.dir / name;
}

std::string downloadName(const Job& job, const std::string& name) {
    std::string stem = fs::path(job.model).stem().string();
    std::replace(stem.begin(), stem.end(), '"', '_');  // it goes between quotes
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
    fs::path path = jobFile(state, name);
    std::error_code code;
    if (!fs::is_regular_file(path, code))
        return sendError(res, 404, "the job has no " + name);
    res.set_content(readFile(path), type);
    res.set_header("Content-Disposition", "inline; filename=\"" + downloadName(state, name) + "\"");
}

void getEvents(JobQueue& queue, const httplib::Request& req, httplib::Response& res) {
    std::shared_ptr<Job> job = queue.find(req.matches[1]);
    if (!job)
        return sendError(res, 404, "no such job");
    res.set_header("Cache-Control", "no-cache");
    size_t sent = 0;
    res.set_chunked_content_provider(
        "text/event-stream", [&queue, job, sent](size_t, httplib::DataSink& sink) mutable {
            bool finished = false;
            std::vector<JobEvent> events = queue.eventsAfter(*job, sent, finished);
            std::string text = events.empty() ? ": waiting\n\n" : "";
            for (const JobEvent& event : events)
                text += "data: " + jobEventJson(event) + "\n\n";
            sent += events.size();
            if (!sink.write(text.data(), text.size()))
                return false;
            if (finished)
                sink.done();
            return true;
        });
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

void route(httplib::Server& server, JobQueue& queue, const ServeOptions& o) {
    // Debian's library compresses with brotli at its slowest setting when
    // asked; a large script then takes seconds and the events wait behind it.
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_error_handler([&o](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        std::string message = errorText(res.status);
        if (res.status == 413)
            message =
                "the upload is larger than the limit of " + std::to_string(o.maxUploadMb) + " MB";
        sendError(res, res.status, message);
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            sendError(res, 500, "the request failed inside the server");
        });
    server.Post("/api/jobs", [&queue](const httplib::Request& req, httplib::Response& res) {
        postJob(queue, req, res);
    });
    const std::string job = "/api/jobs/([0-9a-f]{16})";
    server.Get(job, [&queue](const httplib::Request& req, httplib::Response& res) {
        std::shared_ptr<Job> found = queue.find(req.matches[1]);
        if (!found)
            return sendError(res, 404, "no such job");
        sendJson(res, 200, jobJson(queue.snapshot(*found)));
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
    server.Get(job + "/scene.obj", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "scene.obj", "text/plain");
    });
    server.Get(job + "/faces", [&queue](const httplib::Request& req, httplib::Response& res) {
        getJobFile(queue, req, res, "faces.json", "application/json");
    });
}

std::string webRoot(const ServeOptions& o) {
    return o.webRoot.empty() ? std::string(KIVANO_WEB_ROOT) : o.webRoot;
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
    JobQueue queue(temp);
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server.set_payload_max_length(options.maxUploadMb * 1024 * 1024);
    server.set_mount_point("/", root);
    route(server, queue, options);

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
    std::printf("kivano: serving on http://%s:%d/ (Ctrl-C stops)\n", options.host.c_str(), port);
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
