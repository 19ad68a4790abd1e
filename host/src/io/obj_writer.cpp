#include "io/obj_writer.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "common/atomic_file.h"

namespace host::io {

namespace {

namespace fs = std::filesystem;

// Shortest text that reads back as the same number.
template <class T>
void appendNumber(std::string& out, T value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

template <class T>
void appendNumbers(std::string& out, std::initializer_list<T> values) {
    for (T v : values) {
        out += ' ';
        appendNumber(out, v);
    }
}

template <class T>
void appendLine(std::string& out, const char* key, std::initializer_list<T> values) {
    out += key;
    appendNumbers(out, values);
    out += '\n';
}

// A vertex colour rides on its position line, the common OBJ extension.
void appendVertex(std::string& out, const ImportedObject& o, size_t i) {
    const Point3& p = o.positions[i];
    out += 'v';
    appendNumbers(out, {p[0], p[1], p[2]});
    if (!o.colors.empty())
        appendNumbers(out, {o.colors[i][0], o.colors[i][1], o.colors[i][2]});
    out += '\n';
}

struct Offsets {
    size_t vertex = 1, uv = 1, normal = 1;  // OBJ counts from 1 across the whole file
};

void appendCorner(std::string& out, const ImportedObject& o, size_t fv, const Offsets& at) {
    out += ' ';
    out += std::to_string(at.vertex + size_t(o.faceConnects[fv]));
    int uv = o.uvIds.empty() ? -1 : o.uvIds[fv];
    int normal = o.normalIds.empty() ? -1 : o.normalIds[fv];
    if (uv < 0 && normal < 0)
        return;
    out += '/';
    if (uv >= 0)
        out += std::to_string(at.uv + size_t(uv));
    if (normal >= 0)
        out += '/' + std::to_string(at.normal + size_t(normal));
}

const std::string& materialName(const ImportedModel& model, int index) {
    static const std::string fallback = kDefaultShadingGroup;
    return index < 0 ? fallback : model.materials[size_t(index)].name;
}

void appendFaces(std::string& out, const ImportedModel& model, const ImportedObject& o,
                 const Offsets& at) {
    bool materials = !o.faceMaterials.empty();
    int current = -2;  // each object names its first material again
    size_t fv = 0;
    for (size_t f = 0; f < o.faceCounts.size(); ++f) {
        if (materials && o.faceMaterials[f] != current) {
            current = o.faceMaterials[f];
            out += "usemtl " + materialName(model, current) + "\n";
        }
        out += 'f';
        for (int k = 0; k < o.faceCounts[f]; ++k)
            appendCorner(out, o, fv++, at);
        out += '\n';
    }
}

void appendObject(std::string& out, const ImportedModel& model, const ImportedObject& o,
                  Offsets& at) {
    out += "o " + o.name + "\n";
    for (size_t i = 0; i < o.positions.size(); ++i)
        appendVertex(out, o, i);
    for (size_t i = 0; i < o.us.size(); ++i)
        appendLine(out, "vt", {o.us[i], o.vs[i]});
    for (const Point3& n : o.normals)
        appendLine(out, "vn", {n[0], n[1], n[2]});
    appendFaces(out, model, o, at);
    at.vertex += o.positions.size();
    at.uv += o.us.size();
    at.normal += o.normals.size();
}

// The messages the host's users know: the file name in quotes, whatever failed.
std::string quotedFailure(const std::string& path, const char*, const std::string& reason) {
    return "cannot write \"" + path + "\": " + reason;
}

}  // namespace

std::string objText(const ImportedModel& model, const std::string& mtlFileName) {
    std::string out = "# written by kivano\n";
    if (!model.materials.empty())
        out += "mtllib " + mtlFileName + "\n";
    Offsets at;
    for (const ImportedObject& o : model.objects)
        appendObject(out, model, o, at);
    return out;
}

std::string mtlText(const ImportedModel& model) {
    return mtlText(model.materials);
}

std::string mtlText(const std::vector<ImportedMaterial>& materials) {
    std::string out = "# written by kivano\n";
    for (const ImportedMaterial& m : materials) {
        out += "\nnewmtl " + m.name + "\n";
        appendLine(out, "Kd", {m.diffuse[0], m.diffuse[1], m.diffuse[2]});
        if (!m.texturePath.empty())
            out += "map_Kd " + m.texturePath + "\n";
    }
    return out;
}

bool writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error) {
    return kivano::writeFilesAtomically(files, error, quotedFailure, kivano::TemporaryName::Hidden);
}

namespace {

// The extension of an image file held in memory, or null when it is not
// one a material library's reader takes as a file.
const char* imageFileExtension(const host_session::EmbeddedImage& image) {
    static const unsigned char png[] = {0x89, 'P', 'N', 'G'}, jpeg[] = {0xff, 0xd8, 0xff};
    const std::vector<unsigned char>& b = image.bytes;
    if (image.height > 0)
        return nullptr;  // bare pixels
    if (b.size() >= 4 && std::equal(png, png + 4, b.begin()))
        return ".png";
    if (b.size() >= 3 && std::equal(jpeg, jpeg + 3, b.begin()))
        return ".jpg";
    return nullptr;
}

}  // namespace

bool writeObj(const ImportedModel& model, const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "cannot export: no file name given";
        return false;
    }
    if (fs::is_directory(path)) {
        error = "cannot write \"" + path + "\": is a directory";
        return false;
    }
    fs::path mtl = fs::path(path).replace_extension(".mtl");
    if (mtl == fs::path(path))
        mtl += ".mtl";
    std::vector<std::pair<std::string, std::string>> files;
    // Textures the model file held go beside the OBJ as files of their own,
    // for "*0" names nothing another program can open.
    std::vector<ImportedMaterial> materials = model.materials;
    for (size_t i = 0; i < materials.size(); ++i) {
        ImportedMaterial& m = materials[i];
        if (!m.textureImage)
            continue;
        const char* extension = imageFileExtension(*m.textureImage);
        if (!extension) {
            m.texturePath.clear();
            continue;
        }
        fs::path image = fs::path(path).replace_extension("");
        image += "_texture" + std::to_string(i) + extension;
        files.emplace_back(image.string(),
                           std::string(m.textureImage->bytes.begin(), m.textureImage->bytes.end()));
        m.texturePath = image.filename().string();
    }
    if (!materials.empty())
        files.emplace_back(mtl.string(), mtlText(materials));
    files.emplace_back(path, objText(model, mtl.filename().string()));
    return writeFilesAtomically(files, error);
}

}  // namespace host::io
