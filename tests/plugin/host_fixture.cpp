#include "host_fixture.h"

#include "../host_session_environment.h"
#include "common/sheet_record.h"

#include <algorithm>
#include <memory>
#include <sstream>

#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"
#include "core/undo_queue.h"
#include "ui/ui_api.h"

namespace sc = host::scene;

namespace {

// Python starts once per process, so every test shares one host and one
// loaded plug-in (on top of the shared session); each test starts from an
// empty scene.
class PluginEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(run(std::string("loadPlugin \"") + KIVANO_PLUGIN_PATH + "\""));
    }
};

const auto* pluginEnvironment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

std::shared_ptr<std::vector<int>> ints(std::vector<int> v) {
    return std::make_shared<std::vector<int>>(std::move(v));
}

std::shared_ptr<std::vector<float>> floats(std::vector<float> v) {
    return std::make_shared<std::vector<float>>(std::move(v));
}

sc::Node& addMesh(const std::string& name, std::vector<sc::Point3> points, std::vector<int> counts,
                  std::vector<int> connects, std::array<double, 3> at) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = std::make_shared<std::vector<sc::Point3>>(std::move(points));
    data->counts = ints(std::move(counts));
    data->connects = ints(std::move(connects));
    sc::UVSet uvs;
    uvs.name = "map1";
    data->uvSets.push_back(uvs);
    data->currentUVSet = 0;
    sc::Node& transform = sc::createTransform(name);
    sc::setTransform(transform, at, {0, 0, 0}, {1, 1, 1});
    return sc::createMesh(name + "Shape", transform, data);
}

void giveEveryFaceItsOwnUVs(sc::Node& shape) {
    auto data = std::make_shared<sc::MeshData>(*shape.mesh);
    std::vector<float> u, v;
    std::vector<int> ids;
    for (int i = 0; i < data->numFaceVertices(); ++i) {
        u.push_back(0.01f * i);
        v.push_back(1.0f - 0.01f * i);
        ids.push_back(i);
    }
    data->uvSets[0].u = floats(u);
    data->uvSets[0].v = floats(v);
    data->uvSets[0].faceVertexIds = ints(ids);
    sc::setMeshData(shape, data);
}

std::string joinPoint(const sc::Point3& p) {
    std::ostringstream s;
    s.precision(17);
    s << p[0] << ' ' << p[1] << ' ' << p[2];
    return s.str();
}

template <typename T>
void appendList(std::ostringstream& s, const char* label,
                const std::shared_ptr<const std::vector<T>>& values) {
    s << ' ' << label << '[';
    if (values)
        for (const T& v : *values)
            s << v << ',';
    s << ']';
}

void describeMesh(std::ostringstream& s, const sc::Node& node) {
    const sc::MeshData& m = *node.mesh;
    s << " intermediate=" << node.intermediate << " points[";
    for (const sc::Point3& p : *m.points)
        s << joinPoint(p) << ',';
    s << ']';
    appendList(s, "counts", m.counts);
    appendList(s, "connects", m.connects);
    for (const sc::UVSet& uv : m.uvSets) {
        s << " uvset " << uv.name;
        appendList(s, "u", uv.u);
        appendList(s, "v", uv.v);
        appendList(s, "ids", uv.faceVertexIds);
    }
    s << " current=" << m.currentUVSet << " colorsets=" << m.colorSets.size();
    for (int p = 0; p < m.numPolygons(); ++p) {
        sc::Node* engine = sc::engineOfFace(node, p);
        s << " f" << p << '=' << (engine ? engine->name : "-");
    }
}

}  // namespace

MStatus run(const std::string& text, host::Value* result) {
    host::ExecOptions options;
    options.recordUndo = true;
    return host::executeCommandLanguage(text, result, options);
}

MStatus runPython(const std::string& code) {
    return host::runPython(code);
}

std::string pythonResult(const std::string& expression) {
    std::string result;
    host::runPythonWithResult(expression, result);
    return result;
}

std::vector<std::string> kivanoMessages() {
    std::vector<std::string> texts;
    for (const host::Message& m : host::messageLog())
        if ((m.kind == host::MessageKind::Info || m.kind == host::MessageKind::Error) &&
            m.text.rfind("kivano: ", 0) == 0)
            texts.push_back(m.text);
    return texts;
}

