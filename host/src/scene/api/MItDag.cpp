#include <maya/MItDag.h>

#include <deque>

#include "scene/node_types.h"

using namespace host::scene;

MItDag::MItDag(TraversalType type, MFn::Type filter, MStatus* ReturnStatus)
    : type_(type), filter_(filter) {
    bool ok = type == kDepthFirst || type == kBreadthFirst;
    if (ReturnStatus)
        *ReturnStatus = ok ? MStatus::kSuccess : MStatus::kInvalidParameter;
    if (!ok)
        type_ = kDepthFirst;
    root_ = objectOf(world());
    collect(root_);
}

// The walk is listed up front: depth first in pre-order, or level by level.
void MItDag::collect(const MObject& root) {
    entries_.clear();
    index_ = 0;
    Node* start = liveNode(root);
    if (!start)
        return;
    std::vector<Entry> all;
    if (type_ == kBreadthFirst) {
        std::deque<Entry> queue{{root, 0}};
        while (!queue.empty()) {
            Entry e = queue.front();
            queue.pop_front();
            all.push_back(e);
            for (NodePtr& child : e.node.node()->children)
                queue.push_back({MObject(child), e.depth + 1});
        }
    } else {
        std::vector<Entry> stack{{root, 0}};
        while (!stack.empty()) {
            Entry e = stack.back();
            stack.pop_back();
            all.push_back(e);
            auto& children = e.node.node()->children;
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back({MObject(*it), e.depth + 1});
        }
    }
    for (Entry& e : all)
        if (filter_ == MFn::kInvalid || e.node.hasFn(filter_))
            entries_.push_back(e);
}

bool MItDag::isDone(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return index_ >= entries_.size();
}

MStatus MItDag::next() {
    if (index_ >= entries_.size())
        return MStatus::kFailure;
    ++index_;
    return MStatus::kSuccess;
}

MStatus MItDag::reset() {
    collect(root_);
    return MStatus::kSuccess;
}

MStatus MItDag::reset(const MObject& object, TraversalType type, MFn::Type filter) {
    if (!liveNode(object) || !object.hasFn(MFn::kDagNode))
        return MStatus::kInvalidParameter;
    root_ = object;
    type_ = type == kBreadthFirst ? kBreadthFirst : kDepthFirst;
    filter_ = filter;
    collect(root_);
    return MStatus::kSuccess;
}

MObject MItDag::currentItem(MStatus* ReturnStatus) const {
    bool ok = index_ < entries_.size();
    if (ReturnStatus)
        *ReturnStatus = ok ? MStatus::kSuccess : MStatus::kFailure;
    return ok ? entries_[index_].node : MObject();
}

MStatus MItDag::getPath(MDagPath& path) const {
    if (index_ >= entries_.size() || !liveNode(entries_[index_].node))
        return MStatus::kFailure;
    path = MDagPath(entries_[index_].node);
    return MStatus::kSuccess;
}

MString MItDag::fullPathName(MStatus* ReturnStatus) const {
    MDagPath path;
    MStatus status = getPath(path);
    if (ReturnStatus)
        *ReturnStatus = status;
    return status ? path.fullPathName() : MString();
}

MString MItDag::partialPathName(MStatus* ReturnStatus) const {
    MDagPath path;
    MStatus status = getPath(path);
    if (ReturnStatus)
        *ReturnStatus = status;
    return status ? path.partialPathName() : MString();
}

unsigned int MItDag::depth(MStatus* ReturnStatus) const {
    bool ok = index_ < entries_.size();
    if (ReturnStatus)
        *ReturnStatus = ok ? MStatus::kSuccess : MStatus::kFailure;
    return ok ? entries_[index_].depth : 0u;
}

MItDag::TraversalType MItDag::getType(MStatus* ReturnStatus) const {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return type_;
}

// Skips what lies below the current node.
void MItDag::prune() {
    if (index_ >= entries_.size())
        return;
    Node* current = entries_[index_].node.node();
    std::vector<Entry> kept(entries_.begin(), entries_.begin() + long(index_) + 1);
    for (size_t i = index_ + 1; i < entries_.size(); ++i) {
        bool below = false;
        for (Node* p = entries_[i].node.node()->parent; p; p = p->parent)
            if (p == current)
                below = true;
        if (!below)
            kept.push_back(entries_[i]);
    }
    entries_ = std::move(kept);
}
