#include <maya/MSelectionList.h>

#include "scene/node_types.h"
#include "scene/selection.h"

using namespace host::scene;

static SelectionItem toScene(const MSelectionList::Item& item) {
    const std::vector<int>* faces = item.component.componentFaces();
    return SelectionItem{item.node.nodePtr(), faces ? *faces : std::vector<int>(),
                         faces != nullptr};
}

static MSelectionList::Item toApi(const SelectionItem& item) {
    return {MObject(item.node), item.component ? MObject::faceComponent(item.faces) : MObject()};
}

void MSelectionList::addItem(const Item& item, bool merge) {
    if (!merge) {
        for (const Item& existing : items_)
            if (existing.node == item.node && existing.component == item.component)
                return;
        items_.push_back(item);
        return;
    }
    std::vector<SelectionItem> list;
    for (const Item& i : items_)
        list.push_back(toScene(i));
    addToSelection(list, toScene(item));
    items_.clear();
    for (const SelectionItem& i : list)
        items_.push_back(toApi(i));
}

MStatus MSelectionList::add(const MString& matchString, bool) {
    std::vector<SelectionItem> found;
    std::string error;
    if (!resolveSelection(matchString.asChar(), found, error))
        return MStatus::kInvalidParameter;
    for (const SelectionItem& item : found)
        addItem(toApi(item), item.component);
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MObject& object, bool mergeWithExisting) {
    if (!liveNode(object))
        return MStatus::kInvalidParameter;
    addItem(Item{object, MObject()}, mergeWithExisting);
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MDagPath& object, const MObject& component,
                            bool mergeWithExisting) {
    Node* node = object.leaf();
    if (!node || !node->alive)
        return MStatus::kInvalidParameter;
    if (!component.isNull() && !component.componentFaces())
        return MStatus::kInvalidParameter;
    // Components belong to the object's transform, as the host lists them.
    Node* owner = component.isNull() ? node : transformOf(*node);
    addItem(Item{objectOf(*owner), component}, mergeWithExisting || !component.isNull());
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MSelectionList& other, MergeStrategy strategy) {
    for (const Item& item : other.items_) {
        if (strategy == kMergeNormal) {
            addItem(item, !item.component.isNull());
            continue;
        }
        std::vector<SelectionItem> list;
        for (const Item& i : items_)
            list.push_back(toScene(i));
        bool present = selectionContains(list, toScene(item));
        if (strategy == kRemoveFromList || present)
            removeFromSelection(list, toScene(item));
        else
            addToSelection(list, toScene(item));
        items_.clear();
        for (const SelectionItem& i : list)
            items_.push_back(toApi(i));
    }
    return MStatus::kSuccess;
}

MStatus MSelectionList::remove(unsigned int index) {
    if (index >= items_.size())
        return MStatus::kInvalidParameter;
    items_.erase(items_.begin() + index);
    return MStatus::kSuccess;
}

MStatus MSelectionList::clear() {
    items_.clear();
    return MStatus::kSuccess;
}

MStatus MSelectionList::getDependNode(unsigned int index, MObject& depNode) const {
    if (index >= items_.size() || !liveNode(items_[index].node))
        return MStatus::kInvalidParameter;
    depNode = items_[index].node;
    return MStatus::kSuccess;
}

MStatus MSelectionList::getDagPath(unsigned int index, MDagPath& dagPath,
                                   MObject& component) const {
    if (index >= items_.size())
        return MStatus::kInvalidParameter;
    Node* node = liveNode(items_[index].node);
    if (!node || !nodeHasFn(*node, MFn::kDagNode))
        return MStatus::kInvalidParameter;
    component = items_[index].component;
    // A component is addressed through the shape that owns it.
    Node* target = component.isNull() ? node : meshOf(*node);
    if (!target)
        return MStatus::kInvalidParameter;
    dagPath = MDagPath(objectOf(*target));
    return MStatus::kSuccess;
}

MStatus MSelectionList::getDagPath(unsigned int index, MDagPath& dagPath) const {
    MObject component;
    return getDagPath(index, dagPath, component);
}

MStatus MSelectionList::getSelectionStrings(MStringArray& array) const {
    array.clear();
    for (unsigned int i = 0; i < items_.size(); ++i) {
        MStringArray one;
        getSelectionStrings(i, one);
        for (unsigned int j = 0; j < one.length(); ++j)
            array.append(one[j]);
    }
    return MStatus::kSuccess;
}

MStatus MSelectionList::getSelectionStrings(unsigned int index, MStringArray& array) const {
    array.clear();
    if (index >= items_.size() || !items_[index].node.node())
        return MStatus::kInvalidParameter;
    for (const std::string& s : selectionStrings(toScene(items_[index])))
        array.append(MString(s));
    return MStatus::kSuccess;
}

bool MSelectionList::hasItem(const MObject& item, MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    for (const Item& i : items_)
        if (i.node == item)
            return true;
    return false;
}

bool MSelectionList::hasItem(const MDagPath& item, const MObject& component,
                             MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    Node* node = item.leaf();
    if (!node)
        return false;
    Node* owner = component.isNull() ? node : transformOf(*node);
    std::vector<SelectionItem> list;
    for (const Item& i : items_)
        list.push_back(toScene(i));
    return selectionContains(list, toScene(Item{objectOf(*owner), component}));
}
