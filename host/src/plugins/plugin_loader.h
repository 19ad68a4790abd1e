#pragma once
// Loading and unloading plug-in libraries: dlopen, the API-version check,
// initializePlugin / uninitializePlugin, dlclose.
#include <memory>
#include <string>
#include <vector>

#include <maya/MStatus.h>

namespace host {

struct LoadedPlugin {
    std::string path;  // canonical path of the library
    std::string name;  // file name without folders and extension
    void* handle = nullptr;
    std::string vendor = "Unknown";
    std::string version = "Unknown";
    int liveCommands = 0;     // command objects alive: running or kept for undo
    int runningCommands = 0;  // command objects inside doIt/undoIt/redoIt now
};

// Each posts its failure with the reason and returns a failure status.
MStatus loadPlugin(const std::string& path);
MStatus unloadPlugin(const std::string& nameOrPath);
// unloadAllPlugins() is declared with the session hooks.

const std::vector<std::unique_ptr<LoadedPlugin>>& loadedPlugins();
LoadedPlugin* findPlugin(const std::string& nameOrPath);
// The plug-in whose initializePlugin or uninitializePlugin is running, if any.
LoadedPlugin* pluginInCharge();

}  // namespace host
