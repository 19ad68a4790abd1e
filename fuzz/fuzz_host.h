#pragma once
// The host a fuzz target runs its inputs in: one session for the process
// (Python starts only once), the plug-in loaded, and between inputs a scene
// back to a small known state with nothing to undo.
#include <string>

namespace fuzzhost {

// Starts the session once; later calls do nothing.
void start();

// Empty scene, no undo history, no messages, then two cubes with UVs, the
// first selected, and the option window open so the unfold command can run.
void resetToSmallScene();

// Commands that reach outside the process (files, libraries, Python code)
// are taken away, so generated text cannot write files or run anything.
void removeOutsideCommands();

// Command-language text at top level, as typed in the shell.
bool run(const std::string& text);

}  // namespace fuzzhost
