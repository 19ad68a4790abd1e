#include "core/python_bridge.h"

#include "core/messages.h"

namespace host {

namespace {

PythonRunner& runner() {
    static PythonRunner r;
    return r;
}

MStatus noPython() {
    postMessage(MessageKind::Error, "python: no Python interpreter is available in this host");
    return MStatus::kNotImplemented;
}

}  // namespace

void setPythonRunner(const PythonRunner& r) {
    runner() = r;
}

PythonRunner pythonRunner() {
    return runner();
}

MStatus runPython(const std::string& code) {
    if (!runner().run)
        return noPython();
    return runner().run(code);
}

MStatus runPythonWithResult(const std::string& code, std::string& result) {
    result.clear();
    if (!runner().runWithResult)
        return noPython();
    return runner().runWithResult(code, result);
}

}  // namespace host
