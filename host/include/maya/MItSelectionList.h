#pragma once
// Walks a selection list, optionally only the items of one node type.
#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MSelectionList.h>
#include <maya/MStatus.h>
#include <maya/MStringArray.h>

class MItSelectionList {
public:
    enum selItemType {
        kUnknownItem = -1,
        kDagSelectionItem,
        kAnimSelectionItem,
        kDNselectionItem,
        kPlugSelectionItem
    };

    MItSelectionList(const MSelectionList& list, MFn::Type filter = MFn::kInvalid,
                     MStatus* ReturnStatus = NULL);

    bool isDone(MStatus* ReturnStatus = NULL) const;
    MStatus next();
    MStatus reset();
    MStatus getDependNode(MObject& depNode) const;
    MStatus getDagPath(MDagPath& dagPath, MObject& component) const;
    MStatus getDagPath(MDagPath& dagPath) const;
    MStatus getStrings(MStringArray& array) const;
    selItemType itemType(MStatus* ReturnStatus = NULL) const;
    bool hasComponents(MStatus* ReturnStatus = NULL) const;
    MStatus setFilter(MFn::Type filter);

private:
    bool matches(unsigned int index) const;
    void skipUnmatched();

    MSelectionList list_;
    MFn::Type filter_;
    unsigned int index_ = 0;
};
