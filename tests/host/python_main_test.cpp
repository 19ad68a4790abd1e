#include <memory>

#include "python_test_support.h"

namespace {

// The host starts once; Python, the commands and the UI live as long as it.
class HostEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        host::setQuiet(true);
        session_ = std::make_unique<host::Session>();
    }
    void TearDown() override { session_.reset(); }

private:
    std::unique_ptr<host::Session> session_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

}  // namespace
