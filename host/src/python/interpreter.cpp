#include "python/interpreter.h"

#include <algorithm>

#include <pybind11/embed.h>

#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "python/cmds_arguments.h"

namespace py = pybind11;

namespace host::python {

static py::dict mainNamespace() {
    return py::module_::import("__main__").attr("__dict__").cast<py::dict>();
}

// What a person at the host's script editor would be shown: the last line
// of the traceback, e.g. "NameError: name 'tf9' is not defined".
static std::string lastTracebackLine(py::error_already_set& error) {
    std::string line;
    try {
        py::module_ traceback = py::module_::import("traceback");
        py::list lines = traceback.attr("format_exception_only")(error.type(), error.value());
        if (!lines.empty())
            line = printable(lines[lines.size() - 1]);
    } catch (py::error_already_set&) {
        line = printable(error.value());
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line.empty() ? std::string("Python error") : line;
}

static MStatus reportError(py::error_already_set& error) {
    postMessage(MessageKind::Error, lastTracebackLine(error));
    return MStatus(MStatus::kFailure);
}

static MStatus notRunning() {
    postMessage(MessageKind::Error, "Python is not running");
    return MStatus(MStatus::kFailure);
}

// The C API reads source up to the first NUL; the rest would be dropped
// silently, so such text is refused as Python's own compile() refuses it.
static bool hasNul(const std::string& code) {
    if (code.find('\0') == std::string::npos)
        return false;
    postMessage(MessageKind::Error, "ValueError: source code string cannot contain null bytes");
    return true;
}

bool isRunning() {
    return Py_IsInitialized() != 0;
}

MStatus run(const std::string& code) {
    if (!isRunning())
        return notRunning();
    if (hasNul(code))
        return MStatus(MStatus::kFailure);
    try {
        py::exec(code, mainNamespace());
    } catch (py::error_already_set& error) {
        return reportError(error);
    }
    return MStatus(MStatus::kSuccess);
}

// Compiling as an expression first is how an interactive prompt decides
// whether there is a value to show.
static bool isExpression(const std::string& code) {
    PyObject* compiled = Py_CompileString(code.c_str(), "<string>", Py_eval_input);
    if (!compiled) {
        PyErr_Clear();
        return false;
    }
    Py_DECREF(compiled);
    return true;
}

MStatus runWithResult(const std::string& code, std::string& result) {
    result.clear();
    if (!isRunning())
        return notRunning();
    if (hasNul(code))
        return MStatus(MStatus::kFailure);
    // Leading blanks are no indentation error for an expression, as in eval().
    const std::string expression =
        code.substr(std::min(code.size(), code.find_first_not_of(" \t")));
    if (!isExpression(expression))
        return run(code);
    try {
        py::object value = py::eval(expression, mainNamespace());
        if (!value.is_none())
            result = printable(value);
    } catch (py::error_already_set& error) {
        return reportError(error);
    }
    return MStatus(MStatus::kSuccess);
}

}  // namespace host::python

namespace host {

void startPython() {
    if (python::isRunning())
        return;
    PyConfig config;
    // Isolated: the user's PYTHONHOME/PYTHONPATH must not point the embedded
    // Debian interpreter at another Python's standard library.
    PyConfig_InitIsolatedConfig(&config);
    config.buffered_stdio = 0;           // keep print() in step with the host's own output
    config.install_signal_handlers = 0;  // Ctrl-C belongs to the host
    py::initialize_interpreter(&config, 0, nullptr, false);
    setPythonRunner(PythonRunner{&python::run, &python::runWithResult});
}

void stopPython() {
    if (!python::isRunning())
        return;
    setPythonRunner(PythonRunner{});
    // UI records may hold Python callables; they must go before the interpreter.
    resetUi();
    py::finalize_interpreter();
}

}  // namespace host
