#include "plugins/plugin_loader.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <maya/MObject.h>
#include <maya/MString.h>

#include "core/command.h"
#include "core/messages.h"
#include "core/session.h"
#include "core/undo_queue.h"

namespace host {

namespace {

const char kHostApiVersion[] = "201100";

using EntryPoint = MStatus (*)(MObject);

std::vector<std::unique_ptr<LoadedPlugin>>& plugins() {
    static std::vector<std::unique_ptr<LoadedPlugin>> list;
    return list;
}

std::vector<LoadedPlugin*>& inCharge() {
    static std::vector<LoadedPlugin*> stack;
    return stack;
}

struct InChargeGuard {
    explicit InChargeGuard(LoadedPlugin* p) { inCharge().push_back(p); }
    ~InChargeGuard() { inCharge().pop_back(); }
};

MStatus failure(const std::string& text, MStatus::MStatusCode code = MStatus::kFailure) {
    postMessage(MessageKind::Error, text);
    return code;
}

std::string dlerrorText() {
    const char* e = dlerror();
    return e ? e : "unknown reason";
}

std::string fileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// A plug-in is named by its file without folders, extension and the "lib"
// that build systems put in front of shared libraries.
std::string nameOf(const std::string& path) {
    std::string base = fileNameOf(path);
    std::size_t dot = base.find('.');
    if (dot != std::string::npos && dot != 0)
        base.resize(dot);
    if (base.size() > 3 && base.compare(0, 3, "lib") == 0)
        base.erase(0, 3);
    return base;
}

// The library must say which API it was built for, or the host cannot trust its layout.
MStatus checkApiVersion(void* handle, const std::string& path) {
    dlerror();
    const char* version = static_cast<const char*>(dlsym(handle, "MApiVersion"));
    if (!version)
        return failure("loadPlugin: \"" + path +
                       "\" is not a plug-in: it exports no MApiVersion (" + dlerrorText() + ")");
    const std::string text(version, strnlen(version, 32));
    if (text != kHostApiVersion)
        return failure("loadPlugin: \"" + path + "\" was built for API version \"" + text +
                       "\", this host is \"" + kHostApiVersion + "\"");
    return MStatus::kSuccess;
}

EntryPoint entryPoint(void* handle, const char* symbol) {
    dlerror();
    return reinterpret_cast<EntryPoint>(dlsym(handle, symbol));
}

// Commands left behind by a plug-in would call into unmapped code.
void removeCommandsOf(const LoadedPlugin& plugin, bool warn) {
    CommandRegistry& registry = CommandRegistry::instance();
    for (const std::string& name : registry.names()) {
        const CommandSpec* entry = registry.find(name);
        if (!entry || entry->owner != plugin.path)
            continue;
        if (warn)
            postMessage(MessageKind::Warning, "unloadPlugin: " + plugin.name + " left command \"" +
                                                  name + "\" registered; removed");
        registry.remove(name);
    }
}

// Undo entries may hold this plug-in's command objects; they must go before its code does.
void releaseCommandObjects(const LoadedPlugin& plugin) {
    if (plugin.liveCommands == 0)
        return;
    UndoQueue::instance().clear();
    postMessage(
        MessageKind::Warning,
        "unloadPlugin: the undo queue was flushed because it held commands of " + plugin.name);
}

void closeAndForget(LoadedPlugin* plugin) {
    removeCommandsOf(*plugin, false);
    if (plugin->handle)
        dlclose(plugin->handle);
    auto& list = plugins();
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == plugin; }),
        list.end());
}

MStatus initialize(LoadedPlugin* plugin) {
    EntryPoint init = entryPoint(plugin->handle, "initializePlugin");
    if (!init)
        return failure("loadPlugin: \"" + plugin->path + "\" exports no initializePlugin (" +
                       dlerrorText() + ")");
    if (!entryPoint(plugin->handle, "uninitializePlugin"))
        return failure("loadPlugin: \"" + plugin->path + "\" exports no uninitializePlugin (" +
                       dlerrorText() + ")");
    MStatus status;
    {
        InChargeGuard guard(plugin);
        status = init(MObject());
    }
    if (!status)
        return failure("loadPlugin: initializePlugin of \"" + plugin->path +
                           "\" failed: " + status.errorString().asChar(),
                       status.statusCode());
    return MStatus::kSuccess;
}

}  // namespace

const std::vector<std::unique_ptr<LoadedPlugin>>& loadedPlugins() {
    return plugins();
}

LoadedPlugin* findPlugin(const std::string& nameOrPath) {
    char resolved[PATH_MAX];
    const std::string canonical = realpath(nameOrPath.c_str(), resolved) ? resolved : nameOrPath;
    for (const auto& p : plugins())
        if (p->path == canonical || p->name == nameOrPath || fileNameOf(p->path) == nameOrPath)
            return p.get();
    return nullptr;
}

LoadedPlugin* pluginInCharge() {
    return inCharge().empty() ? nullptr : inCharge().back();
}

MStatus loadPlugin(const std::string& path) {
    if (path.empty())
        return failure("loadPlugin: no plug-in file given", MStatus::kInvalidParameter);
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return failure("loadPlugin: cannot load \"" + path + "\": " + std::strerror(errno),
                       MStatus::kNotFound);
    const std::string canonical = resolved;
    for (const auto& p : plugins())
        if (p->path == canonical)
            return failure("loadPlugin: \"" + canonical + "\" is already loaded");
    void* handle = dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return failure("loadPlugin: cannot load \"" + canonical + "\": " + dlerrorText());
    MStatus status = checkApiVersion(handle, canonical);
    if (!status) {
        dlclose(handle);
        return status;
    }
    auto record = std::make_unique<LoadedPlugin>();
    record->path = canonical;
    record->name = nameOf(canonical);
    record->handle = handle;
    LoadedPlugin* plugin = record.get();
    plugins().push_back(std::move(record));
    status = initialize(plugin);
    if (!status) {
        releaseCommandObjects(*plugin);
        closeAndForget(plugin);
    }
    return status;
}

MStatus unloadPlugin(const std::string& nameOrPath) {
    LoadedPlugin* plugin = findPlugin(nameOrPath);
    if (!plugin)
        return failure("unloadPlugin: no plug-in \"" + nameOrPath + "\" is loaded",
                       MStatus::kNotFound);
    if (plugin->runningCommands > 0)
        return failure("unloadPlugin: cannot unload " + plugin->name +
                       " while one of its commands runs");
    releaseCommandObjects(*plugin);
    EntryPoint uninit = entryPoint(plugin->handle, "uninitializePlugin");
    MStatus status;
    {
        InChargeGuard guard(plugin);
        status = uninit(MObject());
    }
    // A plug-in that refuses to let go stays loaded: its commands still work.
    if (!status)
        return failure("unloadPlugin: uninitializePlugin of \"" + plugin->path +
                           "\" failed: " + status.errorString().asChar(),
                       status.statusCode());
    removeCommandsOf(*plugin, true);
    closeAndForget(plugin);
    return MStatus::kSuccess;
}

void unloadAllPlugins() {
    // Newest first, the reverse of loading, as plug-ins may build on earlier ones.
    while (!plugins().empty()) {
        LoadedPlugin* plugin = plugins().back().get();
        if (!unloadPlugin(plugin->path)) {
            releaseCommandObjects(*plugin);
            closeAndForget(plugin);
        }
    }
}

}  // namespace host
