#include "io/obj_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "common/read_gate.h"
#include "io/model_references.h"

namespace host::io {

namespace {

namespace fs = std::filesystem;

struct Corner {
    int position, uv, normal;  // global indices, -1 where absent
};

struct RawObject {
    std::string name;
    std::vector<int> faceCounts;
    std::vector<Corner> corners;
    std::vector<int> faceMaterials;
};

struct ObjState {
    std::string directory;
    std::vector<Point3> positions;
    std::vector<Color4> colors;  // parallel to positions once any vertex has a colour
    bool hasColors = false;
    std::vector<std::array<float, 2>> uvs;
    std::vector<Point3> normals;
    std::vector<RawObject> objects;
    int material = -1;
    std::map<std::string, int> materialIndex;
    std::vector<char> materialDefined;
    int pointsAndLines = 0;
    bool groupsAreObjects = false;
    std::string error;
    int line = 0;
};

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The text after the keyword, trimmed: names and paths may contain spaces.
std::string restOfLine(std::string_view line, std::string_view keyword) {
    std::string_view rest = line.substr(line.find(keyword) + keyword.size());
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back())))
        rest.remove_suffix(1);
    return std::string(rest);
}

bool parseNumber(std::string_view word, double& value) {
    if (!word.empty() && word[0] == '+')
        word.remove_prefix(1);
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec == std::errc::result_out_of_range) {
        value = HUGE_VAL;  // reported as non-finite by the caller
        return end == word.data() + word.size();
    }
    return ec == std::errc() && end == word.data() + word.size();
}

bool fail(ObjState& s, const std::string& problem) {
    s.error = "line " + std::to_string(s.line) + ": " + problem;
    return false;
}

// Reads count numbers after the keyword into out; extra numbers are left for the caller.
bool readNumbers(ObjState& s, const std::vector<std::string_view>& words, size_t count, double* out,
                 const char* what) {
    if (words.size() < count + 1)
        return fail(s, std::string("too few numbers in ") + what);
    for (size_t i = 0; i < count; ++i) {
        if (!parseNumber(words[i + 1], out[i]))
            return fail(s, "malformed number \"" + std::string(words[i + 1]) + "\" in " + what);
        if (!std::isfinite(out[i]))
            return fail(s, std::string("non-finite coordinate in ") + what);
    }
    return true;
}

bool readPosition(ObjState& s, const std::vector<std::string_view>& words) {
    double xyz[6] = {0, 0, 0, 1, 1, 1};
    // "v x y z r g b" carries a vertex colour; "v x y z w" a weight we ignore.
    bool colored = words.size() >= 7;
    if (!readNumbers(s, words, colored ? 6 : 3, xyz, "vertex"))
        return false;
    s.positions.push_back({xyz[0], xyz[1], xyz[2]});
    if (colored && !s.hasColors) {
        s.hasColors = true;
        s.colors.assign(s.positions.size() - 1, Color4{1, 1, 1, 1});
    }
    if (s.hasColors)
        s.colors.push_back({float(xyz[3]), float(xyz[4]), float(xyz[5]), 1.0f});
    return true;
}

bool readTexCoord(ObjState& s, const std::vector<std::string_view>& words) {
    double uv[2] = {0, 0};
    if (!readNumbers(s, words, words.size() >= 3 ? 2 : 1, uv, "texture coordinate"))
        return false;
    s.uvs.push_back({float(uv[0]), float(uv[1])});
    return true;
}

bool readNormal(ObjState& s, const std::vector<std::string_view>& words) {
    double n[3];
    if (!readNumbers(s, words, 3, n, "normal"))
        return false;
    s.normals.push_back({n[0], n[1], n[2]});
    return true;
}

// OBJ indices count from 1; negative ones count back from the latest element.
bool resolveIndex(ObjState& s, std::string_view text, size_t available, const char* what,
                  int& index) {
    if (text.empty()) {
        index = -1;
        return true;
    }
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return fail(s, "malformed " + std::string(what) + " index \"" + std::string(text) + "\"");
    long long resolved = value > 0 ? value - 1 : (long long)available + value;
    if (value == 0 || resolved < 0 || resolved >= (long long)available)
        return fail(s, std::string(what) + " index " + std::to_string(value) + " out of range");
    index = int(resolved);
    return true;
}

bool readCorner(ObjState& s, std::string_view word, Corner& c) {
    std::string_view parts[3];
    for (int k = 0; k < 3; ++k) {
        size_t slash = word.find('/');
        parts[k] = word.substr(0, slash);
        if (slash == std::string_view::npos) {
            word = {};
            break;
        }
        word.remove_prefix(slash + 1);
    }
    if (parts[0].empty())
        return fail(s, "face corner without a vertex index");
    return resolveIndex(s, parts[0], s.positions.size(), "face vertex", c.position) &&
           resolveIndex(s, parts[1], s.uvs.size(), "texture coordinate", c.uv) &&
           resolveIndex(s, parts[2], s.normals.size(), "normal", c.normal);
}

