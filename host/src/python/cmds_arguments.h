#pragma once
// Python's side of a command call: positional arguments and keyword flags
// become an Invocation (flag=value gives the flag one argument; tuples and
// lists become Value lists), and a command's result comes back as the Python
// value a script expects (None, bool, int, float, str, list).
#include <string>

#include <pybind11/pybind11.h>

#include "core/command.h"
#include "core/value.h"

namespace host::python {

// Fills call from Python arguments. Gives false with an error text for a value
// no command can take (bytes, dicts, arbitrary objects, lists nested too deep).
// A callable becomes a Python command string that calls it.
bool makeInvocation(const std::string& command, const pybind11::args& args,
                    const pybind11::kwargs& kwargs, Invocation& call, std::string& error);

bool toValue(pybind11::handle object, Value& value, std::string& error);

pybind11::object toPython(const Value& value);

// str() of a Python value as UTF-8 text, whatever it holds: undecodable
// characters are written as escapes, a failing __str__ gives "<unprintable>".
std::string printable(pybind11::handle object);

}  // namespace host::python
