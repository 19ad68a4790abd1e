#pragma once
// The host as the tools that drive it see it: one session, its two script
// languages, model files, the option window and the measures of an imported
// model, all as plain records. Plug-ins use the SDK under maya/ instead; this
// is for programs that run the host, not for code it loads.
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <host_session/embedded_image.h>

class MObject;

namespace host_session {

// One running host: its commands registered, Python started, the scene
// empty. One at a time; the end unloads every plug-in, then Python, then
// clears the scene.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    struct Running;
    std::unique_ptr<Running> running_;
};

// Back to the empty scene with its default nodes. Data a plug-in made must go
// this way while the plug-in is still loaded.
void resetScene();

// ---- Messages ---------------------------------------------------------------

enum class MessageKind { Info, Warning, Error, Result };

struct Message {
    MessageKind kind;
    std::string text;
};

// Quiet: messages are only kept, except errors, which always reach standard
// error so that a quiet run still explains a failure.
void setQuiet(bool quiet);
// Sees every message as it is posted; nullptr for none.
void setMessageListener(void (*listener)(const Message&));
void postMessage(MessageKind kind, const std::string& text);

// ---- Progress ---------------------------------------------------------------

// The host's progress window as a plug-in fills it.
struct Progress {
    bool shown = false;  // between the plug-in's start and end of it
    int value = 0;       // within min and max
    int min = 0;
    int max = 100;
    std::string status;
};

// Hears every change while the window is shown, and its closing; nullptr
// for none.
void setProgressListener(void (*listener)(const Progress&));

// ---- Running scripts --------------------------------------------------------

enum class Outcome {
    Succeeded,
    Failed,
    // A command ran out of memory, whatever became of the script around it.
    OutOfMemory,
};

struct RunResult {
    Outcome outcome = Outcome::Succeeded;
    std::vector<std::string> errors;  // posted while it ran, oldest first

    bool succeeded() const { return outcome == Outcome::Succeeded; }
};

// Command-language text, as MGlobal::executeCommand runs it.
RunResult runCommandLanguage(const std::string& text);
// Python statements, each maya.cmds call its own step on the undo queue.
RunResult runPython(const std::string& code);

// True when the text ends where a statement can end, so that a shell knows
// when the lines it gathered can run.
bool isCompleteInput(const std::string& text);
// Runs complete input as a person typing it would: a syntax error runs
// nothing; each statement's work is one step on the undo queue; showResult
// hears, right after each statement, its result as the host shows it
// (statements without a result, or with an empty list, are not heard). Stops
// at the first statement that fails.
RunResult runTypedInput(const std::string& text,
                        const std::function<void(const std::string&)>& showResult);

// ---- Model files ------------------------------------------------------------

struct ModelImport {
    bool imported = false;
    std::string error;                    // why not, naming the file
    std::vector<std::string> transforms;  // made for the file's objects, in its order
    std::vector<std::string> warnings;    // what was left out: a texture, a material library
};

// Into the scene, each object a transform over its mesh; a failure leaves
// the scene as it was.
ModelImport importModelFile(const std::string& path);

// The whole scene as an OBJ file and its MTL library, each written
// atomically. An empty text on success, else why not.
std::string exportObjFile(const std::string& path);

// ---- Imported models --------------------------------------------------------
// Each function takes transforms by name, as importModelFile gives them;
// names that are no transform over a mesh add nothing.

using Point = std::array<double, 3>;

// Empty: low above high on every axis.
struct Box {
    Point low{HUGE_VAL, HUGE_VAL, HUGE_VAL};
    Point high{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
};

// Polygons in world space, mesh after mesh.
struct Polygons {
    std::vector<Point> points;
    std::vector<int> counts;   // corners per polygon
    std::vector<int> corners;  // into points, polygon after polygon
};

// The triangles the polygons make once split into fans.
int triangleCount(const std::vector<std::string>& transforms);
Box worldBox(const std::vector<std::string>& transforms);
Polygons worldPolygons(const std::vector<std::string>& transforms);

// ---- Materials ----------------------------------------------------------------

struct SurfaceMaterial {
    std::array<float, 3> colour;
    std::string textureFile;        // empty: untextured
    EmbeddedImagePtr textureImage;  // the texture's pixels when the model file held them
};

// What feeds the shading group's surface; nullopt when nothing does. The
// stand-in host keeps colour and texture on the material itself, where the
// SDK's classes do not reach.
std::optional<SurfaceMaterial> surfaceMaterialOf(const MObject& shadingGroup);

// ---- Windows ----------------------------------------------------------------

enum class ControlKind {
    Window,
    Layout,
    CheckBox,
    TextField,
    Text,
    RadioCollection,
    RadioButton,
    Button,
    Menu,
    MenuItem,
};

struct Control {
    std::string path;  // full, as pressButton takes it
    ControlKind kind;
};

// The control (a window, say) and everything in it, each control before its
// children, siblings in the order they were made; empty when there is none.
std::vector<Control> controlsOf(const std::string& nameOrPath);

// Runs the button's command as a click would.
RunResult pressButton(const std::string& nameOrPath);

}  // namespace host_session
