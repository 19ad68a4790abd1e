// One stand-in host session for a whole test program: started before the
// first test, ended after the last. Including this header is enough; the
// inline variable registers the environment once per program. A program that
// needs more (a loaded plug-in) registers that as an environment of its own
// after including this header: environments start in the order registered.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/messages.h"
#include "core/session.h"

class HostSessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // before the session starts, so that its start says nothing either
        host::setQuiet(true);
        session = std::make_unique<host::Session>();
    }
    void TearDown() override { session.reset(); }

private:
    std::unique_ptr<host::Session> session;
};

inline ::testing::Environment* const hostSessionEnvironment =
    ::testing::AddGlobalTestEnvironment(new HostSessionEnvironment);
