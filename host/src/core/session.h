#pragma once
// One running host: built-in commands registered, Python started, scene empty.
// Created once by the host tool (and by tests); destruction unloads every
// plug-in, then finishes Python, then clears the scene.
#include <string>

namespace host {

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// Hooks that Session calls, each implemented by the part of the host it names.
void registerLanguageCommands();  // core: undo, redo, loadPlugin, unloadPlugin, python, ...
void registerSceneCommands();  // scene: ls, select, polyUnite, Triangulate, delete, sets, file, ...
void registerUiCommands();     // ui: window, menu, menuItem, setParent, deleteUI, checkBox, ...
void startPython();            // python: one interpreter for the whole process
void stopPython();
void unloadAllPlugins();
void resetScene();  // scene: back to the empty scene with its default nodes
void resetUi();

}  // namespace host
