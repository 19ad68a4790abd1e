#pragma once
// Runs parsed command-language statements: variables, expressions and
// command calls through the host's command registry.
#include <string>
#include <string_view>
#include <vector>

#include <maya/MStatus.h>

#include "core/command.h"
#include "lang/syntax_tree.h"

namespace host::lang {

struct Variable {
    VarType type = VarType::String;
    bool isArray = false;
    Value value;
};

// Forgets every variable; then only $gMainWindow exists.
void resetVariables();
const Variable* findVariable(const std::string& name);

// An empty word list lent for one line and taken back, capacity kept.
struct BorrowedWords {
    BorrowedWords();
    ~BorrowedWords();
    BorrowedWords(const BorrowedWords&) = delete;
    BorrowedWords& operator=(const BorrowedWords&) = delete;
    std::vector<CommandWord> words;
};

// Runs a command from its evaluated words (consumed): flags get their values
// by the command's syntax, then the call goes through the registry.
MStatus runCommandWords(const std::string& command, std::vector<CommandWord>& words, Value* result,
                        const ExecOptions& options);

MStatus runStatement(const Statement& statement, Value* result, const ExecOptions& options);

}  // namespace host::lang