RawObject& currentObject(ObjState& s) {
    if (s.objects.empty())
        s.objects.emplace_back();
    return s.objects.back();
}

bool readFace(ObjState& s, const std::vector<std::string_view>& words) {
    std::vector<Corner> corners(words.size() - 1);
    for (size_t k = 1; k < words.size(); ++k)
        if (!readCorner(s, words[k], corners[k - 1]))
            return false;
    if (corners.size() < 3)
        return fail(s, "a face needs at least 3 corners");
    RawObject& o = currentObject(s);
    o.faceCounts.push_back(int(corners.size()));
    o.corners.insert(o.corners.end(), corners.begin(), corners.end());
    o.faceMaterials.push_back(s.material);
    return true;
}

void startObject(ObjState& s, std::string name) {
    // A name given before any face renames the object instead of leaving an empty one.
    if (!s.objects.empty() && s.objects.back().faceCounts.empty())
        s.objects.back().name = std::move(name);
    else
        s.objects.push_back(RawObject{std::move(name), {}, {}, {}});
}

int materialNamed(ObjState& s, std::vector<ImportedMaterial>& materials, const std::string& name) {
    auto [it, inserted] = s.materialIndex.emplace(name, int(materials.size()));
    if (inserted) {
        materials.push_back(ImportedMaterial{name, {0.5f, 0.5f, 0.5f}, {}, nullptr});
        s.materialDefined.push_back(0);
    }
    return it->second;
}

bool readFileText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

void loadLibrary(ObjState& s, const std::string& name, ImportedModel& model, ReadReport& report) {
    fs::path path = referencedFile(name, s.directory);
    if (!kivano::mayRead(path)) {
        report.warnings.push_back(outsideWarning("material library", name));
        return;
    }
    std::string text;
    if (!readFileText(path.string(), text) || fs::is_directory(path)) {
        report.warnings.push_back("material library \"" + name + "\" could not be read");
        return;
    }
    std::vector<ImportedMaterial> defined;
    parseMtl(text, path.parent_path().string(), defined, report.warnings);
    for (ImportedMaterial& m : defined) {
        int index = materialNamed(s, model.materials, m.name);
        model.materials[size_t(index)] = std::move(m);
        s.materialDefined[size_t(index)] = 1;
    }
}

void readLibraries(ObjState& s, std::string_view line, ImportedModel& model, ReadReport& report) {
    std::string whole = restOfLine(line, "mtllib");
    // A name outside the folder is left out whole, never looked at: how the
    // line splits would tell whether a file exists there.
    fs::path file = referencedFile(whole, s.directory);
    if (!kivano::mayRead(file) || fs::is_regular_file(file)) {
        loadLibrary(s, whole, model, report);
        return;
    }
    std::vector<std::string_view> words = splitWords(whole);
    for (std::string_view w : words)
        loadLibrary(s, std::string(w), model, report);
}

bool readStatement(ObjState& s, std::string_view line, ImportedModel& model, ReadReport& report) {
    std::vector<std::string_view> words = splitWords(line);
    if (words.empty())
        return true;
    std::string_view key = words[0];
    if (key == "v")
        return readPosition(s, words);
    if (key == "vt")
        return readTexCoord(s, words);
    if (key == "vn")
        return readNormal(s, words);
    if (key == "f" || key == "fo")
        return readFace(s, words);
    if (key == "o" || (key == "g" && s.groupsAreObjects))
        startObject(s, restOfLine(line, key));
    else if (key == "usemtl")
        s.material = materialNamed(s, model.materials, restOfLine(line, key));
    else if (key == "mtllib")
        readLibraries(s, line, model, report);
    else if (key == "p" || key == "l")
        ++s.pointsAndLines;
    return true;
}

std::vector<std::string_view> physicalLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        lines.push_back(line);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return lines;
}

bool hasObjectStatements(const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
        std::vector<std::string_view> words = splitWords(line);
        if (!words.empty() && words[0] == "o")
            return true;
    }
    return false;
}

// Local, ascending copy of the global elements an object uses; ids become local.
template <class T>
std::vector<T> gather(const std::vector<T>& global, std::vector<int>& ids) {
    std::vector<int> used;
    for (int id : ids)
        if (id >= 0)
            used.push_back(id);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    std::vector<T> local;
    local.reserve(used.size());
    for (int id : used)
        local.push_back(global[size_t(id)]);
    for (int& id : ids)
        if (id >= 0)
            id = int(std::lower_bound(used.begin(), used.end(), id) - used.begin());
    return local;
}

bool anyPresent(const std::vector<int>& ids) {
    return std::any_of(ids.begin(), ids.end(), [](int id) { return id >= 0; });
}

