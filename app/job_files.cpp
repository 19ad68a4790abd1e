#include "job_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;

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

using Names = std::set<std::string>;

// A reference inside a file, reduced to a name of the upload; empty when it
// names anything else.
std::string withinUpload(const std::string& reference, const Names& names) {
    std::string name = plainName(reference);
    return names.count(name) ? name : std::string();
}

// Each line's keyword, then its arguments; `fix` rewrites the lines whose
// keyword it takes and returns false to drop them.
template <typename Fix>
std::string rewriteLines(const std::string& text, Fix fix) {
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        start = end;
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || !fix(line, first))
            continue;
        out += line;
    }
    return out;
}

// MTL texture statements end in the file's name; options come before it.
bool isTextureKeyword(const std::string& keyword) {
    return keyword.rfind("map_", 0) == 0 || keyword == "bump" || keyword == "disp" ||
           keyword == "decal" || keyword == "refl" || keyword == "norm";
}

std::string keywordOf(const std::string& line, size_t first) {
    size_t end = line.find_first_of(" \t\r\n", first);
    return line.substr(first, end == std::string::npos ? std::string::npos : end - first);
}

std::string safeMtl(const std::string& text, const Names& names) {
    return rewriteLines(text, [&](std::string& line, size_t first) {
        if (!isTextureKeyword(keywordOf(line, first)))
            return true;
        size_t last = line.find_last_not_of(" \t\r\n");
        size_t begin = line.find_last_of(" \t", last);
        if (begin == std::string::npos || begin < first)
            return false;
        std::string name = withinUpload(line.substr(begin + 1, last - begin), names);
        if (name.empty())
            return false;  // the face keeps its material's colour
        line = line.substr(0, begin + 1) + name + "\n";
        return true;
    });
}

std::string safeObj(const std::string& text, const Names& names) {
    return rewriteLines(text, [&](std::string& line, size_t first) {
        if (keywordOf(line, first) != "mtllib")
            return true;
        std::istringstream words(line.substr(first + 6));
        std::string word, kept;
        while (words >> word)
            if (std::string name = withinUpload(word, names); !name.empty())
                kept += " " + name;
        line = "mtllib" + kept + "\n";
        return !kept.empty();
    });
}

bool safeGltf(std::string& text, const Names& names, std::string& error) {
    nlohmann::json gltf = nlohmann::json::parse(text, nullptr, false);
    if (!gltf.is_object())
        return true;  // the importer gives its own error
    for (const char* list : {"buffers", "images"}) {
        if (!gltf.contains(list) || !gltf[list].is_array())
            continue;
        for (nlohmann::json& item : gltf[list]) {
            if (!item.is_object() || !item.contains("uri") || !item["uri"].is_string())
                continue;
            std::string uri = item["uri"].get<std::string>();
            if (uri.rfind("data:", 0) == 0)
                continue;
            std::string name = withinUpload(uri, names);
            if (name.empty()) {
                error = "the glTF file names " + uri + ", which is not among the uploaded files";
                return false;
            }
            item["uri"] = name;
        }
    }
    text = gltf.dump();
    return true;
}

bool writeFile(const fs::path& path, const std::string& content, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), std::streamsize(content.size()));
    if (out.flush())
        return true;
    error = "cannot store the upload " + path.filename().string();
    return false;
}

// The option names and what kind of value each takes.
enum class Kind { Text, Flag, Number, Count };

const std::vector<std::pair<std::string, Kind>>& optionKinds() {
    static const std::vector<std::pair<std::string, Kind>> kinds{
        {"page", Kind::Text},         {"limit-page", Kind::Flag},  {"pieces", Kind::Text},
        {"no-lugs", Kind::Flag},      {"lug-width", Kind::Number}, {"keep-original", Kind::Flag},
        {"arrangement", Kind::Text},  {"scale", Kind::Number},     {"height", Kind::Number},
        {"flat-angle", Kind::Number}, {"margin", Kind::Number},    {"map", Kind::Flag},
        {"packing", Kind::Text},      {"oversize", Kind::Text},    {"max-pages", Kind::Count},
        {"language", Kind::Text}};
    return kinds;
}

bool argument(const std::string& name, Kind kind, const nlohmann::json& value,
              std::vector<std::string>& args, std::string& error) {
    error = "option " + name + ": ";
    switch (kind) {
    case Kind::Text:
        if (!value.is_string())
            return error += "give a text", false;
        args.push_back("--" + name + "=" + value.get<std::string>());
        return true;
    case Kind::Flag:
        if (!value.is_boolean())
            return error += "give true or false", false;
        if (value.get<bool>())
            args.push_back("--" + name);
        return true;
    case Kind::Number:
        if (!value.is_number())
            return error += "give a number", false;
        {
            char text[32];
            std::snprintf(text, sizeof text, "%.10g", value.get<double>());
            args.push_back("--" + name + "=" + text);
        }
        return true;
    case Kind::Count:
        if (!value.is_number_integer())
            return error += "give a whole number", false;
        args.push_back("--" + name + "=" + std::to_string(value.get<long long>()));
        return true;
    }
    return false;
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

bool writeJobFiles(const std::vector<UploadedFile>& files, const std::string& dir,
                   std::string& model, std::string& error) {
    Names names;
    model.clear();
    for (const UploadedFile& file : files) {
        std::string name = plainName(file.name);
        if (name.empty())
            return error = "'" + file.name + "' is no file name", false;
        if (!names.insert(name).second)
            return error = "two uploaded files are named " + name, false;
        if (isCompanion(name))
            continue;
        if (!model.empty())
            return error = "upload one model at a time (" + model + " and " + name + ")", false;
        model = name;
    }
    if (model.empty())
        return error =
                   "no model among the uploaded files: add an OBJ, GLB, glTF, STL, PLY, OFF "
                   "or 3DS file",
               false;
    for (const UploadedFile& file : files) {
        std::string name = plainName(file.name), content = file.content;
        std::string ext = extensionOf(name);
        if (ext == ".mtl")
            content = safeMtl(content, names);
        else if (ext == ".obj")
            content = safeObj(content, names);
        else if (ext == ".gltf" && !safeGltf(content, names, error))
            return false;
        if (!writeFile(fs::path(dir) / name, content, error))
            return false;
    }
    return true;
}

bool unfoldArguments(const std::string& json, std::vector<std::string>& args, std::string& error) {
    if (json.empty())
        return true;
    nlohmann::json options = nlohmann::json::parse(json, nullptr, false);
    if (!options.is_object())
        return error = "the options are no JSON object", false;
    for (const auto& [name, value] : options.items()) {
        auto known = std::find_if(optionKinds().begin(), optionKinds().end(),
                                  [&](const auto& option) { return option.first == name; });
        if (known == optionKinds().end())
            return error = "unknown option '" + name + "'", false;
        if (value.is_null())
            continue;
        if (!argument(name, known->second, value, args, error))
            return false;
    }
    return true;
}
