#include <maya/MFnPlugin.h>

#include "core/command.h"
#include "core/messages.h"
#include "plugins/plugin_command.h"
#include "plugins/plugin_loader.h"

namespace {

void setStatus(MStatus* status, MStatus value) {
    if (status)
        *status = value;
}

}  // namespace

MFnPlugin::MFnPlugin(MObject&, const char* vendor, const char* version,
                     const char* requiredApiVersion, MStatus* ReturnStatus)
    : vendor_(vendor ? vendor : "Unknown"),
      version_(version ? version : "Unknown"),
      apiVersion_(requiredApiVersion ? requiredApiVersion : "Any") {
    host::LoadedPlugin* plugin = host::pluginInCharge();
    if (plugin) {
        owner_ = plugin->path.c_str();
        // Only initializePlugin names the plug-in's maker; uninitializePlugin passes the defaults.
        if (vendor_ != "Unknown")
            plugin->vendor = vendor_.asChar();
        if (version_ != "Unknown")
            plugin->version = version_.asChar();
    }
    setStatus(ReturnStatus, MStatus::kSuccess);
}

MString MFnPlugin::vendor(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MStatus::kSuccess);
    return vendor_;
}

MString MFnPlugin::version(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MStatus::kSuccess);
    return version_;
}

MString MFnPlugin::apiVersion(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MStatus::kSuccess);
    return apiVersion_;
}

MString MFnPlugin::name(MStatus* ReturnStatus) const {
    host::LoadedPlugin* plugin = host::findPlugin(owner_.asChar());
    setStatus(ReturnStatus, plugin ? MStatus::kSuccess : MStatus::kFailure);
    return plugin ? MString(plugin->name.c_str()) : MString();
}

MString MFnPlugin::loadPath(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, owner_.length() ? MStatus::kSuccess : MStatus::kFailure);
    const std::string& path = owner_.str();
    return MString(path.substr(0, path.find_last_of('/')));
}

MStatus MFnPlugin::setVersion(const MString& newVersion) {
    version_ = newVersion;
    if (host::LoadedPlugin* plugin = host::findPlugin(owner_.asChar()))
        plugin->version = newVersion.asChar();
    return MStatus::kSuccess;
}

MStatus MFnPlugin::registerCommand(const MString& commandName, MCreatorFunction creatorFunction,
                                   MCreateSyntaxFunction createSyntaxFunction) {
    if (commandName.length() == 0 || !creatorFunction)
        return MStatus::kInvalidParameter;
    host::CommandRegistry& registry = host::CommandRegistry::instance();
    if (registry.find(commandName.asChar())) {
        host::postMessage(host::MessageKind::Error, "registerCommand: a command named \"" +
                                                        commandName.str() + "\" already exists");
        return MStatus::kFailure;
    }
    registry.add(host::pluginCommandSpec(commandName.str(), creatorFunction, createSyntaxFunction,
                                         owner_.str()));
    return MStatus::kSuccess;
}

MStatus MFnPlugin::deregisterCommand(const MString& commandName) {
    host::CommandRegistry& registry = host::CommandRegistry::instance();
    const host::CommandSpec* entry = registry.find(commandName.asChar());
    // Neither the host's own commands nor another plug-in's may be taken away.
    if (!entry || entry->owner != owner_.str())
        return MStatus::kFailure;
    registry.remove(commandName.asChar());
    return MStatus::kSuccess;
}
