// Python values of every kind (nested lists, tuples, dicts, bytes, huge ints,
// NaN, strings that are not valid UTF-8, odd keyword names) handed to the
// maya.cmds argument conversion, then to a command through maya.cmds. The
// conversion must refuse what it cannot take with an error, give back what it
// took unchanged, and no command may crash on it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <pybind11/embed.h>

#include "fuzz_host.h"
#include "python/cmds_arguments.h"

namespace py = pybind11;

namespace {

// Commands that only touch the scene, the selection and the option window.
const char* const kCommands[] = {"ls",       "select",       "kivanomenu", "kivano", "version",
                                 "meshInfo", "getAttr",      "setAttr",    "delete", "polyUnite",
                                 "checkBox", "textFieldGrp", "radioButton"};

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    bool empty() const { return left_ == 0; }
    uint8_t byte() {
        if (left_ == 0)
            return 0;
        --left_;
        return *data_++;
    }
    template <typename T>
    T raw() {
        T value{};
        uint8_t buffer[sizeof(T)] = {};
        for (uint8_t& b : buffer)
            b = byte();
        std::memcpy(&value, buffer, sizeof(T));
        return value;
    }
    std::string text(size_t most) {
        size_t n = std::min<size_t>(byte() % (most + 1), left_);
        std::string s(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        left_ -= n;
        return s;
    }

private:
    const uint8_t* data_;
    size_t left_;
};

// Bytes as Python would get them from a badly encoded file: invalid UTF-8
// becomes lone surrogates, which no UTF-8 string can hold.
py::object pythonString(const std::string& bytes) {
    PyObject* s = PyUnicode_DecodeUTF8(bytes.data(), Py_ssize_t(bytes.size()), "surrogateescape");
    if (!s) {
        PyErr_Clear();
        return py::str("");
    }
    return py::reinterpret_steal<py::object>(s);
}

py::object decode(Bytes& in, int depth);

py::list decodeItems(Bytes& in, int depth) {
    py::list items;
    int count = in.byte() % 6;
    for (int i = 0; i < count && !in.empty(); ++i)
        items.append(decode(in, depth + 1));
    return items;
}

py::object nested(Bytes& in) {
    py::object value = py::int_(1);
    for (int levels = in.byte() % 40; levels > 0; --levels) {
        py::list outer;
        outer.append(value);
        value = outer;
    }
    return value;
}

py::object decode(Bytes& in, int depth) {
    if (depth > 20)
        return py::none();
    switch (in.byte() % 14) {
    case 0:
        return py::none();
    case 1:
        return py::bool_(in.byte() & 1);
    case 2:
        return py::int_(int8_t(in.byte()));
    case 3:
        return py::int_(in.raw<int64_t>());
    case 4:
        return py::reinterpret_steal<py::object>(PyLong_FromUnsignedLongLong(in.raw<uint64_t>()))
            .attr("__lshift__")(in.byte() % 130);
    case 5:
        return py::float_(in.raw<double>());
    case 6:
        return pythonString(in.text(24));
    case 7:
        return py::bytes(in.text(8));
    case 8:
        return decodeItems(in, depth);
    case 9:
        return py::tuple(decodeItems(in, depth));
    case 10: {
        py::dict d;
        d[pythonString(in.text(4))] = decode(in, depth + 1);
        return d;
    }
    case 11:
        return nested(in);
    case 12: {
        py::list self;
        self.append(self);
        return self;
    }
    default:
        return py::str(std::string("pCube") + char('0' + in.byte() % 4));
    }
}

bool isNan(py::handle h) {
    return py::isinstance<py::float_>(h) && std::isnan(h.cast<double>());
}

// What comes back from a converted value is what went in; tuples come back as lists.
bool sameValue(py::handle in, py::handle back) {
    if (py::isinstance<py::list>(in) || py::isinstance<py::tuple>(in)) {
        if (!py::isinstance<py::list>(back) || py::len(in) != py::len(back))
            return false;
        py::sequence a = py::reinterpret_borrow<py::sequence>(in);
        py::sequence b = py::reinterpret_borrow<py::sequence>(back);
        for (size_t i = 0; i < py::len(in); ++i)
            if (!sameValue(a[i], b[i]))
                return false;
        return true;
    }
    if (isNan(in))
        return isNan(back);
    return py::type::handle_of(in).is(py::type::handle_of(back)) && in.equal(back);
}

void checkRoundTrip(py::handle object) {
    host::Value value;
    std::string error;
    bool taken = false;
    try {
        taken = host::python::toValue(object, value, error);
    } catch (const std::exception& e) {
        // Not a crash (the binding turns it into a Python exception), but a
        // refusal that skips the error text; said once so a run shows it.
        static bool told = false;
        if (!told)
            std::fprintf(stderr, "conversion threw instead of refusing: %s\n", e.what());
        told = true;
        return;
    }
    if (!taken) {
        if (error.empty()) {
            std::fprintf(stderr, "refused without saying why\n");
            std::abort();
        }
        return;
    }
    if (!sameValue(object, host::python::toPython(value))) {
        std::fprintf(stderr, "value changed in conversion: %s\n",
                     py::repr(object).cast<std::string>().c_str());
        std::abort();
    }
}

void callThroughCmds(const char* command, const py::tuple& args, const py::dict& kwargs) {
    try {
        py::module_ cmds = py::module_::import("maya.cmds");
        cmds.attr(command)(*args, **kwargs);
    } catch (const py::error_already_set&) {
        // A refused call is a Python exception: the right outcome for bad values.
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzhost::start();
    fuzzhost::removeOutsideCommands();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzhost::resetToSmallScene();
    py::gil_scoped_acquire gil;
    Bytes in(data, size);
    const char* command = kCommands[in.byte() % (sizeof kCommands / sizeof *kCommands)];
    py::list positional;
    py::dict keywords;
    for (int n = in.byte() % 4; n > 0; --n)
        positional.append(decode(in, 0));
    for (int n = in.byte() % 4; n > 0; --n)
        keywords[pythonString(in.text(6))] = decode(in, 0);

    for (py::handle item : positional)
        checkRoundTrip(item);
    for (auto item : keywords)
        checkRoundTrip(item.second);

    host::Invocation call;
    std::string error;
    try {
        host::python::makeInvocation(command, py::args(py::tuple(positional)), py::kwargs(keywords),
                                     call, error);
    } catch (const py::error_already_set&) {
    } catch (const py::cast_error&) {
    }
    callThroughCmds(command, py::tuple(positional), keywords);
    return 0;
}
