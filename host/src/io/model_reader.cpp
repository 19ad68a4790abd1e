#include "io/model_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/read_gate.h"
#include "io/assimp_reader.h"
#include "io/declared_counts.h"
#include "io/gltf_bounds.h"
#include "io/obj_reader.h"

namespace host::io {

namespace {

namespace fs = std::filesystem;

// Everything that makes a path unusable before any parser sees it.
std::string fileProblem(const std::string& path) {
    if (path.empty())
        return "no file name given";
    if (!kivano::mayRead(path))
        return "lies outside the folder files may be read from";
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return "no such file";
    if (ec)
        return ec.message();
    if (fs::is_directory(status))
        return "is a directory";
    if (!fs::is_regular_file(status))
        return "not a regular file";
    std::ifstream probe(path, std::ios::binary);
    if (!probe)
        return std::string("cannot be read: ") + std::strerror(errno);
    if (fs::file_size(path, ec) == 0)
        return "empty file";
    return {};
}

bool isObj(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".obj";
}

void prepareObjects(ImportedModel& model, ReadReport& report) {
    int dropped = 0;
    for (ImportedObject& o : model.objects) {
        weldPositions(o);
        dropped += dropDegenerateFaces(o);
    }
    if (dropped > 0)
        report.warnings.push_back(std::to_string(dropped) +
                                  " faces with fewer than 3 distinct vertices dropped");
    auto empty = [](const ImportedObject& o) { return o.faceCounts.empty(); };
    model.objects.erase(std::remove_if(model.objects.begin(), model.objects.end(), empty),
                        model.objects.end());
}

// Materials that share a texture name it once each: one warning per file.
void dropRepeatedWarnings(ReadReport& report) {
    std::vector<std::string> unique;
    for (std::string& warning : report.warnings)
        if (std::find(unique.begin(), unique.end(), warning) == unique.end())
            unique.push_back(std::move(warning));
    report.warnings = std::move(unique);
}

}  // namespace

bool readModelFile(const std::string& path, ImportedModel& model, ReadReport& report) {
    model = ImportedModel{};
    report.error = fileProblem(path);
    if (!report.error.empty())
        return false;
    std::error_code ec;
    report.error = declaredCountsProblem(path, fs::file_size(path, ec));
    if (!report.error.empty())
        return false;
    // A reader's exception says nothing a person could act on: one sentence
    // instead.
    bool read = false;
    try {
        if (isObj(path))
            read = readObj(path, model, report);
        else if ((report.error = jsonBoundsProblem(path)).empty())
            read = readWithAssimp(path, model, report);
    } catch (const std::bad_alloc&) {
        report.error = kOutOfMemory;
    } catch (const std::exception&) {
        report.error = kReaderFailed;
    }
    if (!read) {
        model = ImportedModel{};
        return false;
    }
    // Checked before welding: welding trusts every index.
    report.error = checkModel(model);
    if (!report.error.empty())
        return false;
    prepareObjects(model, report);
    dropRepeatedWarnings(report);
    if (model.objects.empty())
        report.error = "no faces with 3 distinct vertices";
    return report.error.empty();
}

}  // namespace host::io
