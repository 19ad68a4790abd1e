#pragma once
// What a plug-in uses in initializePlugin and uninitializePlugin to tell the
// host about itself and to add and remove its commands.
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

class MFnPlugin {
public:
    MFnPlugin() = default;
    MFnPlugin(MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0);
    virtual ~MFnPlugin() = default;

    MString vendor(MStatus* ReturnStatus = NULL) const;
    MString version(MStatus* ReturnStatus = NULL) const;
    MString apiVersion(MStatus* ReturnStatus = NULL) const;
    MString name(MStatus* ReturnStatus = NULL) const;
    MString loadPath(MStatus* ReturnStatus = NULL) const;
    MStatus setVersion(const MString& newVersion);

    // Fails when the name is taken (by the host or any plug-in).
    MStatus registerCommand(const MString& commandName, MCreatorFunction creatorFunction,
                            MCreateSyntaxFunction createSyntaxFunction = NULL);
    // Fails when no command of that name was registered by this plug-in.
    MStatus deregisterCommand(const MString& commandName);

private:
    MString owner_;  // load path of the plug-in, or empty outside loading
    MString vendor_ = "Unknown";
    MString version_ = "Unknown";
    MString apiVersion_ = "Any";
};
