// Prints what one default run on a model file writes into the scene and how
// long its steps take, measured between the run's progress messages:
//   plugin_figures MODEL [repetitions]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/command.h"
#include "core/messages.h"
#include "core/session.h"
#include "core/undo_queue.h"
#include "io/model_io.h"
#include "scene/scene.h"

namespace {

using Clock = std::chrono::steady_clock;
std::vector<std::pair<std::string, Clock::time_point>> stamps;

void stamp(const host::Message& m) {
    if (m.text.rfind("kivano: ", 0) == 0)
        stamps.push_back({m.text, Clock::now()});
}

double secondsBetween(const std::string& from, const std::string& to) {
    Clock::time_point a{}, b{};
    for (const auto& [text, when] : stamps) {
        if (text == from)
            a = when;
        if (text == to)
            b = when;
    }
    return std::chrono::duration<double>(b - a).count();
}

MStatus run(const std::string& text) {
    host::ExecOptions options;
    options.recordUndo = true;
    return host::executeCommandLanguage(text, nullptr, options);
}

struct Counts {
    size_t nets = 0, triangles = 0, lugs = 0;
};

Counts countSheet() {
    Counts counts;
    std::set<std::string> nets;
    for (host::scene::Node* node : host::scene::allNodes()) {
        if (node->kind != host::scene::NodeKind::Transform)
            continue;
        if (node->name.rfind("dft", 0) == 0) {
            ++counts.triangles;
            nets.insert(node->name.substr(0, node->name.find('_')));
        } else if (node->name.rfind("lug", 0) == 0) {
            ++counts.lugs;
        }
    }
    counts.nets = nets.size();
    return counts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODEL [repetitions]\n", argv[0]);
        return 2;
    }
    int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    host::Session session;
    host::setQuiet(true);
    host::setMessageListener(stamp);
    if (!run(std::string("loadPlugin \"") + KIVANO_PLUGIN_PATH + "\""))
        return 1;
    std::vector<std::string> imported;
    if (!host::importModel(argv[1], &imported))
        return 1;
    run("kivanomenu -l 1");
    for (int r = 0; r < repetitions; ++r) {
        stamps.clear();
        run("select -r " + imported[0]);
        if (!run("kivano"))
            return 1;
        Counts counts = countSheet();
        std::printf(
            "run %d: %zu nets, %zu triangle objects, %zu lug objects; "
            "extraction+initialisation %.3f s, unfolding %.3f s, output %.3f s, whole run %.3f s\n",
            r + 1, counts.nets, counts.triangles, counts.lugs,
            secondsBetween("kivano: calculate(2/3)..", "kivano: calculate(3/3).."),
            secondsBetween("kivano: calculate(3/3)..", "kivano: creating scene.."),
            secondsBetween("kivano: creating scene..", "kivano: finished"),
            secondsBetween("kivano: calculate..", "kivano: finished."));
        if (r + 1 < repetitions)
            run("undo");
    }
    return 0;
}
