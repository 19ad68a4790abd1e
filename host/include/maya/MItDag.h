#pragma once
// Walks the DAG from the world, depth first or breadth first, optionally only
// the nodes of one type. The walk sees the DAG as it was when it started (or
// was last reset).
#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <vector>

class MItDag {
public:
    enum TraversalType { kInvalidType = 0, kDepthFirst, kBreadthFirst };

    MItDag(TraversalType type = kDepthFirst, MFn::Type filter = MFn::kInvalid,
           MStatus* ReturnStatus = NULL);

    bool isDone(MStatus* ReturnStatus = NULL) const;
    MStatus next();
    MStatus reset();
    MStatus reset(const MObject& object, TraversalType type = kDepthFirst,
                  MFn::Type filter = MFn::kInvalid);
    MObject currentItem(MStatus* ReturnStatus = NULL) const;
    MObject item(MStatus* ReturnStatus = NULL) const { return currentItem(ReturnStatus); }
    MStatus getPath(MDagPath& path) const;
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    unsigned int depth(MStatus* ReturnStatus = NULL) const;
    TraversalType getType(MStatus* ReturnStatus = NULL) const;
    void prune();

private:
    struct Entry {
        MObject node;
        unsigned int depth;
    };
    void collect(const MObject& root);

    TraversalType type_;
    MFn::Type filter_;
    MObject root_;
    std::vector<Entry> entries_;
    size_t index_ = 0;
};
