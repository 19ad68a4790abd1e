#pragma once
// ls and select: listing nodes and changing the active selection.
namespace host::scene {
void registerSelectionCommands();
}  // namespace host::scene
