#include <unistd.h>

#include <array>
#include <cstdio>
#include <iterator>

#include "plugin/progress_steps.h"
#include "unfold_run.h"

namespace run {

namespace {

bool gQuiet = false;
int gProgressFd = -1;
JobEvent gStage;  // the stage told last

}  // namespace

void setProgress(bool quiet, int fd) {
    gQuiet = quiet;
    gProgressFd = fd;
}

// A reader that went away loses the record; the run goes on.
void tell(const JobEvent& event) {
    if (event.steps > 0)
        gStage = event;
    tellLine(jobEventJson(event));
}

void tellHow(const std::string& detail) {
    if (gStage.steps == 0)
        return;
    JobEvent event = gStage;
    event.detail = detail;
    tellLine(jobEventJson(event));
    say(detail);
}

void tellLine(const std::string& json) {
    if (gProgressFd < 0)
        return;
    std::string line = json + "\n";
    for (size_t done = 0; done < line.size();) {
        ssize_t n = write(gProgressFd, line.data() + done, line.size() - done);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

void say(const std::string& line) {
    if (!gQuiet)
        std::printf("%s\n", line.c_str());
}

void warn(RunReport& report, const std::string& text) {
    report.warnings.push_back(text);
    std::fprintf(stderr, "kivano: warning: %s\n", text.c_str());
}

// The plug-in's steps as its progress window shows them: the time between
// two steps' starts is the time of a step, which the report gives beside the
// stages the tool times itself.
constexpr KivanoStep kStepStarts[] = {KivanoStep::Extract, KivanoStep::Unfold, KivanoStep::Scene,
                                      KivanoStep::Finished};
const char* const kStepNames[] = {"extraction", "algokante", "output"};
constexpr size_t kStepMarks = std::size(kStepStarts);
static_assert(std::size(kStepNames) + 1 == kStepMarks);

std::array<std::optional<Instant>, kStepMarks> gStepMarks;

void resetStepMarks() {
    gStepMarks = {};
}

void markStep(int progress) {
    for (size_t i = 0; i < kStepMarks; ++i)
        if (progress == int(kStepStarts[i]) && !gStepMarks[i])
            gStepMarks[i] = now();
}

// Steps the plug-in did not reach (an empty selection, a failed run) are
// left out rather than given as zero.
void addPluginSteps(RunReport& report) {
    for (size_t i = 0; i + 1 < kStepMarks; ++i)
        if (gStepMarks[i] && gStepMarks[i + 1] && gStepMarks[i + 1]->wall >= gStepMarks[i]->wall)
            report.seconds.push_back(between(kStepNames[i], *gStepMarks[i], *gStepMarks[i + 1]));
}

}  // namespace run
