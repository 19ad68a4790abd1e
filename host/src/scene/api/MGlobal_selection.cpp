// The selection half of MGlobal: the active selection lives in the scene.
#include <maya/MGlobal.h>
#include <maya/MSelectionList.h>

#include "scene/node_types.h"
#include "scene/selection.h"

using namespace host::scene;

static std::vector<SelectionItem> toScene(const MSelectionList& list) {
    std::vector<SelectionItem> out;
    for (const MSelectionList::Item& item : list.items()) {
        if (!liveNode(item.node))
            continue;
        const std::vector<int>* faces = item.component.componentFaces();
        out.push_back(SelectionItem{item.node.nodePtr(), faces ? *faces : std::vector<int>(),
                                    faces != nullptr});
    }
    return out;
}

static void adjust(const std::vector<SelectionItem>& items, MGlobal::ListAdjustment how) {
    std::vector<SelectionItem> result =
        how == MGlobal::kReplaceList ? std::vector<SelectionItem>() : selection();
    for (const SelectionItem& item : items) {
        bool present = selectionContains(result, item);
        if (how == MGlobal::kRemoveFromList || (how == MGlobal::kXORWithList && present))
            removeFromSelection(result, item);
        else if (how == MGlobal::kAddToHeadOfList && !present)
            result.insert(result.begin(), item);
        else
            addToSelection(result, item);
    }
    setSelection(std::move(result));
}

MStatus MGlobal::getActiveSelectionList(MSelectionList& dest, bool) {
    dest.clear();
    for (const SelectionItem& item : selection())
        dest.addItem(
            {MObject(item.node), item.component ? MObject::faceComponent(item.faces) : MObject()},
            false);
    return MStatus::kSuccess;
}

MStatus MGlobal::setActiveSelectionList(const MSelectionList& src, ListAdjustment listAdjustment) {
    adjust(toScene(src), listAdjustment);
    return MStatus::kSuccess;
}

MStatus MGlobal::selectByName(const MString& name, ListAdjustment listAdjustment) {
    std::vector<SelectionItem> found;
    std::string error;
    if (!resolveSelection(name.asChar(), found, error))
        return MStatus::kInvalidParameter;
    adjust(found, listAdjustment);
    return MStatus::kSuccess;
}

MStatus MGlobal::clearSelectionList() {
    setSelection({});
    return MStatus::kSuccess;
}
