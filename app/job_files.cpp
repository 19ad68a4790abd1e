#include "job_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "common/json_depth.h"
#include "option_table.h"

namespace {

namespace fs = std::filesystem;

// More would be no model a person uploads, and each costs the server a file.
constexpr size_t kMaxFiles = 256;
// Options are a flat object.
constexpr size_t kMaxOptionsDepth = 4;

std::string extensionOf(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Files that only come with a model: its materials, textures and buffers.
bool isCompanion(const std::string& name) {
    static const std::set<std::string> kinds{".mtl", ".png", ".jpg",  ".jpeg", ".bmp", ".tga",
                                             ".gif", ".tif", ".tiff", ".bin",  ".webp"};
    return kinds.count(extensionOf(name)) > 0;
}

}  // namespace

std::string plainName(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    bool control = std::any_of(base.begin(), base.end(),
                               [](unsigned char c) { return c < 0x20 || c == 0x7f; });
    if (base.empty() || base == "." || base == ".." || control)
        return {};
    return base;
}

UploadFolder::~UploadFolder() {
    if (file_)
        std::fclose(file_);
}

bool UploadFolder::begin(const std::string& clientName, std::string& error) {
    if (!close(error))
        return false;
    std::string name = plainName(clientName);
    if (name.empty())
        return error = "'" + clientName + "' is no file name", false;
    if (names_.size() >= kMaxFiles)
        return error = "upload at most " + std::to_string(kMaxFiles) + " files", false;
    if (!names_.insert(name).second)
        return error = "two uploaded files are named " + name, false;
    if (!isCompanion(name)) {
        if (!model_.empty())
            return error = "upload one model at a time (" + model_ + " and " + name + ")", false;
        model_ = name;
    }
    // "x": a name is never opened twice, so nothing in the folder is replaced.
    file_ = std::fopen((dir_ / name).c_str(), "wbx");
    if (!file_)
        return error = "cannot store the upload " + name, false;
    current_ = name;
    return true;
}

bool UploadFolder::append(const char* data, size_t size, std::string& error) {
    if (!file_)
        return error = "malformed request", false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        return error = "cannot store the upload " + current_, false;
    return true;
}

bool UploadFolder::close(std::string& error) {
    if (!file_)
        return true;
    bool written = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written)
        error = "cannot store the upload " + current_;
    return written;
}

bool UploadFolder::finish(std::string& model, std::string& error) {
    if (!close(error))
        return false;
    if (names_.empty())
        return error = "no files: send one 'files' field per file", false;
    if (model_.empty())
        return error =
                   "no model among the uploaded files: add an OBJ, GLB, glTF, STL, PLY, OFF "
                   "or 3DS file",
               false;
    model = model_;
    return true;
}

bool unfoldArguments(const std::string& json, std::vector<std::string>& args, std::string& error) {
    if (json.empty())
        return true;
    if (json.size() > kMaxOptionsBytes || !kivano::jsonDepthWithin(json, kMaxOptionsDepth))
        return error = "the options are no JSON object", false;
    return argumentsFromJson(unfoldOptionTable(), nlohmann::json::parse(json, nullptr, false), args,
                             error);
}
