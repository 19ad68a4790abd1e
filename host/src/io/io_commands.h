#pragma once
// The file command: importing models, exporting the scene, a new scene.
namespace host {
void registerIoCommands();
}  // namespace host
