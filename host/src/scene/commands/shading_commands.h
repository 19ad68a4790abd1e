#pragma once
// sets (shading-group membership) and connectAttr (a material into a shading group).
namespace host::scene {
void registerShadingCommands();
}  // namespace host::scene
