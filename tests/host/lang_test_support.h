#pragma once
// One host session for the whole test program, and a fixture that gives each
// test an empty undo queue, fresh variables and an empty message log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command.h"
#include "core/messages.h"
#include "core/session.h"
#include "core/undo_queue.h"
#include "lang/interpreter.h"

namespace langtest {

class LangTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs text as a user would, with undo recorded.
    MStatus run(const std::string& text, host::Value* result = nullptr);
    bool logged(host::MessageKind kind, const std::string& text) const;
    std::string lastError() const;
};

// A command that records how it was called; registered for a test and removed after it.
struct Probe {
    std::vector<host::Invocation> calls;
    void add(const std::string& name, std::vector<host::FlagSyntax> flags = {});
    ~Probe();

private:
    std::vector<std::string> names_;
};

}  // namespace langtest
