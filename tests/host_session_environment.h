// One stand-in host session for a whole test program: started before the
// first test, ended after the last. Including this header is enough; the
// inline variable registers the environment once per program.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/messages.h"
#include "core/session.h"

class HostSessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        session = std::make_unique<host::Session>();
        host::setQuiet(true);
    }
    void TearDown() override { session.reset(); }

private:
    std::unique_ptr<host::Session> session;
};

inline ::testing::Environment* const hostSessionEnvironment =
    ::testing::AddGlobalTestEnvironment(new HostSessionEnvironment);
