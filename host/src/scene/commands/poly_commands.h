#pragma once
// polyUnite and Triangulate: the mesh edits that prepare a selection for unfolding.
namespace host::scene {
void registerPolyCommands();
}  // namespace host::scene
