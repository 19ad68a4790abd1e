#include "io/model_references.h"

#include <algorithm>
#include <cctype>

#include "common/read_gate.h"

namespace host::io {

namespace fs = std::filesystem;

namespace {

// "http://", "file://" and the like; a drive letter ("C:/") is no scheme.
bool isWebAddress(const std::string& reference) {
    size_t colon = reference.find("://");
    if (colon == std::string::npos || colon < 2 ||
        !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    return std::all_of(reference.begin(), reference.begin() + long(colon), [](unsigned char c) {
        return std::isalnum(c) || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

fs::path referencedFile(const std::string& reference, const fs::path& directory) {
    std::string written = reference;
    std::replace(written.begin(), written.end(), '\\', '/');
    fs::path file(written);
    return (file.is_absolute() ? file : directory / file).lexically_normal();
}

std::string outsideWarning(const std::string& what, const std::string& reference) {
    return what + " " + reference + " lies outside the model's folder and is left out";
}

std::string texturePathFor(const std::string& reference, const fs::path& directory,
                           std::vector<std::string>& warnings) {
    if (isWebAddress(reference)) {
        warnings.push_back("texture " + reference +
                           " is a web address, not a file, and is left out");
        return {};
    }
    fs::path file = referencedFile(reference, directory);
    if (!kivano::mayRead(file)) {
        warnings.push_back(outsideWarning("texture", reference));
        return {};
    }
    return file.string();
}

}  // namespace host::io
