#include "scene_reader.h"

#include <algorithm>
#include <map>

#include <host_session/session.h>
#include <maya/MDagPath.h>
#include <maya/MDoubleArray.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnDoubleArrayData.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MItDag.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPoint.h>
#include <maya/MPointArray.h>

#include "common/sheet_record.h"

namespace sheet {

namespace {

constexpr double kMillimetresPerUnit = 10.0;  // the scene works in centimetres

struct PlacedTab {
    unsigned position;  // of the face it belongs to
    Lug lug;
    std::string object;  // for warnings only
};

struct NetBuilder {
    std::map<unsigned, Face> faces;       // by position
    std::map<unsigned, MObject> engines;  // by position: the face's shading group
    std::vector<PlacedTab> tabs;
};

struct Reader {
    Sheet& sheet;
    SceneCounts& counts;
    std::vector<std::string>& warnings;
    std::map<unsigned, NetBuilder> nets;
    bool withModel = false;
};

std::string nameOf(const MObject& object) {
    return MFnDependencyNode(object).name().asChar();
}

// The object's sheet record as values; false when it carries none.
bool recordValues(const MObject& object, std::vector<double>& values) {
    MFnDependencyNode node(object);
    MStatus status;
    MPlug plug = node.findPlug(sheet_record::kAttribute, &status);
    if (!status)
        return false;
    values.clear();
    MObject data = plug.asMObject(&status);
    if (!status)
        return true;  // there, but not an array: decoding refuses it
    MDoubleArray array = MFnDoubleArrayData(data).array();
    values.reserve(array.length());
    for (unsigned i = 0; i < array.length(); ++i)
        values.push_back(array[i]);
    return true;
}

// The corners of the object's one polygon in world space, in mm on paper.
bool polygonCorners(const MFnMesh& mesh, const MDagPath& path, int corners,
                    std::vector<Vec2>& points, std::vector<std::string>& warnings) {
    MIntArray vertices;
    MPointArray world;
    if (mesh.numPolygons() != 1 || mesh.numVertices() != corners ||
        !mesh.getPolygonVertices(0, vertices) || int(vertices.length()) != corners ||
        !mesh.getPoints(world, MSpace::kWorld)) {
        warnings.push_back(nameOf(path.node()) + " is not a mesh of " + std::to_string(corners) +
                           " vertices and one face: left out");
        return false;
    }
    points.clear();
    for (int k = 0; k < corners; ++k) {
        const MPoint& p = world[unsigned(vertices[unsigned(k)])];
        points.push_back({p.x * kMillimetresPerUnit, p.y * kMillimetresPerUnit});
    }
    return true;
}

// A face is mapped only when all three of its corners have a UV in the
// mesh's current set.
void readUvs(const MFnMesh& mesh, Face& face) {
    Vec2 uv[3];
    for (int k = 0; k < 3; ++k) {
        float u = 0.0f, v = 0.0f;
        if (!mesh.getPolygonUV(0, k, u, v))
            return;
        uv[k] = {u, v};
    }
    std::copy(uv, uv + 3, face.uv);
    face.hasUv = true;
}

MObject shadingGroupOf(const MFnMesh& mesh) {
    MObjectArray engines;
    MIntArray perFace;
    if (!mesh.getConnectedShaders(0, engines, perFace) || perFace.length() < 1 || perFace[0] < 0 ||
        unsigned(perFace[0]) >= engines.length())
        return MObject();
    return engines[unsigned(perFace[0])];
}

void readTriangle(Reader& reader, const MFnMesh& mesh, const MDagPath& path,
                  const sheet_record::Triangle& record) {
    std::vector<Vec2> points;
    if (!polygonCorners(mesh, path, 3, points, reader.warnings))
        return;
    NetBuilder& net = reader.nets[record.net];
    if (net.faces.count(record.position)) {
        reader.warnings.push_back(nameOf(path.node()) +
                                  " repeats the place of another triangle (net " +
                                  std::to_string(record.net) + ", position " +
                                  std::to_string(record.position) + "): left out");
        return;
    }
    Face face;
    face.position = record.position;
    std::copy(points.begin(), points.end(), face.p);
    readUvs(mesh, face);
    for (int k = 0; k < 3; ++k) {
        face.edgeId[k] = record.edgeId[k];
        face.joined[k] = record.fold[k];
        face.fold[k] = record.foldAngle[k];
    }
    net.faces[record.position] = face;
    net.engines[record.position] = shadingGroupOf(mesh);
    if (reader.withModel) {
        ModelTriangle& placed = reader.sheet.model.emplace_back();
        placed.container = record.net;
        placed.position = record.position;
        for (int k = 0; k < 3; ++k) {
            placed.cut[k] = !record.fold[k];
            for (int axis = 0; axis < 3; ++axis)
                placed.corner[k][axis] = float(record.world[k][axis]);
        }
    }
    ++reader.counts.triangleObjects;
}

void readTab(Reader& reader, const MFnMesh& mesh, const MDagPath& path,
             const sheet_record::Tab& record) {
    std::vector<Vec2> points;
    if (!polygonCorners(mesh, path, 4, points, reader.warnings))
        return;
    PlacedTab tab{record.position, {}, nameOf(path.node())};
    tab.lug.edge = record.edge;
    std::copy(points.begin(), points.end(), tab.lug.p);
    reader.nets[record.net].tabs.push_back(std::move(tab));
}

// A shading group's material: its colour and texture file. The stand-in
// host keeps both on the material itself rather than in colour plugs and a
// file node the public classes would reach, so they come from the host's
// session; the group is found and named through the public classes.
Material materialOf(const MObject& engine) {
    Material material;
    material.name = nameOf(engine);
    material.isDefault = MFnDependencyNode(engine).isDefaultNode();
    if (auto surface = host_session::surfaceMaterialOf(engine)) {
        material.colour = {surface->colour[0], surface->colour[1], surface->colour[2]};
        material.texture = surface->textureFile;
        material.embeddedTexture = surface->textureImage;
    }
    return material;
}

// Materials are numbered in the order the sheet first uses them, net by net
// and face by face, whatever order the scene lists its objects in. Shading
// groups have names of their own in the scene, so a name tells them apart.
int materialIndex(Reader& reader, std::map<std::string, int>& indexOf, const MObject& engine) {
    if (engine.isNull())
        return -1;
    auto [found, added] = indexOf.try_emplace(nameOf(engine), int(reader.sheet.materials.size()));
    if (added)
        reader.sheet.materials.push_back(materialOf(engine));
    return found->second;
}

// Faces in position order; tabs in face and edge order, tied to their face's
// index. Each net's builder is emptied as its net is made, so that the sheet
// is not held twice.
void finishNets(Reader& reader) {
    std::map<std::string, int> materialOfEngine;
    reader.sheet.nets.reserve(reader.nets.size());
    for (auto& [number, builder] : reader.nets) {
        Net net;
        net.container = number;
        net.faces.reserve(builder.faces.size());
        std::map<unsigned, unsigned> indexOf;
        for (auto& [position, face] : builder.faces) {
            indexOf[position] = unsigned(net.faces.size());
            face.material = materialIndex(reader, materialOfEngine, builder.engines[position]);
            net.faces.push_back(face);
        }
        builder.faces.clear();
        builder.engines.clear();
        std::stable_sort(
            builder.tabs.begin(), builder.tabs.end(), [](const PlacedTab& a, const PlacedTab& b) {
                return a.position != b.position ? a.position < b.position : a.lug.edge < b.lug.edge;
            });
        net.lugs.reserve(builder.tabs.size());
        for (PlacedTab& tab : builder.tabs) {
            auto found = indexOf.find(tab.position);
            if (found == indexOf.end()) {
                reader.warnings.push_back(tab.object +
                                          " is the tab of a triangle the sheet lacks (net " +
                                          std::to_string(number) + ", position " +
                                          std::to_string(tab.position) + "): left out");
                continue;
            }
            tab.lug.face = found->second;
            net.lugs.push_back(tab.lug);
            ++reader.counts.lugObjects;
        }
        builder.tabs = {};
        if (!net.faces.empty())
            reader.sheet.nets.push_back(std::move(net));
    }
}

}  // namespace

bool readSheetFromScene(Sheet& sheet, SceneCounts& counts, std::vector<std::string>& warnings,
                        std::string& error, bool withModel) {
    sheet = Sheet{};
    counts = SceneCounts{};
    Reader reader{sheet, counts, warnings, {}, withModel};
    std::vector<double> values;
    for (MItDag it(MItDag::kDepthFirst, MFn::kTransform); !it.isDone(); it.next()) {
        MObject object = it.currentItem();
        if (!recordValues(object, values))
            continue;
        MDagPath path;
        it.getPath(path);
        MStatus isMesh;
        MFnMesh mesh(path, &isMesh);
        sheet_record::Triangle triangle;
        sheet_record::Tab tab;
        bool isTriangle = sheet_record::decode(values.data(), values.size(), triangle);
        if (!isTriangle && !sheet_record::decode(values.data(), values.size(), tab))
            warnings.push_back(nameOf(object) + " carries an unusable sheet record (" +
                               sheet_record::kAttribute + "): left out");
        else if (!isMesh)
            warnings.push_back(nameOf(object) + " carries a sheet record but no mesh: left out");
        else if (isTriangle)
            readTriangle(reader, mesh, path, triangle);
        else
            readTab(reader, mesh, path, tab);
    }
    finishNets(reader);
    if (sheet.nets.empty()) {
        error = std::string("the scene holds no sheet (no object carries a ") +
                sheet_record::kAttribute + " record)";
        return false;
    }
    return true;
}

}  // namespace sheet
