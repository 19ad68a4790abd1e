#pragma once
// The scene's commands (ls, select, polyUnite, Triangulate, delete, sets,
// attributes, time and keys), registered in the host's command registry.
namespace host {
void registerSceneCommands();
}  // namespace host
