#include "io/assimp_reader.h"
#include "core/messages.h"
#include "io/model_reader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include <assimp/DefaultIOSystem.h>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "common/read_gate.h"
#include "io/model_references.h"

namespace host::io {

namespace {

namespace fs = std::filesystem;

struct Walk {
    const aiScene* scene;
    fs::path directory;  // the model file's, for texture paths
    std::vector<int>
        materialOf;  // assimp material index to model material, -1 none, -2 not seen yet
    int skippedPrimitives = 0;
    std::vector<std::string>& warnings;
};

// Everything assimp opens passes the read gate: a buffer, an image or an
// included file the model names outside the allowed folder is never opened.
// What was refused is kept, as the model named it, for the one sentence
// that tells the user.
class GatedIOSystem : public Assimp::DefaultIOSystem {
public:
    explicit GatedIOSystem(fs::path directory) : directory_(std::move(directory)) {}
    using DefaultIOSystem::Exists;
    using DefaultIOSystem::Open;

    // Readers ask whether a file exists before they open it: a refusal there
    // is the one the user hears of.
    bool Exists(const char* file) const override {
        if (kivano::mayRead(file))
            return DefaultIOSystem::Exists(file);
        refuse(file);
        return false;
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (kivano::mayRead(file))
            return DefaultIOSystem::Open(file, mode);
        refuse(file);
        return nullptr;
    }
    const std::vector<std::string>& refused() const { return refused_; }

private:
    void refuse(const char* file) const {
        std::error_code error;
        std::string named =
            fs::absolute(file, error).lexically_normal().lexically_relative(directory_).string();
        if (named.empty())
            named = file;
        if (std::find(refused_.begin(), refused_.end(), named) == refused_.end())
            refused_.push_back(named);
    }

    fs::path directory_;
    mutable std::vector<std::string> refused_;
};

// The pixels of a texture the model file holds, as assimp gives them: a
// whole image file (height 0) or rows of BGRA texels.
host_session::EmbeddedImagePtr embeddedImage(const aiTexture& texture) {
    auto image = std::make_shared<host_session::EmbeddedImage>();
    if (texture.mHeight == 0) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(texture.pcData);
        image->bytes.assign(bytes, bytes + texture.mWidth);
        return image;
    }
    image->width = int(texture.mWidth);
    image->height = int(texture.mHeight);
    size_t texels = size_t(texture.mWidth) * texture.mHeight;
    image->bytes.resize(texels * 4);
    for (size_t i = 0; i < texels; ++i) {
        const aiTexel& t = texture.pcData[i];
        unsigned char* to = &image->bytes[i * 4];
        to[0] = t.r;
        to[1] = t.g;
        to[2] = t.b;
        to[3] = t.a;
    }
    return image;
}

void setTexture(const aiScene& scene, const aiMaterial& m, const fs::path& directory,
                std::vector<std::string>& warnings, ImportedMaterial& out) {
    aiString file;
    if (m.GetTexture(aiTextureType_DIFFUSE, 0, &file) != AI_SUCCESS &&
        m.GetTexture(aiTextureType_BASE_COLOR, 0, &file) != AI_SUCCESS)
        return;
    std::string name = file.C_Str();
    if (name.empty())
        return;
    // "*N" names the file's own texture N; FBX names its own by the file they
    // were made from, which need not lie beside the model.
    if (const aiTexture* inside = scene.GetEmbeddedTexture(name.c_str());
        inside && inside->pcData && inside->mWidth > 0) {
        out.texturePath = name;
        out.textureImage = embeddedImage(*inside);
        return;
    }
    if (name[0] == '*') {
        warnings.push_back("texture " + name + " is not in the model file and is left out");
        return;
    }
    out.texturePath = texturePathFor(name, directory, warnings);
}

ImportedMaterial convertMaterial(const aiScene& scene, const aiMaterial& m,
                                 const fs::path& directory, std::vector<std::string>& warnings) {
    ImportedMaterial out;
    out.name = m.GetName().C_Str();
    aiColor4D color;
    if (m.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS ||
        m.Get(AI_MATKEY_BASE_COLOR, color) == AI_SUCCESS)
        out.diffuse = {color.r, color.g, color.b};
    setTexture(scene, m, directory, warnings, out);
    return out;
}

// Materials are taken on first use, so assimp's extras (placeholders for
// formats without materials, unused defaults) leave no trace.
int materialFor(Walk& w, unsigned index, ImportedModel& model) {
    if (index >= w.scene->mNumMaterials)
        return -1;
    if (w.materialOf.empty())
        w.materialOf.assign(w.scene->mNumMaterials, -2);
    int& slot = w.materialOf[index];
    if (slot != -2)
        return slot;
    if (!w.scene->mMaterials || !w.scene->mMaterials[index])
        return slot = -1;
    const aiMaterial& m = *w.scene->mMaterials[index];
    if (std::string(m.GetName().C_Str()) == AI_DEFAULT_MATERIAL_NAME) {
        slot = -1;
    } else {
        slot = int(model.materials.size());
        model.materials.push_back(convertMaterial(*w.scene, m, w.directory, w.warnings));
    }
    return slot;
}

void appendVertices(const aiMesh& mesh, const aiMatrix4x4& world, ImportedObject& o) {
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        aiVector3D p = world * mesh.mVertices[v];
        o.positions.push_back({p.x, p.y, p.z});
        if (mesh.HasVertexColors(0)) {
            const aiColor4D& c = mesh.mColors[0][v];
            o.colors.push_back({c.r, c.g, c.b, c.a});
        }
        if (mesh.HasTextureCoords(0)) {
            o.us.push_back(mesh.mTextureCoords[0][v].x);
            o.vs.push_back(mesh.mTextureCoords[0][v].y);
        }
    }
}

