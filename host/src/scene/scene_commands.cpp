// Registers every scene command with the host's command registry.
#include "scene/scene_commands.h"

#include "core/session.h"
#include "scene/commands/attribute_commands.h"
#include "scene/commands/node_commands.h"
#include "scene/commands/poly_commands.h"
#include "scene/commands/selection_commands.h"
#include "scene/commands/shading_commands.h"
#include "scene/commands/time_commands.h"

namespace host {

void registerSceneCommands() {
    scene::registerSelectionCommands();
    scene::registerNodeCommands();
    scene::registerShadingCommands();
    scene::registerAttributeCommands();
    scene::registerTimeCommands();
    scene::registerPolyCommands();
}

}  // namespace host
