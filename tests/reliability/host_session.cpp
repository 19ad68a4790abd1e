#include "host_session.h"

#include "../host_session_environment.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/undo_queue.h"
#include "io/model_reader.h"
#include "io/scene_import.h"
#include "scene/scene.h"

namespace sc = host::scene;

namespace {

// On top of the shared session: the built plug-in, loaded once for all tests.
class PluginEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(run(std::string("loadPlugin \"") + KIVANO_PLUGIN_PATH + "\""));
    }
};

const auto* pluginEnvironment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

template <typename T>
std::shared_ptr<std::vector<T>> shared(std::vector<T> values) {
    return std::make_shared<std::vector<T>>(std::move(values));
}

}  // namespace

MStatus run(const std::string& text) {
    host::ExecOptions options;
    options.recordUndo = true;
    host::Value result;
    return host::executeCommandLanguage(text, &result, options);
}

MStatus runPython(const std::string& code) {
    return host::runPython(code);
}

std::vector<std::string> postedErrors() {
    std::vector<std::string> errors;
    for (const host::Message& m : host::messageLog())
        if (m.kind == host::MessageKind::Error)
            errors.push_back(m.text);
    return errors;
}

void clearMessages() {
    host::clearMessageLog();
}

void resetHost() {
    host::UndoQueue::instance().clear();
    sc::reset();
    host::clearMessageLog();
}

std::string addCube(const std::string& name) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = shared<sc::Point3>({{-0.5, -0.5, 0.5},
                                       {0.5, -0.5, 0.5},
                                       {-0.5, 0.5, 0.5},
                                       {0.5, 0.5, 0.5},
                                       {-0.5, 0.5, -0.5},
                                       {0.5, 0.5, -0.5},
                                       {-0.5, -0.5, -0.5},
                                       {0.5, -0.5, -0.5}});
    data->counts = shared<int>({4, 4, 4, 4, 4, 4});
    data->connects =
        shared<int>({0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6, 6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4});
    sc::UVSet uvs;
    uvs.name = "map1";
    std::vector<float> u, v;
    std::vector<int> ids;
    for (int i = 0; i < data->numFaceVertices(); ++i) {
        u.push_back(0.04f * float(i));
        v.push_back(1.0f - 0.04f * float(i));
        ids.push_back(i);
    }
    uvs.u = shared(u);
    uvs.v = shared(v);
    uvs.faceVertexIds = shared(ids);
    data->uvSets.push_back(uvs);
    data->currentUVSet = 0;
    sc::Node& transform = sc::createTransform(name);
    sc::Node& shape = sc::createMesh(name + "Shape", transform, data);
    sc::assignToEngine(*sc::findNode("initialShadingGroup"), shape);
    return transform.name;
}

std::vector<std::string> importFile(const std::string& path, std::string& error) {
    host::io::ImportedModel model;
    host::io::ReadReport report;
    if (!host::io::readModelFile(path, model, report)) {
        error = report.error;
        return {};
    }
    return host::io::addToScene(model, "model");
}

std::string firstDifference(const std::string& before, const std::string& after) {
    std::istringstream a(before), b(after);
    std::string la, lb;
    for (int line = 1;; ++line) {
        bool moreA = bool(std::getline(a, la));
        bool moreB = bool(std::getline(b, lb));
        if (!moreA && !moreB)
            return {};
        if (!moreA || !moreB || la != lb)
            return "line " + std::to_string(line) + ":\n  before: " + (moreA ? la : "(end)") +
                   "\n  after:  " + (moreB ? lb : "(end)");
    }
}
