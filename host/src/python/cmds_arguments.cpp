#include "python/cmds_arguments.h"

namespace py = pybind11;

namespace host::python {

namespace {

// Deep enough for any real argument, shallow enough that a list holding
// itself ends in an error rather than a stack overflow.
constexpr int kMaxNesting = 16;

// A UI command keeps script text, not Python objects, so a function given as
// a command is kept in a table of the cmds module and called from text.
bool callableToText(py::handle callable, Value& value) {
    py::module_ cmds = py::module_::import("maya.cmds");
    py::list table = cmds.attr("_callbacks");
    const size_t index = table.size();
    table.append(callable);
    value = Value("__import__('maya.cmds').cmds._callbacks[" + std::to_string(index) + "]()");
    return true;
}

// Undecodable bytes travel through Python as escaped surrogates and come back
// as the same bytes; other lone surrogates have no UTF-8 form and are refused.
bool toUtf8(py::handle text, std::string& out, std::string& error) {
    PyObject* bytes = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape");
    if (!bytes) {
        PyErr_Clear();
        error = "text that has no UTF-8 form";
        return false;
    }
    out.assign(PyBytes_AS_STRING(bytes), static_cast<size_t>(PyBytes_GET_SIZE(bytes)));
    Py_DECREF(bytes);
    return true;
}

bool convert(py::handle object, Value& value, std::string& error, int depth) {
    if (object.is_none()) {
        value = Value();
    } else if (py::isinstance<py::bool_>(object)) {
        value = Value(object.cast<bool>());
    } else if (py::isinstance<py::int_>(object)) {
        long long i = PyLong_AsLongLong(object.ptr());
        if (i == -1 && PyErr_Occurred()) {
            PyErr_Clear();
            error = "integer too large";
            return false;
        }
        value = Value(i);
    } else if (py::isinstance<py::float_>(object)) {
        value = Value(object.cast<double>());
    } else if (py::isinstance<py::str>(object)) {
        std::string text;
        if (!toUtf8(object, text, error))
            return false;
        value = Value(std::move(text));
    } else if (py::isinstance<py::list>(object) || py::isinstance<py::tuple>(object)) {
        if (depth >= kMaxNesting) {
            error = "lists nested too deeply";
            return false;
        }
        Value::List items;
        for (py::handle item : object) {
            items.emplace_back();
            if (!convert(item, items.back(), error, depth + 1))
                return false;
        }
        value = Value(std::move(items));
    } else if (PyCallable_Check(object.ptr())) {
        return callableToText(object, value);
    } else {
        error = "cannot take a value of type " +
                printable(py::type::handle_of(object).attr("__name__"));
        return false;
    }
    return true;
}

}  // namespace

bool toValue(py::handle object, Value& value, std::string& error) {
    try {
        return convert(object, value, error, 0);
    } catch (py::error_already_set& failure) {
        // A list or tuple subclass whose iteration raises.
        error = printable(failure.value());
        return false;
    }
}

bool makeInvocation(const std::string& command, const py::args& args, const py::kwargs& kwargs,
                    Invocation& call, std::string& error) {
    call = Invocation();
    call.command = command;
    call.fromPython = true;
    for (py::handle arg : args) {
        call.args.emplace_back();
        if (!toValue(arg, call.args.back(), error))
            return false;
    }
    for (auto item : kwargs) {
        Flag flag;
        if (!toUtf8(item.first, flag.name, error))
            return false;
        flag.args.emplace_back();
        if (!toValue(item.second, flag.args.back(), error)) {
            error = "flag " + flag.name + ": " + error;
            return false;
        }
        call.flags.push_back(std::move(flag));
    }
    return true;
}

std::string printable(py::handle object) {
    PyObject* text = PyObject_Str(object.ptr());
    PyObject* bytes = text ? PyUnicode_AsEncodedString(text, "utf-8", "backslashreplace") : nullptr;
    Py_XDECREF(text);
    if (!bytes) {
        PyErr_Clear();
        return "<unprintable>";
    }
    std::string out(PyBytes_AS_STRING(bytes), static_cast<size_t>(PyBytes_GET_SIZE(bytes)));
    Py_DECREF(bytes);
    return out;
}

py::object toPython(const Value& value) {
    if (value.isBool())
        return py::bool_(std::get<bool>(value.data));
    if (value.isInt())
        return py::int_(std::get<long long>(value.data));
    if (value.isDouble())
        return py::float_(std::get<double>(value.data));
    if (value.isString()) {
        const std::string& text = std::get<std::string>(value.data);
        PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()),
                                                 "surrogateescape");
        if (!decoded)
            throw py::error_already_set();
        return py::reinterpret_steal<py::object>(decoded);
    }
    if (value.isList()) {
        py::list items;
        for (const Value& item : std::get<Value::List>(value.data))
            items.append(toPython(item));
        return items;
    }
    return py::none();
}

}  // namespace host::python