void appendFaces(Walk& w, const aiMesh& mesh, int material, int firstVertex, int firstUv,
                 ImportedObject& o) {
    bool hasUvs = mesh.HasTextureCoords(0);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices < 3 || !face.mIndices) {
            ++w.skippedPrimitives;
            continue;
        }
        o.faceCounts.push_back(int(face.mNumIndices));
        o.faceMaterials.push_back(material);
        for (unsigned k = 0; k < face.mNumIndices; ++k) {
            o.faceConnects.push_back(firstVertex + int(face.mIndices[k]));
            o.uvIds.push_back(hasUvs ? firstUv + int(face.mIndices[k]) : -1);
        }
    }
}

void appendMesh(Walk& w, const aiMesh& mesh, const aiMatrix4x4& world, ImportedModel& model,
                ImportedObject& o) {
    if (mesh.mNumFaces == 0 || !mesh.mFaces || !mesh.mVertices) {  // a point cloud, or nothing
        w.skippedPrimitives += int(mesh.mNumVertices);
        return;
    }
    size_t firstVertex = o.positions.size();
    int firstUv = int(o.us.size());
    // Meshes of one node may differ in having colours: white fills the gaps.
    bool colored = mesh.HasVertexColors(0);
    if (colored)
        o.colors.resize(firstVertex, Color4{1, 1, 1, 1});
    appendVertices(mesh, world, o);
    if (!colored && !o.colors.empty())
        o.colors.resize(o.positions.size(), Color4{1, 1, 1, 1});
    appendFaces(w, mesh, materialFor(w, mesh.mMaterialIndex, model), int(firstVertex), firstUv, o);
}

void tidyObject(ImportedObject& o) {
    if (o.us.empty())
        o.uvIds.clear();
    bool anyMaterial = false;
    for (int m : o.faceMaterials)
        anyMaterial = anyMaterial || m >= 0;
    if (!anyMaterial)
        o.faceMaterials.clear();
}

