#pragma once
// A list of selected objects and components: the active selection, or any
// list built by a plug-in. Items are nodes (DAG paths or dependency nodes),
// each optionally with a polygon component.
#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

#include <vector>

class MSelectionList {
public:
    enum MergeStrategy { kMergeNormal, kXORWithList, kRemoveFromList };

    MSelectionList() = default;
    MSelectionList(const MSelectionList& other) = default;
    MSelectionList& operator=(const MSelectionList& other) = default;

    // Adds the objects a name or pattern names: "pCube1", "|pCube1|pCubeShape1",
    // "pCube*", "pCube1.f[2]", "pCube1.f[0:3]". kInvalidParameter when nothing matches.
    MStatus add(const MString& matchString, bool searchChildNamespacesToo = false);
    MStatus add(const MObject& object, bool mergeWithExisting = false);
    MStatus add(const MDagPath& object, const MObject& component = MObject::kNullObj,
                bool mergeWithExisting = false);
    MStatus add(const MSelectionList& other, MergeStrategy strategy = kMergeNormal);
    MStatus remove(unsigned int index);
    MStatus clear();
    bool isEmpty(MStatus* ReturnStatus = NULL) const {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kSuccess;
        return items_.empty();
    }
    unsigned int length(MStatus* ReturnStatus = NULL) const {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kSuccess;
        return unsigned(items_.size());
    }
    MStatus getDependNode(unsigned int index, MObject& depNode) const;
    MStatus getDagPath(unsigned int index, MDagPath& dagPath, MObject& component) const;
    MStatus getDagPath(unsigned int index, MDagPath& dagPath) const;
    MStatus getSelectionStrings(MStringArray& array) const;
    MStatus getSelectionStrings(unsigned int index, MStringArray& array) const;
    bool hasItem(const MObject& item, MStatus* ReturnStatus = NULL) const;
    bool hasItem(const MDagPath& item, const MObject& component = MObject::kNullObj,
                 MStatus* ReturnStatus = NULL) const;

    // Host side.
    struct Item {
        MObject node;
        MObject component;  // null: the whole object
    };
    const std::vector<Item>& items() const { return items_; }
    void addItem(const Item& item, bool merge);

private:
    std::vector<Item> items_;
};
