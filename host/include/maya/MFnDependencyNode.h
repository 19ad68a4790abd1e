#pragma once
// Function set for any node: its name, type and plugs.
#include <maya/MFnBase.h>
#include <maya/MPlug.h>
#include <maya/MString.h>

class MFnDependencyNode : public MFnBase {
public:
    MFnDependencyNode() = default;
    MFnDependencyNode(MObject& object, MStatus* ReturnStatus = NULL);
    MFnDependencyNode(const MObject& object, MStatus* ReturnStatus = NULL);

    MFn::Type type() const override { return MFn::kDependencyNode; }

    // Creates a node of the type (createNode) with a unique variant of the name.
    MObject create(const MString& type, MStatus* ReturnStatus = NULL);
    MObject create(const MString& type, const MString& name, MStatus* ReturnStatus = NULL);

    MString name(MStatus* ReturnStatus = NULL) const;
    // Renames; returns the name applied, which is a numbered variant when the
    // wanted name is taken. An invalid name fails and changes nothing.
    MString setName(const MString& name, bool createNamespace = false,
                    MStatus* ReturnStatus = NULL);
    MString typeName(MStatus* ReturnStatus = NULL) const;
    MPlug findPlug(const MString& attrName, bool wantNetworkedPlug,
                   MStatus* ReturnStatus = NULL) const;
    MPlug findPlug(const MString& attrName, MStatus* ReturnStatus = NULL) const;
    bool hasAttribute(const MString& name, MStatus* ReturnStatus = NULL) const;
    bool isDefaultNode(MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};
