#pragma once
// Textured sheets in the benchmark table: a viewer's time per page of
// assimp's duck, and a textured ball against the same ball untextured.
#include <string>

// Writes its models into `directory`; runs `tool` for at most `limit` seconds
// a run. Prints a table and its targets.
void measureTextures(const std::string& tool, const std::string& directory, double limit);
