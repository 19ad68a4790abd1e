#include "project_file.h"

#include <openssl/evp.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

namespace {

using Json = nlohmann::ordered_json;

// A point of the model as the sheet keeps it, in single precision.
using PointKey = std::tuple<float, float, float>;

PointKey keyOf(float x, float y, float z) {
    return {x, y, z};
}

// The imported model's points by where they lie, the first of any that
// lie at one place.
std::map<PointKey, int> pointIndex(const InputPolygons& input) {
    std::map<PointKey, int> index;
    for (size_t i = 0; i < input.points.size(); ++i) {
        const auto& p = input.points[i];
        index.emplace(keyOf(float(p[0]), float(p[1]), float(p[2])), int(i));
    }
    return index;
}

struct EdgeRecord {
    bool fold = false;
    std::optional<std::array<int, 2>> tab;  // as the face that carries it walks the edge
};

double rounded(double value) {
    return std::round(value * 1000.0) / 1000.0;
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

std::string projectJson(const std::string& modelPath, const std::string& modelSha256,
                        const nlohmann::json& options,
                        const std::vector<sheet::ModelTriangle>& model, const sheet::Layout& layout,
                        const InputPolygons& input, const std::map<unsigned, NetFrame>& frames) {
    std::map<PointKey, int> points = pointIndex(input);
    std::map<std::pair<unsigned, unsigned>, const sheet::ModelTriangle*> onModel;
    for (const sheet::ModelTriangle& t : model)
        onModel[{t.container, t.position}] = &t;
    auto corner = [&](const sheet::ModelTriangle& t, int k) {
        auto found = points.find(keyOf(t.corner[k][0], t.corner[k][1], t.corner[k][2]));
        return found == points.end() ? -1 : found->second;
    };

    std::map<std::array<int, 2>, EdgeRecord> edges;
    std::set<std::pair<unsigned, unsigned>> seen;  // faces, once over all tiles
    Json nets = Json::array();
    std::set<unsigned> placed;
    for (size_t p = 0; p < layout.pages.size(); ++p)
        for (const sheet::PlacedNet& net : layout.pages[p].nets) {
            unsigned container = net.geometry.container;
            for (size_t f = 0; f < net.geometry.faces.size(); ++f) {
                const sheet::Face& face = net.geometry.faces[f];
                if (face.position == 0 && !placed.count(container) && frames.count(container)) {
                    // the net's place: where the first face's first corner
                    // went, and how far its first edge turned
                    const NetFrame& frame = frames.at(container);
                    double before =
                        std::atan2(frame.second.y - frame.first.y, frame.second.x - frame.first.x);
                    double after = std::atan2(face.p[1].y - face.p[0].y, face.p[1].x - face.p[0].x);
                    double turn =
                        std::fmod((after - before) * 180.0 / std::acos(-1.0) + 720.0, 360.0);
                    nets.push_back(Json{{"number", net.number},
                                        {"page", p + 1},
                                        {"x", rounded(face.p[0].x)},
                                        {"y", rounded(face.p[0].y)},
                                        {"turn", rounded(turn)}});
                    placed.insert(container);
                }
                if (!seen.insert({container, face.position}).second)
                    continue;
                auto triangle = onModel.find({container, face.position});
                if (triangle == onModel.end())
                    continue;
                for (int k = 0; k < 3; ++k) {
                    if (face.edgeId[k] == sheet::kNoEdgeId)
                        continue;
                    int a = corner(*triangle->second, k),
                        b = corner(*triangle->second, (k + 1) % 3);
                    if (a < 0 || b < 0 || a == b)
                        continue;
                    EdgeRecord& record = edges[{std::min(a, b), std::max(a, b)}];
                    record.fold = record.fold || face.joined[k];
                    if (sheet::findLug(net.geometry, unsigned(f), k))
                        record.tab = std::array<int, 2>{a, b};
                }
            }
        }
    Json edgeList = Json::array();
    for (const auto& [corners, record] : edges) {
        Json e{{"corners", corners}, {"fold", record.fold}};
        if (!record.fold)
            e["tab"] = record.tab ? Json(*record.tab) : Json(nullptr);
        edgeList.push_back(std::move(e));
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