// The node's k-th mesh, or null where the node names one the scene lacks.
const aiMesh* meshOf(const aiScene& scene, const aiNode& node, unsigned k) {
    if (!node.mMeshes || !scene.mMeshes || node.mMeshes[k] >= scene.mNumMeshes)
        return nullptr;
    return scene.mMeshes[node.mMeshes[k]];
}

std::string objectName(const aiNode& node, const aiScene& scene) {
    std::string name = node.mName.C_Str();
    if (!name.empty() || node.mNumMeshes == 0)
        return name;
    const aiMesh* first = meshOf(scene, node, 0);
    return first ? first->mName.C_Str() : "";
}

// Depth first, in the order of the children, without recursion: a damaged
// file's tree may be deep enough to exhaust the stack. Null children and
// meshes the scene lacks are passed over.
void walkNodes(Walk& w, const aiNode& root, ImportedModel& model) {
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> pending{{&root, aiMatrix4x4()}};
    while (!pending.empty()) {
        auto [node, parent] = pending.back();
        pending.pop_back();
        aiMatrix4x4 world = parent * node->mTransformation;
        if (node->mNumMeshes > 0) {
            ImportedObject o;
            o.name = objectName(*node, *w.scene);
            for (unsigned i = 0; i < node->mNumMeshes; ++i)
                if (const aiMesh* mesh = meshOf(*w.scene, *node, i))
                    appendMesh(w, *mesh, world, model, o);
            tidyObject(o);
            if (!o.faceCounts.empty())
                model.objects.push_back(std::move(o));
        }
        if (!node->mChildren)
            continue;
        for (unsigned c = node->mNumChildren; c-- > 0;)
            if (node->mChildren[c])
                pending.push_back({node->mChildren[c], world});
    }
}

// assimp passes on the text of exceptions its readers threw, which names
// C++ rather than the problem: those become a sentence.
std::string plainError(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    if (text.empty())
        return "not a model file assimp can read";
    if (text.find("bad_alloc") != std::string::npos)
        return kOutOfMemory;
    return namesOnlyCxx(text) ? kReaderFailed : text;
}

// assimp's PLY reader never returns on a header without its "end_header"
// line, so such files are refused before it sees them.
bool truncatedPlyHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic(4, '\0');
    in.read(magic.data(), 4);
    if (magic.compare(0, 3, "ply") != 0 || (magic[3] != '\n' && magic[3] != '\r'))
        return false;
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 10, "end_header") == 0)
            return false;
    return true;
}

}  // namespace

bool readWithAssimp(const std::string& path, ImportedModel& model, ReadReport& report) {
    if (truncatedPlyHeader(path)) {
        report.error = "PLY header without an end_header line";
        return false;
    }
    fs::path directory = fs::absolute(fs::path(path)).parent_path().lexically_normal();
    Assimp::Importer importer;
    auto* files = new GatedIOSystem(directory);
    importer.SetIOHandler(files);  // the importer owns it
    // No post-processing at all: every step would merge, split or reorder
    // faces. Indices are checked by checkModel afterwards instead.
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene) {
        report.error = files->refused().empty() ? plainError(importer.GetErrorString())
                                                : "it needs " + files->refused().front() +
                                                      ", which lies outside the model's folder";
        return false;
    }
    for (const std::string& name : files->refused())
        report.warnings.push_back(outsideWarning("file", name));
    if (!scene->mRootNode || scene->mNumMeshes == 0) {
        report.error = "no meshes";
        return false;
    }
    Walk w{scene, directory, {}, 0, report.warnings};
    walkNodes(w, *scene->mRootNode, model);
    if (w.skippedPrimitives > 0)
        report.warnings.push_back(std::to_string(w.skippedPrimitives) + " points or lines skipped");
    if (model.objects.empty()) {
        report.error = w.skippedPrimitives > 0 ? "only points or lines, no faces" : "no faces";
        return false;
    }
    return true;
}

}  // namespace host::io
