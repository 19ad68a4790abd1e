#pragma once
// Commands that make, name and remove nodes: createNode, shadingNode, rename,
// delete, doDelete.
namespace host::scene {
void registerNodeCommands();
}  // namespace host::scene
