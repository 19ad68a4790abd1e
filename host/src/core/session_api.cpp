#include <host_session/session.h>

#include <algorithm>

#include <maya/MObject.h>

#include "core/command.h"
#include "core/messages.h"
#include "core/progress.h"
#include "core/python_bridge.h"
#include "core/session.h"
#include "io/model_io.h"
#include "lang/interpreter.h"
#include "lang/parser.h"
#include "scene/scene.h"
#include "ui/ui_api.h"

namespace host_session {

namespace {

static_assert(int(MessageKind::Info) == int(host::MessageKind::Info) &&
              int(MessageKind::Warning) == int(host::MessageKind::Warning) &&
              int(MessageKind::Error) == int(host::MessageKind::Error) &&
              int(MessageKind::Result) == int(host::MessageKind::Result));

void (*gListener)(const Message&) = nullptr;

void passOn(const host::Message& message) {
    gListener({MessageKind(message.kind), message.text});
}

// What the host says while a piece of work runs, and whether a command ran
// out of memory on the way.
class Watch {
public:
    RunResult finish(bool succeeded) const {
        RunResult result;
        result.errors = posted(host::MessageKind::Error);
        if (host::outOfMemoryCount() != exhausted_)
            result.outcome = Outcome::OutOfMemory;
        else if (!succeeded)
            result.outcome = Outcome::Failed;
        return result;
    }

    std::vector<std::string> posted(host::MessageKind kind) const {
        std::vector<std::string> texts;
        const std::vector<host::Message>& log = host::messageLog();
        // A script may have cleared the log; then all of it is new.
        for (size_t i = log.size() < logged_ ? 0 : logged_; i < log.size(); ++i)
            if (log[i].kind == kind)
                texts.push_back(log[i].text);
        return texts;
    }

private:
    size_t logged_ = host::messageLog().size();
    size_t exhausted_ = host::outOfMemoryCount();
};

// Every mesh shape under the named transforms.
template <typename Fn>
void forEachMeshShape(const std::vector<std::string>& transforms, Fn fn) {
    for (const std::string& name : transforms) {
        host::scene::Node* node = host::scene::findNode(name);
        host::scene::Node* shape = node ? host::scene::meshOf(*node) : nullptr;
        if (shape && shape->mesh)
            fn(*shape);
    }
}

ControlKind publicKind(host::ui::Kind kind) {
    switch (kind) {
    case host::ui::Kind::Window:
        return ControlKind::Window;
    case host::ui::Kind::TabLayout:
    case host::ui::Kind::ColumnLayout:
        return ControlKind::Layout;
    case host::ui::Kind::CheckBox:
        return ControlKind::CheckBox;
    case host::ui::Kind::TextFieldGrp:
        return ControlKind::TextField;
    case host::ui::Kind::Text:
        return ControlKind::Text;
    case host::ui::Kind::RadioCollection:
        return ControlKind::RadioCollection;
    case host::ui::Kind::RadioButton:
        return ControlKind::RadioButton;
    case host::ui::Kind::Button:
        return ControlKind::Button;
    case host::ui::Kind::Menu:
        return ControlKind::Menu;
    case host::ui::Kind::MenuItem:
        return ControlKind::MenuItem;
    }
    return ControlKind::Layout;
}

bool showsNothing(const host::Value& result) {
    return result.isNone() || (result.isList() && std::get<host::Value::List>(result.data).empty());
}

}  // namespace

struct Session::Running {
    host::Session session;
};

Session::Session() : running_(std::make_unique<Running>()) {}
Session::~Session() = default;

void resetScene() {
    host::resetScene();
}

void setQuiet(bool quiet) {
    host::setQuiet(quiet);
}

void setMessageListener(void (*listener)(const Message&)) {
    gListener = listener;
    host::setMessageListener(listener ? passOn : nullptr);
}

void setProgressListener(void (*listener)(const Progress&)) {
    host::setProgressListener(listener);
}

void postMessage(MessageKind kind, const std::string& text) {
    host::postMessage(host::MessageKind(kind), text);
}

RunResult runCommandLanguage(const std::string& text) {
    Watch watch;
    host::Value ignored;
    return watch.finish(host::executeCommandLanguage(text, &ignored, host::ExecOptions()));
}

RunResult runPython(const std::string& code) {
    Watch watch;
    return watch.finish(host::runPython(code));
}

bool isCompleteInput(const std::string& text) {
    return host::lang::isCompleteInput(text);
}

RunResult runTypedInput(const std::string& text,
                        const std::function<void(const std::string&)>& showResult) {
    Watch watch;
    host::lang::ParseResult parsed = host::lang::parse(text);
    if (!parsed.ok) {
        host::postMessage(host::MessageKind::Error, "Syntax error at " + parsed.error);
        return watch.finish(false);
    }
    host::ExecOptions options;
    options.recordUndo = true;
    for (const host::lang::StatementPtr& statement : parsed.statements) {
        host::Value result;
        if (!host::lang::runStatement(*statement, &result, options))
            return watch.finish(false);
        if (!showsNothing(result))
            showResult(host::displayText(result));
    }
    return watch.finish(true);
}

ModelImport importModelFile(const std::string& path) {
    Watch watch;
    ModelImport model;
    model.imported = host::io::importModelFile(path, model.transforms, model.error);
    model.warnings = watch.posted(host::MessageKind::Warning);
    return model;
}

std::string exportObjFile(const std::string& path) {
    std::string error;
    if (!host::io::exportObjFile(path, false, error) && error.empty())
        error = "cannot write " + path;
    return error;
}

int triangleCount(const std::vector<std::string>& transforms) {
    int triangles = 0;
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        triangles += shape.mesh->numTriangles();
    });
    return triangles;
}

