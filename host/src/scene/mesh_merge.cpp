#include "scene/mesh_merge.h"

#include <algorithm>
#include <string>

namespace host::scene {

namespace {

// The result's set names: the first source's current set first (it becomes
// current and receives every source's current set), then the names of the
// other sets in order of appearance.
template <typename Set>
std::vector<std::string> mergedSetNames(const std::vector<MergeSource>& sources,
                                        const std::vector<Set> MeshData::*sets,
                                        int MeshData::*current) {
    std::vector<std::string> names;
    auto add = [&names](const std::string& n) {
        if (std::find(names.begin(), names.end(), n) == names.end())
            names.push_back(n);
    };
    for (const MergeSource& s : sources)
        if (s.mesh->*current >= 0) {
            add(((s.mesh->*sets)[size_t(s.mesh->*current)]).name);
            break;
        }
    for (const MergeSource& s : sources)
        for (size_t i = 0; i < (s.mesh->*sets).size(); ++i)
            if (int(i) != s.mesh->*current)
                add((s.mesh->*sets)[i].name);
    return names;
}

// The set of a source that feeds the result's set `name`: its current set
// feeds the result's current one, other sets feed the set of their own name.
template <typename Set>
const Set* feedingSet(const MeshData& mesh, const std::vector<Set> MeshData::*sets,
                      int MeshData::*current, const std::string& name, bool resultCurrent) {
    if (resultCurrent)
        return mesh.*current >= 0 ? &(mesh.*sets)[size_t(mesh.*current)] : nullptr;
    for (size_t i = 0; i < (mesh.*sets).size(); ++i)
        if ((mesh.*sets)[i].name == name && int(i) != mesh.*current)
            return &(mesh.*sets)[i];
    return nullptr;
}

// Appends a source set's face-vertex ids, offset into the merged table (-1 stays -1).
void appendIds(std::vector<int>& ids, const IntBuffer& source, int faceVertices, int offset) {
    if (source->empty()) {
        ids.insert(ids.end(), size_t(faceVertices), -1);
        return;
    }
    for (int id : *source)
        ids.push_back(id < 0 ? -1 : id + offset);
}

void mergeUVSets(const std::vector<MergeSource>& sources, MeshData& out) {
    std::vector<std::string> names =
        mergedSetNames(sources, &MeshData::uvSets, &MeshData::currentUVSet);
    for (size_t n = 0; n < names.size(); ++n) {
        auto u = std::make_shared<std::vector<float>>();
        auto v = std::make_shared<std::vector<float>>();
        std::vector<int> ids;
        for (const MergeSource& s : sources) {
            const UVSet* set =
                feedingSet(*s.mesh, &MeshData::uvSets, &MeshData::currentUVSet, names[n], n == 0);
            int offset = int(u->size());
            if (set) {
                u->insert(u->end(), set->u->begin(), set->u->end());
                v->insert(v->end(), set->v->begin(), set->v->end());
            }
            appendIds(ids, set ? set->faceVertexIds : emptyInts(), s.mesh->numFaceVertices(),
                      offset);
        }
        bool anyAssigned = std::any_of(ids.begin(), ids.end(), [](int id) { return id >= 0; });
        out.uvSets.push_back(UVSet{
            names[n], u, v,
            anyAssigned ? std::make_shared<const std::vector<int>>(std::move(ids)) : emptyInts()});
    }
    out.currentUVSet = names.empty() ? -1 : 0;
}

void mergeColorSets(const std::vector<MergeSource>& sources, MeshData& out) {
    std::vector<std::string> names =
        mergedSetNames(sources, &MeshData::colorSets, &MeshData::currentColorSet);
    for (size_t n = 0; n < names.size(); ++n) {
        auto colors = std::make_shared<std::vector<MColor>>();
        std::vector<int> ids;
        ColorSet merged;
        merged.name = names[n];
        for (const MergeSource& s : sources) {
            const ColorSet* set = feedingSet(*s.mesh, &MeshData::colorSets,
                                             &MeshData::currentColorSet, names[n], n == 0);
            int offset = int(colors->size());
            if (set) {
                colors->insert(colors->end(), set->colors->begin(), set->colors->end());
                merged.clamped = set->clamped;
                merged.representation = set->representation;
            }
            appendIds(ids, set ? set->faceVertexIds : emptyInts(), s.mesh->numFaceVertices(),
                      offset);
        }
        merged.colors = colors;
        bool anyAssigned = std::any_of(ids.begin(), ids.end(), [](int id) { return id >= 0; });
        merged.faceVertexIds =
            anyAssigned ? std::make_shared<const std::vector<int>>(std::move(ids)) : emptyInts();
        out.colorSets.push_back(std::move(merged));
    }
    out.currentColorSet = names.empty() ? -1 : 0;
}

}  // namespace

MergedMesh mergeMeshes(const std::vector<MergeSource>& sources) {
    MergedMesh result;
    auto points = std::make_shared<std::vector<Point3>>();
    auto counts = std::make_shared<std::vector<int>>();
    auto connects = std::make_shared<std::vector<int>>();
    for (const MergeSource& s : sources) {
        result.firstPolygon.push_back(int(counts->size()));
        int base = int(points->size());
        for (const Point3& p : *s.mesh->points)
            points->push_back(transformPoint(s.toWorld, p));
        counts->insert(counts->end(), s.mesh->counts->begin(), s.mesh->counts->end());
        for (int v : *s.mesh->connects)
            connects->push_back(v + base);
    }
    result.data.points = points;
    result.data.counts = counts;
    result.data.connects = connects;
    mergeUVSets(sources, result.data);
    mergeColorSets(sources, result.data);
    return result;
}

}  // namespace host::scene
