#include "project_file.h"

#include <openssl/evp.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>

#include "common/json_depth.h"

namespace {

using Json = nlohmann::ordered_json;

// A whole number the project holds at `key`, within [low, high].
bool whole(const nlohmann::json& object, const char* key, long long low, long long high,
           long long& value) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer())
        return false;
    value = found->get<long long>();
    return value >= low && value <= high;
}

bool real(const nlohmann::json& object, const char* key, double& value) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_number())
        return false;
    value = found->get<double>();
    // no sheet is larger than a hundred metres
    return std::isfinite(value) && std::fabs(value) <= 1e5;
}

// Corner indices: `count` whole numbers of at least 0.
template <size_t N>
bool cornersOf(const nlohmann::json& value, std::array<int, N>& corners) {
    if (!value.is_array() || value.size() != N)
        return false;
    for (size_t i = 0; i < N; ++i) {
        if (!value[i].is_number_integer() || value[i].get<long long>() < 0 ||
            value[i].get<long long>() > (1LL << 31) - 1)
            return false;
        corners[i] = int(value[i].get<long long>());
    }
    return true;
}

}  // namespace

std::string fileSha256(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return {};
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return {};
    unsigned char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        if (EVP_DigestUpdate(context.get(), buffer, got) != 1)
            return {};
    if (std::ferror(file.get()))
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        return {};
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (unsigned i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}

FaceCorners faceCorners(const sheet::Sheet& unfolded, const InputPolygons& input) {
    PointNumbers points(input);
    std::map<std::pair<unsigned, unsigned>, const sheet::ModelTriangle*> onModel;
    for (const sheet::ModelTriangle& t : unfolded.model)
        onModel[{t.container, t.position}] = &t;
    FaceCorners corners;
    for (const sheet::Net& net : unfolded.nets)
        for (const sheet::Face& face : net.faces) {
            if (face.origin >= int(corners.size()))
                corners.resize(size_t(face.origin) + 1, {-1, -1, -1});
            auto triangle = onModel.find({net.container, face.position});
            if (face.origin < 0 || triangle == onModel.end())
                continue;
            for (int k = 0; k < 3; ++k)
                corners[size_t(face.origin)][size_t(k)] = points.at(triangle->second->corner[k]);
        }
    return corners;
}

namespace {

std::array<int, 2> cornersOfSide(const FaceCorners& corners, const sheet::EdgeSide& side) {
    if (side.face < 0 || size_t(side.face) >= corners.size())
        return {-1, -1};
    const auto& c = corners[size_t(side.face)];
    return {c[size_t(side.edge)], c[size_t(side.edge + 1) % 3]};
}

std::array<int, 2> sorted(std::array<int, 2> pair) {
    if (pair[0] > pair[1])
        std::swap(pair[0], pair[1]);
    return pair;
}

bool named(const std::array<int, 2>& pair) {
    return pair[0] >= 0 && pair[1] >= 0 && pair[0] != pair[1];
}

}  // namespace

std::map<std::array<int, 2>, int> edgesByCorners(const sheet::SheetEditor& editor,
                                                 const FaceCorners& corners) {
    std::map<std::array<int, 2>, int> edges;
    for (size_t e = 0; e < editor.edgeCount(); ++e) {
        std::array<int, 2> pair = cornersOfSide(corners, editor.sidesOf(e)[0]);
        if (named(pair))
            edges.emplace(sorted(pair), editor.idOf(e));
    }
    return edges;
}

std::string projectJson(const std::string& modelPath, const std::string& modelSha256,
                        const nlohmann::json& options, const sheet::PageEditor& editor,
                        const FaceCorners& corners) {
    const sheet::SheetEditor& sheetEditor = editor.sheetEditor();
    const sheet::SheetDecisions& decisions = sheetEditor.decisions();
    std::map<std::array<int, 2>, Json> edges;
    for (size_t e = 0; e < sheetEditor.edgeCount(); ++e) {
        const sheet::EdgeSide* sides = sheetEditor.sidesOf(e);
        std::array<int, 2> pair = cornersOfSide(corners, sides[0]);
        if (!named(pair))
            continue;
        Json record{{"corners", sorted(pair)}, {"fold", bool(decisions.fold[e])}};
        if (!decisions.fold[e]) {
            record["tab"] = decisions.tab[e] < 0
                                ? Json(nullptr)
                                : Json(cornersOfSide(corners, sides[size_t(decisions.tab[e])]));
            record["number"] = decisions.glue[e];
        }
        edges.emplace(sorted(pair), std::move(record));
    }
    Json edgeList = Json::array();
    for (auto& [pair, record] : edges)
        edgeList.push_back(std::move(record));
    Json nets = Json::array();
    std::vector<std::pair<int, int>> byNumber;  // number, first face
    for (const auto& [anchor, record] : editor.records())
        byNumber.push_back({record.number, anchor});
    std::sort(byNumber.begin(), byNumber.end());
    for (const auto& [number, anchor] : byNumber) {
        const sheet::NetRecord& record = editor.records().at(anchor);
        Json face = anchor >= 0 && size_t(anchor) < corners.size() ? Json(corners[size_t(anchor)])
                                                                   : Json(nullptr);
        nets.push_back(Json{{"number", number},
                            {"face", std::move(face)},
                            {"page", record.place.page + 1},
                            {"x", record.place.x},
                            {"y", record.place.y},
                            {"turn", record.place.turn},
                            {"pinned", record.pinned}});
    }
    Json project{
        {"kivano_project", kProjectVersion},
        {"model",
         {{"file", std::filesystem::path(modelPath).filename().string()}, {"sha256", modelSha256}}},
        {"options", Json::parse(options.dump())},
        {"edges", std::move(edgeList)},
        {"nets", std::move(nets)}};
    return project.dump(1) + "\n";
}

bool readProject(const std::string& path, Project& project, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        error = "cannot read the project " + path;
        return false;
    }
    std::string text;
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, got);
        if (text.size() > kMaxProjectBytes) {
            error = "the project " + path + " is larger than any project";
            return false;
        }
    }
    // edges and nets are records of plain values: four levels at most
    nlohmann::json json = kivano::jsonDepthWithin(text, 6)
                              ? nlohmann::json::parse(text, nullptr, false)
                              : nlohmann::json();
    auto bad = [&](const std::string& what) {
        error = "the project " + path + " is not a kivano project: " + what;
        return false;
    };
    if (!json.is_object())
        return bad("it is not a JSON object");
    long long version = 0;
    if (!whole(json, "kivano_project", 1, 1 << 20, version))
        return bad("it has no \"kivano_project\" version");
    if (version > kProjectVersion) {
        error = "the project " + path + " is of version " + std::to_string(version) +
                ", newer than this kivano reads (" + std::to_string(kProjectVersion) + ")";
        return false;
    }
    const nlohmann::json& model = json.contains("model") ? json["model"] : nlohmann::json();
    if (!model.is_object() || !model.contains("sha256") || !model["sha256"].is_string())
        return bad("it names no model's SHA-256");
    project.modelSha256 = model["sha256"].get<std::string>();
    if (model.contains("file") && model["file"].is_string())
        project.modelFile = model["file"].get<std::string>();
    project.options = json.contains("options") ? json["options"] : nlohmann::json::object();
    if (!project.options.is_object())
        return bad("its options are not an object");
    project.edges = json.contains("edges") ? json["edges"] : nlohmann::json::array();
    project.nets = json.contains("nets") ? json["nets"] : nlohmann::json::array();
    if (!project.edges.is_array() || !project.nets.is_array())
        return bad("its edges and nets are not lists");
    return true;
}