Box worldBox(const std::vector<std::string>& transforms) {
    Box box;
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        host::scene::Matrix4 world = host::scene::worldMatrix(shape);
        for (const host::scene::Point3& p : *shape.mesh->points) {
            host::scene::Point3 q = host::scene::transformPoint(world, p);
            for (int axis = 0; axis < 3; ++axis) {
                box.low[axis] = std::min(box.low[axis], q[axis]);
                box.high[axis] = std::max(box.high[axis], q[axis]);
            }
        }
    });
    return box;
}

Polygons worldPolygons(const std::vector<std::string>& transforms) {
    Polygons polygons;
    forEachMeshShape(transforms, [&](const host::scene::Node& shape) {
        host::scene::Matrix4 world = host::scene::worldMatrix(shape);
        int first = int(polygons.points.size());
        for (const host::scene::Point3& p : *shape.mesh->points)
            polygons.points.push_back(host::scene::transformPoint(world, p));
        polygons.counts.insert(polygons.counts.end(), shape.mesh->counts->begin(),
                               shape.mesh->counts->end());
        for (int corner : *shape.mesh->connects)
            polygons.corners.push_back(first + corner);
    });
    return polygons;
}

std::optional<SurfaceMaterial> surfaceMaterialOf(const MObject& shadingGroup) {
    const host::scene::Node* engine = shadingGroup.node();
    const host::scene::Node* material = engine ? host::scene::materialOf(*engine) : nullptr;
    if (!material)
        return std::nullopt;
    return SurfaceMaterial{material->color(), material->textureFile(), material->textureImage()};
}

std::vector<Control> controlsOf(const std::string& nameOrPath) {
    std::vector<Control> controls;
    const host::ui::Control* top = host::ui::findControl(nameOrPath);
    if (!top)
        return controls;
    std::vector<const host::ui::Control*> open{top};
    while (!open.empty()) {
        const host::ui::Control* control = open.back();
        open.pop_back();
        controls.push_back({control->path(), publicKind(control->kind)});
        for (auto it = control->children.rbegin(); it != control->children.rend(); ++it)
            open.push_back(it->get());
    }
    return controls;
}

RunResult pressButton(const std::string& nameOrPath) {
    Watch watch;
    return watch.finish(host::ui::pressButton(nameOrPath));
}

}  // namespace host_session
