#pragma once
// Parses command-language text into statements. The whole text is parsed
// before anything runs, so a syntax error leaves everything untouched.
#include <string>
#include <string_view>
#include <vector>

#include "lang/syntax_tree.h"

namespace host::lang {

struct ParseResult {
    std::vector<StatementPtr> statements;
    bool ok = true;
    std::string error;  // "line L, column C: reason"
};

ParseResult parse(std::string_view source);

// Reads text that is one plain command: a name, then only flags, bare words,
// strings and numbers, at most one ";" and nothing after it. Such a line needs
// no syntax tree. False (outputs unspecified) for anything else, bad input
// included: parse() then gives the line its full treatment and messages.
bool readPlainCommand(std::string_view source, std::string& command,
                      std::vector<CommandWord>& words);

// True when the text ends at a statement boundary: not inside a string,
// backtick or bracket, and its last token is ";". Lets a shell gather lines.
bool isCompleteInput(std::string_view source);

}  // namespace host::lang
