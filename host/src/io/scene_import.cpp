#include "io/scene_import.h"

#include <cctype>

#include "scene/scene.h"

namespace host::io {

namespace {

namespace sc = host::scene;

// "pCube1" gives "pCubeShape1", as the host names a transform's shape.
std::string shapeName(const std::string& transform) {
    size_t digits = transform.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(transform[digits - 1])))
        --digits;
    return transform.substr(0, digits) + "Shape" + transform.substr(digits);
}

template <class T>
std::shared_ptr<const std::vector<T>> share(std::vector<T> values) {
    return std::make_shared<const std::vector<T>>(std::move(values));
}

sc::MeshDataPtr meshData(const ImportedObject& o) {
    auto data = std::make_shared<sc::MeshData>();
    data->points = share(o.positions);
    data->counts = share(o.faceCounts);
    data->connects = share(o.faceConnects);
    sc::UVSet uvs;
    uvs.name = "map1";
    if (!o.uvIds.empty()) {
        uvs.u = share(o.us);
        uvs.v = share(o.vs);
        uvs.faceVertexIds = share(o.uvIds);
    }
    data->uvSets.push_back(std::move(uvs));
    data->currentUVSet = 0;
    if (!o.colors.empty()) {
        sc::ColorSet colors;
        colors.name = "colorSet1";
        std::vector<MColor> values;
        for (const Color4& c : o.colors)
            values.emplace_back(c[0], c[1], c[2], c[3]);
        colors.colors = share(std::move(values));
        colors.faceVertexIds = share(o.faceConnects);  // one colour per vertex
        data->colorSets.push_back(std::move(colors));
        data->currentColorSet = 0;
    }
    return data;
}

// One engine per material, made on first use so unused materials leave no nodes.
struct Engines {
    const ImportedModel& model;
    std::vector<sc::Node*> made;

    sc::Node* defaultEngine() { return sc::findNode(kDefaultShadingGroup); }

    sc::Node* forMaterial(int index) {
        if (index < 0)
            return defaultEngine();
        if (made.empty())
            made.assign(model.materials.size(), nullptr);
        if (!made[size_t(index)])
            made[size_t(index)] = create(model.materials[size_t(index)]);
        return made[size_t(index)];
    }

    sc::Node* create(const ImportedMaterial& m) {
        if (m.name == kDefaultShadingGroup)
            return defaultEngine();
        std::string name = sanitiseNodeName(m.name);
        if (name.empty())
            name = "material";
        sc::Node& material = sc::createMaterial("lambert", name);
        sc::setMaterial(material, m.diffuse, {0, 0, 0}, m.texturePath, m.textureImage);
        sc::Node& engine = sc::createShadingEngine(material.name + "SG");
        sc::setSurfaceShader(engine, &material);
        return &engine;
    }
};

void assignFaces(const ImportedObject& o, sc::Node& mesh, Engines& engines) {
    if (o.faceMaterials.empty()) {
        sc::assignToEngine(*engines.defaultEngine(), mesh);
        return;
    }
    // Faces grouped per engine, in the order the engines are first used.
    std::vector<sc::Node*> order;
    std::vector<std::vector<int>> faces;
    for (size_t f = 0; f < o.faceMaterials.size(); ++f) {
        sc::Node* engine = engines.forMaterial(o.faceMaterials[f]);
        size_t slot = 0;
        while (slot < order.size() && order[slot] != engine)
            ++slot;
        if (slot == order.size()) {
            order.push_back(engine);
            faces.emplace_back();
        }
        faces[slot].push_back(int(f));
    }
    for (size_t slot = 0; slot < order.size(); ++slot)
        sc::assignToEngine(*order[slot], mesh, faces[slot]);
}

std::string objectName(const ImportedObject& o, const std::string& fallbackName) {
    std::string name = sanitiseNodeName(o.name);
    if (name.empty())
        name = sanitiseNodeName(fallbackName);
    return name.empty() ? "mesh" : name;
}

}  // namespace

std::vector<std::string> addToScene(const ImportedModel& model, const std::string& fallbackName) {
    std::vector<std::string> transforms;
    Engines engines{model, {}};
    for (const ImportedObject& o : model.objects) {
        sc::Node& transform = sc::createTransform(objectName(o, fallbackName));
        sc::Node& mesh = sc::createMesh(shapeName(transform.name), transform, meshData(o));
        assignFaces(o, mesh, engines);
        transforms.push_back(transform.name);
    }
    return transforms;
}

}  // namespace host::io
