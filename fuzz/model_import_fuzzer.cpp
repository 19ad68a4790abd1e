// A model file as the importer sees it: the bytes are written to a file with
// a chosen extension, imported into the scene, and when that succeeds the
// plug-in's unfold command runs on what came in and is undone again. Neither
// the readers nor the unfolding may crash, hang or leave non-finite points.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_host.h"
#include "scene/scene.h"

#if __has_include("io/model_io.h")
#include "io/model_io.h"
#define KIVANO_HAVE_IMPORT_MODEL 1
#else
#include "io/model_reader.h"
#include "io/scene_import.h"
#endif

namespace fs = std::filesystem;
namespace sc = host::scene;

namespace {

// The first byte of an input picks its extension; seeds rely on the order.
const char* const kExtensions[] = {".obj", ".stl", ".ply", ".off", ".glb", ".gltf", ".3ds"};

fs::path workDir() {
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("kivano-fuzz-import-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

bool import(const std::string& path, std::vector<std::string>& names) {
#ifdef KIVANO_HAVE_IMPORT_MODEL
    std::string error;
    return host::io::importModelFile(path, names, error);
#else
    host::io::ImportedModel model;
    host::io::ReadReport report;
    if (!host::io::readModelFile(path, model, report))
        return false;
    names = host::io::addToScene(model, "model");
    return true;
#endif
}

// Whatever a file holds, the scene never gets a point that is not finite.
void checkFinitePoints() {
    for (sc::Node* node : sc::allNodes()) {
        if (node->kind != sc::NodeKind::Mesh || !node->mesh)
            continue;
        for (const sc::Point3& p : *node->mesh->points)
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
                std::fprintf(stderr, "non-finite point in %s\n", node->name.c_str());
                std::abort();
            }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzhost::start();
    fuzzhost::removeOutsideCommands();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    fuzzhost::resetToSmallScene();
    fuzzhost::run("select -cl");
    const char* extension = kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
    fs::path file = workDir() / (std::string("model") + extension);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    std::vector<std::string> names;
    if (import(file.string(), names) && !names.empty()) {
        checkFinitePoints();
        std::string select = "select -r";
        for (const std::string& name : names)
            select += " " + name;
        if (fuzzhost::run(select)) {
            fuzzhost::run("kivano");
            checkFinitePoints();
            fuzzhost::run("undo");
        }
    }
    fs::remove(file);
    return 0;
}
