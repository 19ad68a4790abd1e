#include "python/cmds_module.h"

#include <pybind11/embed.h>

#include "core/messages.h"
#include "python/cmds_arguments.h"

namespace py = pybind11;

namespace host::python {

namespace {

// The host has already posted its reason; Python gets the same text.
std::string failureText(const std::string& command, size_t logSizeBefore) {
    const std::vector<Message>& log = messageLog();
    for (size_t i = log.size(); i > logSizeBefore; --i)
        if (log[i - 1].kind == MessageKind::Error)
            return log[i - 1].text;
    return command + ": command failed";
}

py::object commandAttribute(const std::string& name) {
    // Names with a leading underscore belong to Python (__path__, __spec__, ...).
    if (name.empty() || name[0] == '_' || !CommandRegistry::instance().find(name))
        throw py::attribute_error("module 'maya.cmds' has no attribute '" + name + "'");
    return py::cpp_function(
        [name](const py::args& args, const py::kwargs& kwargs) {
            return callCommand(name, args, kwargs);
        },
        py::name(name.c_str()));
}

}  // namespace

py::object callCommand(const std::string& command, const py::args& args, const py::kwargs& kwargs) {
    Invocation call;
    std::string error;
    if (!makeInvocation(command, args, kwargs, call, error))
        throw py::type_error(command + ": " + error);
    const size_t logSize = messageLog().size();
    Value result;
    ExecOptions options;
    options.recordUndo = true;  // honoured at top level only
    MStatus status = invoke(call, &result, options);
    if (!status)
        throw std::runtime_error(failureText(command, logSize));
    return toPython(result);
}

py::object evalCommandLanguage(const std::string& text) {
    const size_t logSize = messageLog().size();
    Value result;
    ExecOptions options;
    options.recordUndo = true;  // honoured at top level only
    if (text.find('\0') != std::string::npos)
        throw py::value_error("mel.eval: text cannot contain null bytes");
    MStatus status = executeCommandLanguage(text, &result, options);
    if (!status)
        throw std::runtime_error(failureText("mel.eval", logSize));
    return toPython(result);
}

}  // namespace host::python

PYBIND11_EMBEDDED_MODULE(maya, maya) {
    py::module_ cmds = maya.def_submodule("cmds", "The host's commands, callable by name.");
    cmds.attr("_callbacks") = py::list();
    cmds.def("__getattr__", &host::python::commandAttribute);
    cmds.def("__dir__", [] {
        py::list names;
        for (const std::string& name : host::CommandRegistry::instance().names())
            names.append(name);
        return names;
    });
    py::module_ mel = maya.def_submodule("mel", "The host's command language.");
    mel.def("eval", &host::python::evalCommandLanguage, py::arg("text"));
    // "import maya.cmds" looks the submodule up here once "maya" is imported.
    py::module_ sys = py::module_::import("sys");
    sys.attr("modules")["maya.cmds"] = cmds;
    sys.attr("modules")["maya.mel"] = mel;
}
