#pragma once
// Edits of a finished sheet in the benchmark table: how long one edit takes
// to answer, changed pages written, against the whole unfold of the model.
#include <string>

// Writes its models into `directory`; runs `tool` for at most `limit` seconds
// a run. Prints a table and its targets.
void measureEdits(const std::string& tool, const std::string& directory, double limit);