ImportedObject finishObject(const ObjState& s, RawObject& raw) {
    ImportedObject o;
    o.name = raw.name;
    o.faceCounts = std::move(raw.faceCounts);
    o.faceMaterials = std::move(raw.faceMaterials);
    std::vector<int> positionIds, uvIds, normalIds;
    for (const Corner& c : raw.corners) {
        positionIds.push_back(c.position);
        uvIds.push_back(c.uv);
        normalIds.push_back(c.normal);
    }
    std::vector<int> colorIds = positionIds;
    o.positions = gather(s.positions, positionIds);
    o.faceConnects = std::move(positionIds);
    if (s.hasColors)
        o.colors = gather(s.colors, colorIds);
    if (anyPresent(uvIds)) {
        for (const auto& uv : gather(s.uvs, uvIds)) {
            o.us.push_back(uv[0]);
            o.vs.push_back(uv[1]);
        }
        o.uvIds = std::move(uvIds);
    }
    if (anyPresent(normalIds)) {
        o.normals = gather(s.normals, normalIds);
        o.normalIds = std::move(normalIds);
    }
    if (std::all_of(o.faceMaterials.begin(), o.faceMaterials.end(), [](int m) { return m < 0; }))
        o.faceMaterials.clear();
    return o;
}

void warnUndefinedMaterials(const ObjState& s, const ImportedModel& model, ReadReport& report) {
    for (size_t i = 0; i < model.materials.size(); ++i)
        if (!s.materialDefined[i])
            report.warnings.push_back("material \"" + model.materials[i].name +
                                      "\" is not defined in any material library");
}

// How many values an MTL texture option takes; -o, -s and -t take one to three numbers.
int optionValues(std::string_view option) {
    if (option == "-mm")
        return 2;
    if (option == "-o" || option == "-s" || option == "-t")
        return 3;
    return 1;  // -blendu, -blendv, -boost, -texres, -clamp, -bm, -imfchan, -type, ...
}

// The file name after any options; it runs to the end of the line, spaces included.
std::string textureFileName(std::string_view line, const std::vector<std::string_view>& words) {
    size_t i = 1;
    while (i + 1 < words.size() && words[i].size() > 1 && words[i][0] == '-') {
        int values = optionValues(words[i++]);
        bool numeric = values == 3;
        for (int k = 0; k < values && i + 1 < words.size(); ++k) {
            double ignored;
            if (numeric && k > 0 && !parseNumber(words[i], ignored))
                break;
            ++i;
        }
    }
    std::string_view rest = line.substr(size_t(words[i].data() - line.data()));
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back())))
        rest.remove_suffix(1);
    return std::string(rest);
}

}  // namespace

bool readObj(const std::string& path, ImportedModel& model, ReadReport& report) {
    std::string text;
    if (!readFileText(path, text)) {
        report.error = "cannot be read";
        return false;
    }
    ObjState s;
    s.directory = fs::absolute(fs::path(path)).parent_path().string();
    std::vector<std::string_view> lines = physicalLines(text);
    s.groupsAreObjects = !hasObjectStatements(lines);
    std::string logical;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (logical.empty())
            s.line = int(i) + 1;
        logical += line.substr(0, line.find('#'));
        if (!logical.empty() && logical.back() == '\\') {  // continues on the next line
            logical.pop_back();
            continue;
        }
        if (!readStatement(s, logical, model, report)) {
            report.error = s.error;
            return false;
        }
        logical.clear();
    }
    for (RawObject& raw : s.objects)
        if (!raw.faceCounts.empty())
            model.objects.push_back(finishObject(s, raw));
    warnUndefinedMaterials(s, model, report);
    if (model.objects.empty()) {
        report.error = s.pointsAndLines > 0 ? "only points or lines, no faces" : "no faces";
        return false;
    }
    return true;
}

void parseMtl(std::string_view text, const std::string& baseDirectory,
              std::vector<ImportedMaterial>& materials, std::vector<std::string>& warnings) {
    std::map<std::string, size_t> index;
    ImportedMaterial* current = nullptr;
    for (std::string_view raw : physicalLines(text)) {
        std::string_view line = raw.substr(0, raw.find('#'));
        std::vector<std::string_view> words = splitWords(line);
        if (words.empty())
            continue;
        if (words[0] == "newmtl") {
            std::string name = restOfLine(line, "newmtl");
            auto [it, inserted] = index.emplace(name, materials.size());
            if (inserted)
                materials.push_back(ImportedMaterial{name, {0.5f, 0.5f, 0.5f}, {}, nullptr});
            current = &materials[it->second];
            *current = ImportedMaterial{name, {0.5f, 0.5f, 0.5f}, {}, nullptr};
        } else if (current && words[0] == "Kd" && words.size() >= 4) {
            double rgb[3];
            bool ok = true;
            for (int k = 0; k < 3; ++k)
                ok = ok && parseNumber(words[size_t(k) + 1], rgb[k]) && std::isfinite(rgb[k]);
            if (ok)
                current->diffuse = {float(rgb[0]), float(rgb[1]), float(rgb[2])};
        } else if (current && words[0] == "map_Kd" && words.size() >= 2) {
            current->texturePath =
                texturePathFor(textureFileName(line, words), baseDirectory, warnings);
        }
    }
}

}  // namespace host::io
