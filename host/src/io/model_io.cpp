#include "io/model_io.h"

#include <filesystem>

#include "core/messages.h"
#include "io/model_reader.h"
#include "io/obj_writer.h"
#include "io/scene_export.h"
#include "io/scene_import.h"

namespace host {

namespace io {

bool importModelFile(const std::string& path, std::vector<std::string>& newTransforms,
                     std::string& error) {
    ImportedModel model;
    ReadReport report;
    if (!readModelFile(path, model, report)) {
        error = "cannot import \"" + path + "\": " + report.error;
        return false;
    }
    for (const std::string& warning : report.warnings)
        postMessage(MessageKind::Warning, "\"" + path + "\": " + warning);
    newTransforms = addToScene(model, std::filesystem::path(path).stem().string());
    return true;
}

bool exportObjFile(const std::string& path, bool selectedOnly, std::string& error) {
    ImportedModel model;
    std::string problem;
    if (!collectScene(selectedOnly, model, problem)) {
        error = "cannot export \"" + path + "\": " + problem;
        return false;
    }
    return writeObj(model, path, error);  // its errors name the file they concern
}

}  // namespace io

MStatus importModel(const std::string& path, std::vector<std::string>* newTransforms) {
    std::vector<std::string> made;
    std::string error;
    if (!io::importModelFile(path, made, error)) {
        postMessage(MessageKind::Error, error);
        return MStatus::kFailure;
    }
    if (newTransforms)
        *newTransforms = std::move(made);
    return MStatus::kSuccess;
}

MStatus exportObj(const std::string& path, bool selectedOnly) {
    std::string error;
    if (!io::exportObjFile(path, selectedOnly, error)) {
        postMessage(MessageKind::Error, error);
        return MStatus::kFailure;
    }
    return MStatus::kSuccess;
}

}  // namespace host
