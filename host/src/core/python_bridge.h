#pragma once
// The host's core knows nothing of Python; the Python side installs a runner here.
#include <string>

#include <maya/MStatus.h>

namespace host {

struct PythonRunner {
    // Runs statements; on a Python error posts its last traceback line as an error.
    MStatus (*run)(const std::string& code) = nullptr;
    // Evaluates (or runs, when not an expression) and gives what Python would show.
    MStatus (*runWithResult)(const std::string& code, std::string& result) = nullptr;
};

void setPythonRunner(const PythonRunner& runner);
PythonRunner pythonRunner();  // the one installed (empty when none)
MStatus runPython(const std::string& code);
MStatus runPythonWithResult(const std::string& code, std::string& result);

}  // namespace host