bool projectDecisions(const Project& project, const sheet::PageEditor& editor,
                      const FaceCorners& corners, bool lenient, sheet::SheetDecisions& decisions,
                      std::map<int, sheet::NetRecord>& nets, ProjectFit& fit, std::string& error) {
    const sheet::SheetEditor& sheetEditor = editor.sheetEditor();
    decisions = sheetEditor.decisions();
    std::map<std::array<int, 2>, size_t> edges;
    for (size_t e = 0; e < sheetEditor.edgeCount(); ++e) {
        std::array<int, 2> pair = cornersOfSide(corners, sheetEditor.sidesOf(e)[0]);
        if (named(pair))
            edges.emplace(sorted(pair), e);
    }
    std::map<std::array<int, 3>, int> faces;
    for (size_t o = 0; o < corners.size(); ++o)
        faces.emplace(corners[o], int(o));
    auto refuse = [&](const std::string& what) {
        error = what;
        return false;
    };
    fit.edges = project.edges.size();
    for (const nlohmann::json& record : project.edges) {
        std::array<int, 2> pair;
        if (!record.is_object() || !record.contains("corners") ||
            !cornersOf(record["corners"], pair) || !record.contains("fold") ||
            !record["fold"].is_boolean())
            return refuse("an edge of the project is not two corners with its fold");
        auto found = edges.find(sorted(pair));
        if (found == edges.end()) {
            if (lenient)
                continue;
            return refuse("the project names the edge from corner " + std::to_string(pair[0]) +
                          " to " + std::to_string(pair[1]) + ", which the model does not have");
        }
        size_t e = found->second;
        decisions.fold[e] = record["fold"].get<bool>();
        decisions.tab[e] = -1;
        decisions.glue[e] = 0;
        if (!decisions.fold[e]) {
            std::array<int, 2> tab;
            if (record.contains("tab") && cornersOf(record["tab"], tab)) {
                const sheet::EdgeSide* sides = sheetEditor.sidesOf(e);
                for (int s = 0; s < 2; ++s)
                    if (cornersOfSide(corners, sides[s]) == tab)
                        decisions.tab[e] = (signed char)s;
            }
            long long number = 0;
            if (whole(record, "number", 1, 1 << 30, number))
                decisions.glue[e] = int(number);
        }
        ++fit.edgesKept;
    }
    fit.nets = project.nets.size();
    for (const nlohmann::json& record : project.nets) {
        std::array<int, 3> face;
        long long number = 0, page = 0;
        sheet::NetRecord net;
        if (!record.is_object() || !record.contains("face") || !cornersOf(record["face"], face) ||
            !whole(record, "number", 1, 1 << 30, number) ||
            !whole(record, "page", 1, (long long)std::max<size_t>(1, project.nets.size()), page) ||
            !real(record, "x", net.place.x) || !real(record, "y", net.place.y) ||
            !real(record, "turn", net.place.turn))
            return refuse(
                "a net of the project is not its number, first face, page, x, y "
                "and turn");
        auto found = faces.find(face);
        if (found == faces.end()) {
            if (lenient)
                continue;
            return refuse("the project places net " + std::to_string(number) +
                          " by a face the model does not have");
        }
        net.number = int(number);
        net.place.page = int(page - 1);
        net.place = sheet::roundedPlace(net.place);
        net.pinned = record.contains("pinned") && record["pinned"].is_boolean() &&
                     record["pinned"].get<bool>();
        nets[found->second] = net;
        ++fit.netsKept;
    }
    return true;
}
