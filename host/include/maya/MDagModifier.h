#pragma once
// The modifier for DAG edits: creates nodes under a parent.
#include <maya/MDGModifier.h>

class MDagModifier : public MDGModifier {
public:
    MDagModifier() = default;

    MObject createNode(const MString& type, const MObject& parent = MObject::kNullObj,
                       MStatus* ReturnStatus = NULL);
};
