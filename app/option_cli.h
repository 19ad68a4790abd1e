#pragma once
// The option table as command-line options: names, help, groups and
// defaults as --help shows them, each value parsed into its field.
#include <vector>

#include <CLI/CLI.hpp>

#include "option_table.h"

// Adds every option of `table` to `cmd`, bound to its field of `options`.
// Ranges and choices are checked after parsing (firstRefusal), so the
// command line and the server refuse a value in the same words.
void addTableOptions(CLI::App& cmd, const std::vector<OptionEntry>& table, UnfoldOptions& options);
