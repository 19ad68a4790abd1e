#include "core/messages.h"

#include <cstdio>
#include <new>

namespace host {

namespace {

struct MessageState {
    std::vector<Message> log;
    bool quiet = false;
    void (*listener)(const Message&) = nullptr;
};

MessageState& state() {
    static MessageState s;
    return s;
}

void print(const Message& message) {
    switch (message.kind) {
    case MessageKind::Info:
    case MessageKind::Result:
        std::fprintf(stdout, "%s\n", message.text.c_str());
        std::fflush(stdout);
        break;
    case MessageKind::Warning:
        std::fprintf(stderr, "Warning: %s\n", message.text.c_str());
        break;
    case MessageKind::Error:
        std::fprintf(stderr, "Error: %s\n", message.text.c_str());
        break;
    }
}

}  // namespace

void postMessage(MessageKind kind, const std::string& text) {
    MessageState& s = state();
    const Message message{kind, text};
    s.log.push_back(message);
    // Errors always reach the user: a quiet run must still explain a failure.
    if (!s.quiet || kind == MessageKind::Error)
        print(message);
    if (s.listener)
        s.listener(message);
}

const std::vector<Message>& messageLog() {
    return state().log;
}

void clearMessageLog() {
    state().log.clear();
}

void setQuiet(bool quiet) {
    state().quiet = quiet;
}

void setMessageListener(void (*listener)(const Message&)) {
    state().listener = listener;
}

std::string failureText(const std::exception& failure) {
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return kNotEnoughMemory;
    std::string text = failure.what();
    return text.empty() || namesOnlyCxx(text) ? "failed unexpectedly" : text;
}

bool namesOnlyCxx(const std::string& text) {
    for (const char* cxx : {"std::", "basic_string", "stoi", "stol", "stod", "vector::", "bad_"})
        if (text.find(cxx) != std::string::npos)
            return true;
    return false;
}

}  // namespace host
