#pragma once
// What the host tells the user: info to standard output, warnings and errors to
// standard error, each also kept in a log that tests and tools can read.
#include <exception>
#include <string>
#include <vector>

namespace host {

enum class MessageKind { Info, Warning, Error, Result };

struct Message {
    MessageKind kind;
    std::string text;
};

void postMessage(MessageKind kind, const std::string& text);
const std::vector<Message>& messageLog();
void clearMessageLog();
// Quiet: messages go to the log only (still all errors to stderr).
void setQuiet(bool quiet);
// A listener sees every message as it is posted (used by tools for progress).
void setMessageListener(void (*listener)(const Message&));

// What a command that ran out of memory says after its name.
inline constexpr char kNotEnoughMemory[] = "not enough memory";

// The text of an exception as a person should read it: the exception's own
// words where they describe the problem, a plain sentence where they only
// name C++ (std::bad_alloc, basic_string::_M_create, stoi, ...).
std::string failureText(const std::exception& failure);

// Whether a text names C++ (a library's exception text) rather than a problem.
bool namesOnlyCxx(const std::string& text);

}  // namespace host