bool logHas(const std::string& fragment) {
    for (const host::Message& m : host::messageLog())
        if (m.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

sc::Node& addCube(const std::string& name, std::array<double, 3> at, bool twoMaterials) {
    std::vector<sc::Point3> points = {{-0.5, -0.5, 0.5},  {0.5, -0.5, 0.5},  {-0.5, 0.5, 0.5},
                                      {0.5, 0.5, 0.5},    {-0.5, 0.5, -0.5}, {0.5, 0.5, -0.5},
                                      {-0.5, -0.5, -0.5}, {0.5, -0.5, -0.5}};
    std::vector<int> connects = {0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6,
                                 6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4};
    sc::Node& shape = addMesh(name, points, {4, 4, 4, 4, 4, 4}, connects, at);
    giveEveryFaceItsOwnUVs(shape);
    if (!twoMaterials) {
        sc::assignToEngine(*sc::findNode("initialShadingGroup"), shape);
        return shape;
    }
    for (const char* colour : {"red", "blue"}) {
        sc::Node& material = sc::createMaterial("lambert", colour);
        sc::Node& engine = sc::createShadingEngine(std::string(colour) + "SG");
        sc::setSurfaceShader(engine, &material);
        if (colour[0] == 'r')
            sc::assignToEngine(engine, shape, {0, 1, 2});
        else
            sc::assignToEngine(engine, shape, {3, 4, 5});
    }
    return shape;
}

sc::Node& addStripWithSliver(const std::string& name) {
    std::vector<sc::Point3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                      {2, 1, 0}, {3, 1, 0}, {3, 2, 0}};
    sc::Node& shape = addMesh(name, points, {3, 3, 3, 3, 3},
                              {0, 1, 2, 1, 3, 2, 1, 4, 3, 3, 4, 5, 4, 5, 6}, {0, 0, 0});
    sc::assignToEngine(*sc::findNode("initialShadingGroup"), shape);
    return shape;
}

sc::Node& addHinges(const std::string& name, int count) {
    std::vector<sc::Point3> points;
    std::vector<int> connects;
    for (int h = 0; h < count; ++h) {
        double x = 3.0 * h;
        int first = int(points.size());
        points.insert(points.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}, {x, 0, 1}});
        connects.insert(connects.end(), {first, first + 1, first + 2, first + 1, first, first + 3});
    }
    sc::Node& shape =
        addMesh(name, points, std::vector<int>(size_t(2 * count), 3), connects, {0, 0, 0});
    sc::assignToEngine(*sc::findNode("initialShadingGroup"), shape);
    return shape;
}

void selectOnly(const std::vector<std::string>& names) {
    std::string command = "select -r";
    for (const std::string& n : names)
        command += " " + n;
    ASSERT_TRUE(run(command));
}

std::vector<SheetObject> sheetObjects(const std::string& prefix) {
    std::vector<SheetObject> objects;
    for (sc::Node* node : sc::allNodes()) {
        if (node->kind != sc::NodeKind::Transform || node->name.rfind(prefix, 0) != 0)
            continue;
        sc::Node* shape = sc::meshOf(*node);
        if (!shape || !shape->mesh)
            continue;
        SheetObject o;
        o.name = node->name;
        sc::Matrix4 world = sc::worldMatrix(*shape);
        for (const sc::Point3& p : *shape->mesh->points)
            o.points.push_back(sc::transformPoint(world, p));
        sc::Node* engine = sc::engineOfFace(*shape, 0);
        o.shadingGroup = engine ? engine->name : "";
        auto record = node->dynamicAttrs.find(sheet_record::kAttribute);
        sheet_record::Triangle triangle;
        if (record != node->dynamicAttrs.end() &&
            sheet_record::decode(record->second.array.data(), record->second.array.size(),
                                 triangle)) {
            o.edges.assign(triangle.edgeId, triangle.edgeId + 3);
            o.edges.insert(o.edges.end(), triangle.foldAngle, triangle.foldAngle + 3);
            o.place = {double(triangle.net), double(triangle.position)};
        }
        if (const sc::UVSet* uv = shape->mesh->uvSet("")) {
            o.uvIds.assign(uv->faceVertexIds->begin(), uv->faceVertexIds->end());
            o.hasUVs = !o.uvIds.empty();
        }
        objects.push_back(o);
    }
    return objects;
}

std::string sceneSnapshot() {
    std::ostringstream s;
    for (sc::Node* node : sc::allNodes()) {
        s << node->typeName() << ' ' << node->name
          << " parent=" << (node->parent ? node->parent->name : "");
        if (node->kind == sc::NodeKind::Transform)
            s << " at=" << joinPoint(node->translate()) << " visible=" << node->visibility;
        if (node->kind == sc::NodeKind::Mesh && node->mesh)
            describeMesh(s, *node);
        s << '\n';
    }
    for (const sc::SelectionItem& item : sc::selection())
        for (const std::string& text : sc::selectionStrings(item))
            s << "selected " << text << '\n';
    return s.str();
}

namespace {

const host::ui::Control* findStart(const host::ui::Control* control) {
    if (control->kind == host::ui::Kind::Button)
        return control;
    for (const auto& child : control->children)
        if (const host::ui::Control* found = findStart(child.get()))
            return found;
    return nullptr;
}

}  // namespace

void openWindow(int language) {
    ASSERT_TRUE(run("kivanomenu -l " + std::to_string(language)));
}

void setOption(const std::string& pythonEditLine) {
    ASSERT_TRUE(runPython(pythonEditLine));
}

MStatus pressStart() {
    const host::ui::Control* window = host::ui::findControl("newWindow");
    const host::ui::Control* start = window ? findStart(window) : nullptr;
    if (!start)
        return MStatus::kNotFound;
    return host::ui::pressButton(start->path());
}

void PluginTest::SetUp() {
    sc::reset();
    host::UndoQueue::instance().clear();
    host::clearMessageLog();
}

void PluginTest::TearDown() {
    sc::reset();
    host::UndoQueue::instance().clear();
}
