#pragma once
// The progress window's state, which tools that drive the host follow.
#include <host_session/session.h>

namespace host {

void setProgressListener(void (*listener)(const host_session::Progress&));
// Hidden, free and at its defaults again, as at a session's start.
void resetProgress();

}  // namespace host
