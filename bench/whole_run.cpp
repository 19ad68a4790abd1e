#include "bench/whole_run.h"

#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

extern char** environ;

namespace kivano {
namespace {
using Clock = std::chrono::steady_clock;

// The progress lines of the unfold command that open and close its stages.
const char* const kExtractionStarts = "kivano: calculate(2/3)..";
const char* const kAlgokanteStarts = "kivano: calculate(3/3)..";
const char* const kOutputStarts = "kivano: creating scene..";
const char* const kOutputEnds = "kivano: finished";

struct Child {
    pid_t pid = -1;
    int output = -1;  // the child's stdout and stderr
};
}  // namespace

static double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

static bool spawnChild(const std::vector<std::string>& args, Child& child) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    int failed = posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (failed) {
        close(pipeEnds[0]);
        return false;
    }
    child.output = pipeEnds[0];
    return true;
}

// Moments at which each line first arrived; the last line of all is kept
// too, since a failing run says why there. Past the deadline the child is
// killed, so that one runaway model cannot hold up the whole table.
// The child's peak resident memory so far, in kilobytes, or -1. Unlike the
// rusage of wait4 it is not inherited from the parent across fork and exec.
static long peakResidentKilobytes(pid_t child) {
    std::ifstream status("/proc/" + std::to_string(child) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

static std::map<std::string, Clock::time_point> readLines(int output, pid_t child,
                                                          Clock::time_point deadline,
                                                          std::string& lastLine, bool& late,
                                                          long& peakKilobytes) {
    std::map<std::string, Clock::time_point> arrivals;
    std::string pending;
    char buffer[4096];
    late = false;
    for (;;) {
        double left = seconds(Clock::now(), deadline);
        pollfd ready = {output, POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, int(left * 1000) + 1) == 0) {
            late = true;
            kill(child, SIGKILL);
            break;
        }
        ssize_t got = read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, size_t(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            std::string line = pending.substr(0, end);
            arrivals.emplace(line, Clock::now());
            if (!line.empty())
                lastLine = line;
            peakKilobytes = std::max(peakKilobytes, peakResidentKilobytes(child));
        }
    }
    return arrivals;
}

static double rusageSeconds(const struct rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

static double between(const std::map<std::string, Clock::time_point>& arrivals, const char* from,
                      const char* to) {
    auto start = arrivals.find(from);
    auto end = arrivals.find(to);
    if (start == arrivals.end() || end == arrivals.end())
        return -1;
    return seconds(start->second, end->second);
}

double reportSeconds(const std::string& report, const std::string& name, const char* objectName) {
    size_t object = report.find(std::string("\"") + objectName + "\"");
    if (object == std::string::npos)
        return -1;
    size_t key = report.find("\"" + name + "\":", object);
    if (key == std::string::npos)
        return -1;
    const char* start = report.c_str() + key + name.size() + 3;
    char* end = nullptr;
    double value = std::strtod(start, &end);
    return end == start ? -1 : value;
}

static std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Processor seconds where the report has them (the machines this runs on
// are shared); the stages inside the plug-in otherwise from the arrival of
// its progress lines.
static void readReport(const std::string& json, WholeRun& run) {
    std::string report = readFile(json);
    const char* object =
        report.find("\"cpu_seconds\"") != std::string::npos ? "cpu_seconds" : "seconds";
    run.import = reportSeconds(report, "import", object);
    for (auto [name, value] : {std::pair{"extraction", &run.extraction},
                               {"algokante", &run.algokante},
                               {"output", &run.output}})
        if (double reported = reportSeconds(report, name, object); reported >= 0)
            *value = reported;
    double read = reportSeconds(report, "read", object),
           layout = reportSeconds(report, "layout", object),
           write = reportSeconds(report, "write", object);
    run.layout = layout;
    for (auto [name, value] : {std::pair{"\"nets\": ", &run.nets},
                               {"\"pages\": ", &run.pages},
                               {"\"cut_edges\": ", &run.cutEdges}})
        if (size_t at = report.find(name); at != std::string::npos)
            *value = std::atoi(report.c_str() + at + std::strlen(name));
    if (read >= 0 && layout >= 0 && write >= 0)
        run.sheet = read + layout + write;
}

WholeRun runWholeUnfold(const std::string& tool, const std::string& model, const std::string& pdf,
                        const std::string& json, double limit,
                        const std::vector<std::string>& options) {
    WholeRun run;
    Child child;
    Clock::time_point start = Clock::now();
    std::vector<std::string> command{"stdbuf", "-oL", "-eL", tool,     "unfold",
                                     model,    "-o",  pdf,   "--json", json};
    command.insert(command.end(), options.begin(), options.end());
    if (!spawnChild(command, child)) {
        run.failure = "cannot start " + tool;
        return run;
    }
    std::string lastLine;
    bool late = false;
    auto deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limit));
    long lastPeak = -1;  // seen with the run's last line, after the sheet is written
    std::map<std::string, Clock::time_point> arrivals =
        readLines(child.output, child.pid, deadline, lastLine, late, lastPeak);
    close(child.output);
    int status = 0;
    struct rusage usage = {};
    if (wait4(child.pid, &status, 0, &usage) != child.pid || late || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        run.failure = late               ? "stopped after " + std::to_string(int(limit)) + " s"
                      : lastLine.empty() ? "the run failed"
                                         : lastLine;
        return run;
    }
    run.wall = seconds(start, Clock::now());
    run.cpu = rusageSeconds(usage);
    run.peakKilobytes = lastPeak > 0 ? lastPeak : usage.ru_maxrss;
    run.extraction = between(arrivals, kExtractionStarts, kAlgokanteStarts);
    run.algokante = between(arrivals, kAlgokanteStarts, kOutputStarts);
    run.output = between(arrivals, kOutputStarts, kOutputEnds);
    readReport(json, run);
    run.ok = true;
    return run;
}
}  // namespace kivano
