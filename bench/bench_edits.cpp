// Edits as the server makes them: the tool kept running after its sheet is
// written, one edit per line in, one answer per line out. Each edit is
// timed from the line sent to the answer read, the changed pages written.
#include "bench/bench_edits.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "bench/whole_run.h"

namespace {

using Clock = std::chrono::steady_clock;

// The targets, in seconds, and the models they are set for.
constexpr double kBunnyEdit = 0.3;
constexpr double kSphereEdit = 1.0;

class Session {
public:
    Session(const std::string& tool, const std::string& model, const std::string& stem,
            double limit)
        : limit_(limit) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            if (!freopen("/dev/null", "w", stderr))
                _exit(127);
            std::vector<std::string> args{tool,
                                          "unfold",
                                          model,
                                          "-o",
                                          stem + ".pdf",
                                          "-o",
                                          stem + ".svg",
                                          "--save-project",
                                          stem + ".kivano.json",
                                          "--json",
                                          stem + ".json",
                                          "--faces-json",
                                          stem + "-faces.json",
                                          "--quiet",
                                          "--progress-fd",
                                          "1",
                                          "--edit-session"};
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(tool.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        nlohmann::json line;
        while (readLine(line))
            if (line.value("stage", "") == "ready") {
                ready_ = true;
                break;
            }
    }
    ~Session() {
        if (pid_ > 0) {
            close(toChild_);
            close(fromChild_);
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool ready() const { return ready_; }

    // The answer and the seconds it took; null when the tool said nothing.
    nlohmann::json ask(const nlohmann::json& edit, double& seconds) {
        auto start = Clock::now();
        std::string text = edit.dump() + "\n";
        if (write(toChild_, text.data(), text.size()) != ssize_t(text.size()))
            return nullptr;
        nlohmann::json line;
        while (readLine(line))
            if (line.contains("edit")) {
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
                return line["edit"];
            }
        return nullptr;
    }

private:
    bool readLine(nlohmann::json& line) {
        for (;;) {
            size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line = nlohmann::json::parse(pending_.substr(0, end), nullptr, false);
                pending_.erase(0, end + 1);
                return true;
            }
            pollfd ready{fromChild_, POLLIN, 0};
            if (poll(&ready, 1, int(limit_ * 1000)) <= 0)
                return false;
            char buffer[4096];
            ssize_t got = read(fromChild_, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            pending_.append(buffer, size_t(got));
        }
    }

    double limit_;
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    bool ready_ = false;
    std::string pending_;
};

struct EditRow {
    std::string name;
    double unfold = -1;  // the whole run, wall seconds
    std::vector<double> edits;
    int refused = 0;
    double target = 0;
};

// Five joins (the first cut edges that can be joined), three cuts, a net
// moved to a page of its own and turned, an undo and a redo.
EditRow measureModel(const std::string& tool, const std::string& name, const std::string& model,
                     const std::string& directory, double limit, double target) {
    EditRow row;
    row.name = name;
    row.target = target;
    kivano::WholeRun whole = kivano::runWholeUnfold(tool, model, directory + "/" + name + ".pdf",
                                                    directory + "/" + name + ".json", limit);
    row.unfold = whole.ok ? whole.wall : -1;
    std::string stem = directory + "/" + name + "-edited";
    Session session(tool, model, stem, limit);
    if (!session.ready())
        return row;
    std::ifstream file(stem + ".kivano.json");
    nlohmann::json project = nlohmann::json::parse(file, nullptr, false);
    if (!project.is_object())
        return row;
    auto timed = [&](const nlohmann::json& edit) {
        double seconds = 0;
        nlohmann::json answer = session.ask(edit, seconds);
        if (answer.value("done", false))
            row.edits.push_back(seconds);
        else
            ++row.refused;
        return answer.value("done", false);
    };
    int joins = 0, cuts = 0;
    for (const auto& edge : project["edges"]) {
        if (!edge["fold"] && joins < 5 && row.refused < 200)
            joins += timed({{"op", "join"}, {"edge", edge["corners"]}});
        else if (edge["fold"] && cuts < 3)
            cuts += timed({{"op", "cut"}, {"edge", edge["corners"]}});
    }
    int pages = 0;
    for (const auto& net : project["nets"])
        pages = std::max(pages, net["page"].get<int>());
    timed({{"op", "move"}, {"net", 1}, {"page", pages + 1}, {"x", 105}, {"y", 150}});
    timed({{"op", "turn"}, {"net", 1}, {"degrees", 15}});
    timed({{"op", "undo"}});
    timed({{"op", "redo"}});
    return row;
}

}  // namespace

void measureEdits(const std::string& tool, const std::string& directory, double limit) {
    std::string sphere = directory + "/edit-sphere-20480.obj";
    kivano::writeObj(kivano::makeIcosphere(5, 0.1, 1), sphere.c_str());
    std::vector<EditRow> rows{
        measureModel(tool, "bunny", KIVANO_SOURCE_DIR "/../shared/models/bunny.obj", directory,
                     limit, kBunnyEdit),
        measureModel(tool, "sphere-20480", sphere, directory, limit, kSphereEdit)};
    std::printf(
        "\nedits of a finished sheet (join, cut, move, turn, undo, redo; wall seconds from "
        "the edit sent to its answer, changed pages written):\n");
    std::printf("%-14s %7s %8s %8s %8s %9s %9s\n", "model", "edits", "refused", "median", "slowest",
                "unfold", "ratio");
    for (EditRow& row : rows) {
        std::sort(row.edits.begin(), row.edits.end());
        double median = row.edits.empty() ? -1 : row.edits[row.edits.size() / 2];
        double slowest = row.edits.empty() ? -1 : row.edits.back();
        std::printf("%-14s %7zu %8d %8.3f %8.3f %9.3f %9.2f\n", row.name.c_str(), row.edits.size(),
                    row.refused, median, slowest, row.unfold,
                    row.unfold > 0 ? slowest / row.unfold : -1.0);
    }
    std::printf("targets (edit slowest / whole unfold of the model, in this run):\n");
    for (const EditRow& row : rows) {
        double slowest = row.edits.empty() ? -1 : row.edits.back();
        double ratio = row.unfold > 0 ? slowest / row.unfold : -1;
        // the absolute target as a share of this machine's unfold
        double allowed = row.unfold > 0 ? row.target / row.unfold : -1;
        std::printf("  %-14s edit within %.1f s: ratio %.2f, at most %.2f here  %s\n",
                    row.name.c_str(), row.target, ratio, allowed,
                    !row.edits.empty() && slowest <= row.target ? "met" : "NOT MET");
    }
}
