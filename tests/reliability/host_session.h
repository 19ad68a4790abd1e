#pragma once
// One stand-in host for the whole test program with the built plug-in loaded
// (Python starts once per process), and what the reliability tests need to
// drive it: commands as a user types them, the errors they post, small scenes.
#include <string>
#include <vector>

#include <maya/MStatus.h>

// Command-language text at top level, undo recorded, as typed in the shell.
MStatus run(const std::string& text);
// Python statements as typed in the host's Python prompt.
MStatus runPython(const std::string& code);

// Error texts posted since the message log was last cleared.
std::vector<std::string> postedErrors();
void clearMessages();

// Back to the empty scene with nothing to undo.
void resetHost();

// A closed cube of six quads, every corner with a UV of its own; returns its
// transform's name.
std::string addCube(const std::string& name);
// Reads a model file into the scene; returns its transforms' names (empty on
// failure, with the reader's error in `error`).
std::vector<std::string> importFile(const std::string& path, std::string& error);

// The first line where two scene digests differ, numbered, for a readable
// failure (empty when they are equal).
std::string firstDifference(const std::string& before, const std::string& after);
