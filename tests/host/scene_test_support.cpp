#include "scene_test_support.h"

#include <memory>

#include "core/session.h"
#include "core/undo_queue.h"

namespace scenetest {

namespace {

class SessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        host::setQuiet(true);
        session_ = std::make_unique<host::Session>();
    }
    void TearDown() override { session_.reset(); }

private:
    std::unique_ptr<host::Session> session_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SessionEnvironment);

}  // namespace

void SceneTest::SetUp() {
    host::UndoQueue::instance().clear();
    host::resetScene();
    host::clearMessageLog();
}

void SceneTest::TearDown() {
    host::UndoQueue::instance().clear();
}

}  // namespace scenetest
