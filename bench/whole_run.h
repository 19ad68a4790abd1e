// One whole `kivano unfold MODEL -o MODEL.pdf --json REPORT` run as a child
// process, split into its stages.
#pragma once

#include <string>
#include <vector>

namespace kivano {
// Seconds of each stage of one run; negative where the run did not reach it.
struct WholeRun {
    double import = -1;      // the tool's own "import" figure
    double extraction = -1;  // selection merge, triangulation, extraction, initialisation
    double algokante = -1;
    double output = -1;       // the nets written into the scene as objects
    double sheet = -1;        // the tool's "read", "layout" and "write" figures
    double wall = -1;         // start to exit
    double cpu = -1;          // user and system time of the child
    long peakKilobytes = -1;  // the child's own high-water mark, VmHWM
    double layout = -1;       // the tool's "layout" figure: labels and packing
    int nets = -1;            // as the report counts them
    int pages = -1;
    int cutEdges = -1;
    bool ok = false;
    std::string failure;
};

// Runs `tool unfold model -o pdf --json json [options]`, for at most `limit` seconds
// of wall time. The stages inside the unfold command are taken from the
// moments its progress lines arrive, so the child's standard output is made
// line-buffered through `stdbuf`.
WholeRun runWholeUnfold(const std::string& tool, const std::string& model, const std::string& pdf,
                        const std::string& json, double limit,
                        const std::vector<std::string>& options = {});

// The number after "\"name\":" inside the given object ("seconds" or
// "cpu_seconds") of a report, or -1.
double reportSeconds(const std::string& report, const std::string& name,
                     const char* object = "seconds");
}  // namespace kivano
