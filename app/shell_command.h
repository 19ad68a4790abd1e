#pragma once
// "kivano shell [FILE]": a host session that runs command-language statements
// from FILE or standard input (a .py FILE runs as Python) and prints results.
#include <string>

#include <CLI/CLI.hpp>

struct ShellOptions {
    std::string file;        // empty: standard input
    bool quiet = false;      // only errors and results reach the terminal
    bool keepGoing = false;  // run on after a failed statement
};

// Adds the "shell" subcommand; when it is parsed, its callback runs the
// session and leaves the exit code in `exitCode`.
CLI::App* addShellCommand(CLI::App& app, int& exitCode);

// The whole session. 0 when every statement succeeded, 1 otherwise.
int runShell(const ShellOptions& options);
