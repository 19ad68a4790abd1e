#pragma once
// "kivano unfold INPUT -o OUTPUT...": runs the plug-in on a model file in the
// stand-in host, exactly as a person would at its option window, and writes
// the result as a scene (.obj) and as a printable sheet (.pdf, .svg).
#include <string>

#include <CLI/CLI.hpp>

#include "unfold_options.h"

// Adds the "unfold" subcommand; when it is parsed, its callback runs the job
// and leaves the exit code in `exitCode`.
CLI::App* addUnfoldCommand(CLI::App& app, int& exitCode);

// The whole job. Prints progress (unless quiet) and one line per error.
int runUnfold(const UnfoldOptions& options);

// An option the command line parser refused (unknown, missing, not a
// number): one error line like the command's own, and its exit code.
int unfoldUsageError(const std::string& message);
