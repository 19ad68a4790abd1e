#include <maya/MItSelectionList.h>

#include "scene/node_types.h"

using namespace host::scene;

MItSelectionList::MItSelectionList(const MSelectionList& list, MFn::Type filter,
                                   MStatus* ReturnStatus)
    : list_(list), filter_(filter) {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    skipUnmatched();
}

// DAG items match through their path (a transform matches its shape's type),
// other nodes through their own type.
bool MItSelectionList::matches(unsigned int index) const {
    if (filter_ == MFn::kInvalid)
        return true;
    const MSelectionList::Item& item = list_.items()[index];
    Node* node = liveNode(item.node);
    if (!node)
        return false;
    if (nodeHasFn(*node, MFn::kDagNode))
        return MDagPath(item.node).hasFn(filter_);
    return nodeHasFn(*node, filter_);
}

void MItSelectionList::skipUnmatched() {
    while (index_ < list_.length() && !matches(index_))
        ++index_;
}

bool MItSelectionList::isDone(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return index_ >= list_.length();
}

MStatus MItSelectionList::next() {
    if (index_ >= list_.length())
        return MStatus::kFailure;
    ++index_;
    skipUnmatched();
    return MStatus::kSuccess;
}

MStatus MItSelectionList::reset() {
    index_ = 0;
    skipUnmatched();
    return MStatus::kSuccess;
}

MStatus MItSelectionList::setFilter(MFn::Type filter) {
    filter_ = filter;
    return reset();
}

MStatus MItSelectionList::getDependNode(MObject& depNode) const {
    return list_.getDependNode(index_, depNode);
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath, MObject& component) const {
    return list_.getDagPath(index_, dagPath, component);
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath) const {
    return list_.getDagPath(index_, dagPath);
}

MStatus MItSelectionList::getStrings(MStringArray& array) const {
    return list_.getSelectionStrings(index_, array);
}

MItSelectionList::selItemType MItSelectionList::itemType(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = index_ < list_.length() ? MStatus::kSuccess : MStatus::kFailure;
    if (index_ >= list_.length())
        return kUnknownItem;
    Node* node = liveNode(list_.items()[index_].node);
    return node && nodeHasFn(*node, MFn::kDagNode) ? kDagSelectionItem : kDNselectionItem;
}

bool MItSelectionList::hasComponents(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = index_ < list_.length() ? MStatus::kSuccess : MStatus::kFailure;
    return index_ < list_.length() && !list_.items()[index_].component.isNull();
}
