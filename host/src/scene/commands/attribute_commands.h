#pragma once
// addAttr, setAttr and getAttr: dynamic attributes and the built-in ones
// (translate, rotate, scale and their components, visibility).
namespace host::scene {
void registerAttributeCommands();
}  // namespace host::scene
