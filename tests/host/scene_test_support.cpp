#include "scene_test_support.h"

#include "../host_session_environment.h"
#include "core/undo_queue.h"

namespace scenetest {

void SceneTest::SetUp() {
    host::UndoQueue::instance().clear();
    host::resetScene();
    host::clearMessageLog();
}

void SceneTest::TearDown() {
    host::UndoQueue::instance().clear();
}

}  // namespace scenetest
