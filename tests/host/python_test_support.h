#pragma once
// One host for the whole test program (the interpreter lives once per
// process), and helpers that run script text the way the plug-in sends it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/session.h"

namespace kivano_test {

class PythonHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::resetUi();
        host::clearMessageLog();
        ASSERT_TRUE(host::runPython("import maya.cmds as cmds"));
    }
};

// Runs each line on its own, as the plug-in does; gives how many failed.
inline int runLines(const std::vector<std::string>& lines) {
    int failures = 0;
    for (const std::string& line : lines)
        if (!host::runPython(line))
            ++failures;
    return failures;
}

inline std::string pythonValue(const std::string& expression) {
    std::string result;
    MStatus status = host::runPythonWithResult(expression, result);
    EXPECT_TRUE(status) << expression;
    return result;
}

inline std::string lastError() {
    const auto& log = host::messageLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->kind == host::MessageKind::Error)
            return it->text;
    return "";
}

inline bool logContains(const std::string& text) {
    for (const auto& message : host::messageLog())
        if (message.text.find(text) != std::string::npos)
            return true;
    return false;
}

}  // namespace kivano_test
