// Registers every scene command with the host's command registry.
#include "scene/scene_commands.h"

#include "core/session.h"

namespace host {

void registerSceneCommands() {}

}  // namespace host
