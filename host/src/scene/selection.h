#pragma once
// Selection lists as the scene keeps them: resolving the names a user types
// ("pCube1", "pCube*", "|pCube1|pCubeShape1", "pCube1.f[2]", "pCube1.f[0:3]",
// "pCube1.f[*]") into items, and adding or removing items without duplicates.
#include <string>
#include <string_view>
#include <vector>

#include "scene/scene.h"

namespace host::scene {

// Appends the items that `text` names. False, with a reason in `error`
// ("No object matches name: x"), when it names nothing or a bad component.
bool resolveSelection(std::string_view text, std::vector<SelectionItem>& out, std::string& error);

// Adds an item, merging the faces of one object into one component item
// and never listing an object twice.
void addToSelection(std::vector<SelectionItem>& list, const SelectionItem& item);
// Takes an item (or the given faces of it) out of the list.
void removeFromSelection(std::vector<SelectionItem>& list, const SelectionItem& item);
bool selectionContains(const std::vector<SelectionItem>& list, const SelectionItem& item);
// "pCube1", "pCube1.f[2]", "pCube1.f[0:3]" (consecutive faces joined).
std::vector<std::string> selectionStrings(const SelectionItem& item);

// Shell-style match: '*' any run, '?' any one character.
bool matchesPattern(std::string_view pattern, std::string_view name);

}  // namespace host::scene
