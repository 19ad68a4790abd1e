#pragma once
// currentTime, playbackOptions and setKeyframe: the time line and keys.
namespace host::scene {
void registerTimeCommands();
}  // namespace host::scene
