#pragma once
// The one embedded CPython of the host process. startPython() and stopPython()
// (core/session.h) bring it up and down; between them the host's Python runner
// executes script text in the __main__ namespace, so variables persist from
// one call to the next as they do in the host's script editor.
#include <string>

#include <maya/MStatus.h>

namespace host::python {

bool isRunning();

// Runs statements in __main__. A Python error posts its last traceback line as
// an error and gives a failure status; the interpreter stays usable.
MStatus run(const std::string& code);

// Evaluates an expression and gives str() of its value ("" for None); text
// that is not an expression runs as statements and gives "".
MStatus runWithResult(const std::string& code, std::string& result);

}  // namespace host::python
