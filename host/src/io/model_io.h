#pragma once
// Model files in and out of the scene, for the file command and the tools.
#include <string>
#include <vector>

#include <maya/MStatus.h>

namespace host {

// Reads a model file (OBJ/MTL, PLY, STL, glTF/GLB and whatever else assimp
// reads) into the scene: per object a transform over its mesh, materials as
// shading engines. Everything is checked before the first node is made, so a
// failure leaves the scene as it was; the error names the file and the
// problem. Inside a scene journal the whole import is one undoable change.
MStatus importModel(const std::string& path, std::vector<std::string>* newTransforms);

// Writes the scene's meshes (or the selected objects') to an OBJ file and its
// MTL library; on failure no output file is left behind or half written.
MStatus exportObj(const std::string& path, bool selectedOnly);

namespace io {

// The same work, handing the message back instead of posting it (for callers
// that add their own prefix). Warnings are posted as they are.
bool importModelFile(const std::string& path, std::vector<std::string>& newTransforms,
                     std::string& error);
bool exportObjFile(const std::string& path, bool selectedOnly, std::string& error);

}  // namespace io

}  // namespace host
