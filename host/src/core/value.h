#pragma once
// A value as the host's two script languages pass it to commands: the command
// language's words, numbers and strings, and Python's bools, numbers, strings,
// tuples and lists.
#include <string>
#include <variant>
#include <vector>

namespace host {

struct Value {
    using List = std::vector<Value>;
    std::variant<std::monostate, bool, long long, double, std::string, List> data;

    Value() = default;
    Value(bool b) : data(b) {}
    Value(int i) : data(static_cast<long long>(i)) {}
    Value(long long i) : data(i) {}
    Value(double d) : data(d) {}
    Value(const char* s) : data(std::string(s)) {}
    Value(std::string s) : data(std::move(s)) {}
    Value(List l) : data(std::move(l)) {}

    bool isNone() const { return std::holds_alternative<std::monostate>(data); }
    bool isBool() const { return std::holds_alternative<bool>(data); }
    bool isInt() const { return std::holds_alternative<long long>(data); }
    bool isDouble() const { return std::holds_alternative<double>(data); }
    bool isString() const { return std::holds_alternative<std::string>(data); }
    bool isList() const { return std::holds_alternative<List>(data); }
};

}  // namespace host
