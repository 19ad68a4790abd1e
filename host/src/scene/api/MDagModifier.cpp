#include <maya/MDagModifier.h>

#include "core/command.h"
#include "scene/node_types.h"

using namespace host::scene;

// A DAG node is made at once under the parent (a new transform when the type
// is a shape and no parent is given); undoIt removes it again.
MObject MDagModifier::createNode(const MString& type, const MObject& parent,
                                 MStatus* ReturnStatus) {
    std::string typeName = type.asChar();
    Node* parentNode = parent.isNull() ? nullptr : liveNode(parent);
    bool dagType = typeName == "transform" || typeName == "mesh";
    if (!dagType && parent.isNull())
        return MDGModifier::createNode(type, ReturnStatus);
    if (!dagType ||
        (!parent.isNull() && (!parentNode || parentNode->kind != NodeKind::Transform))) {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kInvalidParameter;
        return MObject();
    }
    std::vector<host::UndoStep> steps;
    Node* made = nullptr;
    {
        Journal journal(&steps);
        made = &host::scene::createNode(typeName, "", parentNode);
    }
    adoptDone(steps);
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    if (typeName == "mesh" && !parentNode)
        return objectOf(*made->parent);
    return objectOf(*made);
}
