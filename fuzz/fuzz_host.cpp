#include "fuzz_host.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/command.h"
#include "core/messages.h"
#include "core/session.h"
#include "core/undo_queue.h"
#include "scene/scene.h"

namespace sc = host::scene;

namespace fuzzhost {

namespace {

// Reach the file system, load libraries or run Python code given as text.
const char* const kOutsideCommands[] = {
    "python",  "loadPlugin", "unloadPlugin", "file",      "system",
    "sysFile", "uiPress",    "evalDeferred", "scriptJob",
};

template <typename T>
std::shared_ptr<std::vector<T>> shared(std::vector<T> values) {
    return std::make_shared<std::vector<T>>(std::move(values));
}

void addCube(const char* name, double x) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = shared<sc::Point3>({{x - 0.5, -0.5, 0.5},
                                       {x + 0.5, -0.5, 0.5},
                                       {x - 0.5, 0.5, 0.5},
                                       {x + 0.5, 0.5, 0.5},
                                       {x - 0.5, 0.5, -0.5},
                                       {x + 0.5, 0.5, -0.5},
                                       {x - 0.5, -0.5, -0.5},
                                       {x + 0.5, -0.5, -0.5}});
    data->counts = shared<int>({4, 4, 4, 4, 4, 4});
    data->connects =
        shared<int>({0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6, 6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4});
    sc::UVSet uvs;
    uvs.name = "map1";
    std::vector<float> u, v;
    std::vector<int> ids;
    for (int i = 0; i < data->numFaceVertices(); ++i) {
        u.push_back(0.04f * float(i));
        v.push_back(0.5f);
        ids.push_back(i);
    }
    uvs.u = shared(u);
    uvs.v = shared(v);
    uvs.faceVertexIds = shared(ids);
    data->uvSets.push_back(uvs);
    data->currentUVSet = 0;
    sc::Node& transform = sc::createTransform(name);
    sc::Node& shape = sc::createMesh(std::string(name) + "Shape", transform, data);
    sc::assignToEngine(*sc::findNode("initialShadingGroup"), shape);
}

}  // namespace

bool run(const std::string& text) {
    host::ExecOptions options;
    options.recordUndo = true;
    host::Value result;
    return bool(host::executeCommandLanguage(text, &result, options));
}

std::unique_ptr<host::Session>& session() {
    static std::unique_ptr<host::Session> instance;
    return instance;
}

void start() {
    if (session())
        return;
    session() = std::make_unique<host::Session>();
    host::setQuiet(true);
    if (!run(std::string("loadPlugin \"") + KIVANO_PLUGIN_PATH + "\"")) {
        std::fprintf(stderr, "fuzz: cannot load the plug-in %s\n", KIVANO_PLUGIN_PATH);
        std::abort();
    }
}

void removeOutsideCommands() {
    for (const char* name : kOutsideCommands)
        host::CommandRegistry::instance().remove(name);
}

void resetToSmallScene() {
    // The session must end before the host's own statics go, the way the
    // host tool ends it (plug-ins unloaded, Python finished, scene cleared).
    // Exit handlers run in reverse order, so the handler is set once the
    // first input has brought every static of a run into being.
    static int inputs = 0;
    if (++inputs == 2)
        std::atexit([] { session().reset(); });
    host::UndoQueue::instance().clear();
    sc::reset();
    host::clearMessageLog();
    addCube("pCube1", 0.0);
    addCube("pCube2", 3.0);
    run("select -r pCube1; kivanomenu -l 1");
    host::clearMessageLog();
}

}  // namespace fuzzhost
