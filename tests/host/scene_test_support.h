#pragma once
// Small real meshes and helpers for the scene tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <maya/MFloatArray.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>

#include "core/command.h"
#include "core/messages.h"
#include "scene/scene.h"

namespace scenetest {

// Each test starts from the empty scene with an empty undo queue and log
// (one host session serves the whole test program).
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Creates a mesh through the API and names its transform; returns the transform.
inline MObject makeMesh(const std::string& name, const std::vector<float>& xyz,
                        const std::vector<int>& counts, const std::vector<int>& connects,
                        const std::vector<float>& u = {}, const std::vector<float>& v = {}) {
    MFloatPointArray points;
    for (size_t i = 0; i + 2 < xyz.size(); i += 3)
        points.append(MFloatPoint(xyz[i], xyz[i + 1], xyz[i + 2]));
    MIntArray c(counts.data(), unsigned(counts.size())),
        f(connects.data(), unsigned(connects.size()));
    MFloatArray us(u.data(), unsigned(u.size())), vs(v.data(), unsigned(v.size()));
    MFnMesh fn;
    MStatus status;
    MObject transform = fn.create(int(points.length()), int(counts.size()), points, c, f, us, vs,
                                  MObject::kNullObj, &status);
    MFnDependencyNode(transform).setName(name.c_str());
    return transform;
}

// A unit quad in the x-y plane at x offset dx, with one UV per corner.
inline MObject makeQuad(const std::string& name, float dx) {
    MObject t = makeMesh(name, {dx, 0, 0, dx + 1, 0, 0, dx + 1, 1, 0, dx, 1, 0}, {4}, {0, 1, 2, 3},
                         {0, 1, 1, 0}, {0, 0, 1, 1});
    MFnMesh mesh(t);
    int ids[] = {0, 1, 2, 3};
    int counts[] = {4};
    mesh.assignUVs(MIntArray(counts, 1), MIntArray(ids, 4));
    return t;
}

// A unit cube of six quads, outward winding.
inline MObject makeCube(const std::string& name) {
    return makeMesh(name, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1},
                    {4, 4, 4, 4, 4, 4},
                    {0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4, 1, 2, 6, 5, 2, 3, 7, 6, 3, 0, 4, 7});
}

inline MStatus run(const std::string& text, host::Value* result = nullptr) {
    host::ExecOptions options;
    options.recordUndo = true;
    return host::executeCommandLanguage(text, result, options);
}

inline std::vector<std::string> strings(const host::Value& v) {
    std::vector<std::string> out;
    if (v.isList())
        for (const host::Value& item : std::get<host::Value::List>(v.data))
            out.push_back(host::displayText(item));
    else if (!v.isNone())
        out.push_back(host::displayText(v));
    return out;
}

inline bool lastErrorContains(const std::string& text) {
    const auto& log = host::messageLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->kind == host::MessageKind::Error)
            return it->text.find(text) != std::string::npos;
    return false;
}

}  // namespace scenetest
