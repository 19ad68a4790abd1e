#include "io/imported_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace host::io {

namespace {

struct PointHash {
    size_t operator()(const Point3& p) const {
        size_t h = 0;
        for (double c : p) {
            double d = c == 0.0 ? 0.0 : c;  // -0 and 0 are the same position
            unsigned long long bits;
            std::memcpy(&bits, &d, sizeof bits);
            h = h * 1000003u ^ std::hash<unsigned long long>()(bits);
        }
        return h;
    }
};

// For every vertex, the first vertex with the same position.
std::vector<int> firstIdentical(const std::vector<Point3>& positions) {
    std::unordered_map<Point3, int, PointHash> seen;
    seen.reserve(positions.size());
    std::vector<int> canonical(positions.size());
    for (size_t i = 0; i < positions.size(); ++i)
        canonical[i] = seen.emplace(positions[i], int(i)).first->second;
    return canonical;
}

template <class T>
void compact(std::vector<T>& values, const std::vector<int>& newIndex, int count) {
    if (values.empty())
        return;
    std::vector<T> kept(count);
    for (size_t i = 0; i < newIndex.size(); ++i)
        if (newIndex[i] >= 0)
            kept[newIndex[i]] = values[i];
    values.swap(kept);
}

bool finite(const Point3& p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

std::string checkIds(const std::vector<int>& ids, size_t expected, size_t limit, const char* what) {
    if (ids.empty())
        return {};
    if (ids.size() != expected)
        return std::string(what) + " ids do not match the face-vertices";
    for (int id : ids)
        if (id < -1 || id >= int(limit))
            return std::string(what) + " index " + std::to_string(id) + " out of range";
    return {};
}

std::string checkFaces(const ImportedObject& o) {
    if (o.faceCounts.empty())
        return "no faces";
    size_t corners = 0;
    for (int count : o.faceCounts) {
        if (count < 3)
            return "a face with fewer than 3 corners";
        corners += size_t(count);
    }
    if (corners != o.faceConnects.size())
        return "face corner count does not match its vertex list";
    for (int v : o.faceConnects)
        if (v < 0 || v >= int(o.positions.size()))
            return "face vertex index " + std::to_string(v) + " out of range";
    return {};
}

std::string checkObject(const ImportedObject& o, size_t materialCount) {
    std::string problem = checkFaces(o);
    if (problem.empty())
        problem = checkIds(o.uvIds, o.faceConnects.size(), o.us.size(), "UV");
    if (problem.empty())
        problem = checkIds(o.normalIds, o.faceConnects.size(), o.normals.size(), "normal");
    if (problem.empty())
        problem = checkIds(o.faceMaterials, o.faceCounts.size(), materialCount, "material");
    if (!problem.empty())
        return problem;
    if (o.us.size() != o.vs.size())
        return "U and V counts differ";
    if (!o.colors.empty() && o.colors.size() != o.positions.size())
        return "vertex colour count does not match the vertices";
    for (const Point3& p : o.positions)
        if (!finite(p))
            return "non-finite vertex coordinate";
    for (size_t i = 0; i < o.us.size(); ++i)
        if (!std::isfinite(o.us[i]) || !std::isfinite(o.vs[i]))
            return "non-finite texture coordinate";
    for (const Point3& n : o.normals)
        if (!finite(n))
            return "non-finite normal";
    return {};
}

}  // namespace

void weldPositions(ImportedObject& object) {
    std::vector<int> canonical = firstIdentical(object.positions);
    std::vector<char> used(object.positions.size(), 0);
    for (int& v : object.faceConnects) {
        v = canonical[size_t(v)];
        used[size_t(v)] = 1;
    }
    std::vector<int> newIndex(object.positions.size(), -1);
    int count = 0;
    for (size_t i = 0; i < used.size(); ++i)
        if (used[i])
            newIndex[i] = count++;
    for (int& v : object.faceConnects)
        v = newIndex[size_t(v)];
    compact(object.positions, newIndex, count);
    compact(object.colors, newIndex, count);
}

int dropDegenerateFaces(ImportedObject& object) {
    auto keep = [](const int* corners, int count) {
        int distinct[3], found = 0;
        for (int k = 0; k < count && found < 3; ++k)
            if (std::find(distinct, distinct + found, corners[k]) == distinct + found)
                distinct[found++] = corners[k];
        return found == 3;
    };
    ImportedObject& o = object;
    int dropped = 0;
    size_t read = 0, written = 0, facesWritten = 0;
    for (size_t f = 0; f < o.faceCounts.size(); ++f) {
        int count = o.faceCounts[f];
        if (keep(&o.faceConnects[read], count)) {
            for (int k = 0; k < count; ++k) {
                o.faceConnects[written + k] = o.faceConnects[read + k];
                if (!o.uvIds.empty())
                    o.uvIds[written + k] = o.uvIds[read + k];
                if (!o.normalIds.empty())
                    o.normalIds[written + k] = o.normalIds[read + k];
            }
            o.faceCounts[facesWritten] = count;
            if (!o.faceMaterials.empty())
                o.faceMaterials[facesWritten] = o.faceMaterials[f];
            written += size_t(count);
            ++facesWritten;
        } else {
            ++dropped;
        }
        read += size_t(count);
    }
    o.faceCounts.resize(facesWritten);
    o.faceConnects.resize(written);
    if (!o.uvIds.empty())
        o.uvIds.resize(written);
    if (!o.normalIds.empty())
        o.normalIds.resize(written);
    if (!o.faceMaterials.empty())
        o.faceMaterials.resize(facesWritten);
    return dropped;
}

std::string checkModel(const ImportedModel& model) {
    if (model.objects.empty())
        return "no meshes";
    for (const ImportedObject& o : model.objects) {
        std::string problem = checkObject(o, model.materials.size());
        if (!problem.empty())
            return o.name.empty() ? problem : "object \"" + o.name + "\": " + problem;
    }
    return {};
}

std::string sanitiseNodeName(const std::string& name) {
    std::string out;
    bool meaningful = false;
    for (unsigned char c : name) {
        bool valid = std::isalnum(c) || c == '_';
        meaningful = meaningful || std::isalnum(c);
        out += valid ? char(c) : '_';
    }
    if (!meaningful)
        return {};
    if (std::isdigit(static_cast<unsigned char>(out[0])))
        out.insert(out.begin(), '_');
    return out;
}

}  // namespace host::io
