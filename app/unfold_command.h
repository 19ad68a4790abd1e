#pragma once
// "kivano unfold INPUT -o OUTPUT...": runs the plug-in on a model file in the
// stand-in host, exactly as a person would at its option window, and writes
// the result as a scene (.obj) and as a printable sheet (.pdf, .svg).
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

struct UnfoldOptions {
    std::string input;
    std::vector<std::string> outputs;
    std::string page = "210x297";
    bool limitPage = false;
    // "default": the specified edge order; "fewest": the unfolding that aims
    // at the fewest pieces, every piece within the page.
    std::string pieces = "default";
    bool noLugs = false;
    double lugWidth = 4.0;
    bool keepOriginal = false;
    std::string arrangement = "layered";
    double scale = 1.0;
    std::optional<double> height;  // mm, the model's largest extent on paper; unset: use scale
    // Folds flatter than this (degrees) print no line; unset: faces in one plane.
    std::optional<double> flatAngle;
    double margin = 10.0;
    bool map = false;                // a first page that shows where every piece goes on the model
    std::string packing = "shapes";  // or "boxes"
    // A net larger than the printable area: "tile" prints it across pages of
    // the chosen size, "page" on one page as large as it needs (for plotters).
    std::string oversize = "tile";
    // A sheet of more pages is refused before anything is written; 0: no limit.
    int maxPages = 1000;
    std::string json;
    bool quiet = false;
    std::string language = "en";
    // For a program that runs the command: a descriptor that takes one
    // JobEvent line per stage and for the error (-1: none), and a file for
    // each triangle's net and page (faces_json.h).
    int progressFd = -1;
    std::string facesJson;
    // For a server: the folder every file the run reads must lie in (the
    // upload's); empty: whatever the model names.
    std::string readWithin;
};

// Exit codes of the command.
enum UnfoldExit {
    kUnfoldOk = 0,
    kUnfoldFailed = 1,     // the input could not be read or a stage failed
    kUnfoldBadOption = 2,  // an option's value is unusable
};

// Adds the "unfold" subcommand; when it is parsed, its callback runs the job
// and leaves the exit code in `exitCode`.
CLI::App* addUnfoldCommand(CLI::App& app, int& exitCode);

// The whole job. Prints progress (unless quiet) and one line per error.
int runUnfold(const UnfoldOptions& options);

// An option the command line parser refused (unknown, missing, not a
// number): one error line like the command's own, and its exit code.
int unfoldUsageError(const std::string& message);
