#pragma once
// The parsed form of command-language text.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/value.h"

namespace host::lang {

struct Statement;

enum class VarType { Int, Float, String };

struct Expr {
    enum class Kind { Literal, Variable, Command, List, Negate, Binary };
    Kind kind = Kind::Literal;
    Value literal;                             // Literal
    std::string name;                          // Variable name, or Binary operator
    std::vector<std::unique_ptr<Expr>> items;  // List items; Binary/Negate operands; Variable index
    std::unique_ptr<Statement> command;        // Command (a `backtick` command)
    std::size_t offset = 0;
};
using ExprPtr = std::unique_ptr<Expr>;

// One word after a command's name: a flag or a value, in the order written.
struct Word {
    bool isFlag = false;
    std::string flag;  // without '-'
    ExprPtr value;
};

struct Statement {
    enum class Kind { Empty, Command, Declare, Assign };
    Kind kind = Kind::Empty;
    std::size_t offset = 0;
    std::string text;  // the statement as written, for messages and undo

    // Command
    std::string command;
    std::vector<Word> words;

    // Declare and Assign
    bool global = false;
    VarType type = VarType::String;
    bool isArray = false;
    std::string variable;
    ExprPtr index;  // Assign to one element: $a[i] = ...
    ExprPtr value;  // may be null for a declaration without a value
};
using StatementPtr = std::unique_ptr<Statement>;

// A word after a command's name once its value is known: what a command call
// is built from, whether the line was parsed in full or read as plain.
struct CommandWord {
    bool isFlag = false;
    std::string flag;  // without '-'
    Value value;       // a value word's value
};

}  // namespace host::lang
