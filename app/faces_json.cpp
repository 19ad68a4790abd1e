#include "faces_json.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <unordered_map>

#include <nlohmann/json.hpp>

namespace {

struct Printed {
    int page = 0;
    int net = 0;
    const sheet::Face* face = nullptr;
};

uint64_t key(unsigned container, unsigned position) {
    return (uint64_t(container) << 32) | position;
}

double rounded(double value, double step) {
    return std::round(value / step) * step;
}

bool shows(const sheet::Box& clip, const sheet::Face& face) {
    double x = (face.p[0].x + face.p[1].x + face.p[2].x) / 3.0;
    double y = (face.p[0].y + face.p[1].y + face.p[2].y) / 3.0;
    return clip.empty() || (x >= clip.minX && x <= clip.maxX && y >= clip.minY && y <= clip.maxY);
}

// Finds the input polygon a sheet triangle was cut from: the one that has a
// corner at each of the triangle's corners. The sheet keeps its corners in
// single precision, so corners match within a tolerance, found through a
// grid of cells twice that size.
class PolygonFinder {
public:
    explicit PolygonFinder(const InputPolygons& input) : input_(input) {
        double low = HUGE_VAL, high = -HUGE_VAL, largest = 0.0;
        for (const auto& p : input.points)
            for (double v : p) {
                low = std::min(low, v);
                high = std::max(high, v);
                largest = std::max(largest, std::abs(v));
            }
        tolerance_ = 1e-5 * std::max((high - low) + largest, 1e-9);
        for (size_t i = 0; i < input.points.size(); ++i)
            cells_[cellKey(cellOf(input.points[i]))].push_back(int(i));
        polygonsAt_.resize(input.points.size());
        for (size_t p = 0, c = 0; p < input.counts.size(); c += size_t(input.counts[p]), ++p)
            for (int k = 0; k < input.counts[p]; ++k)
                polygonsAt_[size_t(input.corners[c + size_t(k)])].push_back(int(p));
        offsets_.resize(input.counts.size());
        for (size_t p = 1; p < input.counts.size(); ++p)
            offsets_[p] = offsets_[p - 1] + size_t(input.counts[p - 1]);
    }

    int find(const float (&corner)[3][3]) const {
        for (int point : near(corner[0]))
            for (int polygon : polygonsAt_[size_t(point)])
                if (hasCorner(polygon, corner[1]) && hasCorner(polygon, corner[2]))
                    return polygon;
        return -1;
    }

private:
    std::array<long long, 3> cellOf(const std::array<double, 3>& p) const {
        return {std::llround(p[0] / (2 * tolerance_)), std::llround(p[1] / (2 * tolerance_)),
                std::llround(p[2] / (2 * tolerance_))};
    }
    static uint64_t cellKey(const std::array<long long, 3>& c) {
        return uint64_t(c[0]) * 73856093u ^ uint64_t(c[1]) * 19349663u ^ uint64_t(c[2]) * 83492791u;
    }
    bool close(int point, const float (&q)[3]) const {
        const auto& p = input_.points[size_t(point)];
        return std::abs(p[0] - q[0]) <= tolerance_ && std::abs(p[1] - q[1]) <= tolerance_ &&
               std::abs(p[2] - q[2]) <= tolerance_;
    }
    std::vector<int> near(const float (&q)[3]) const {
        std::vector<int> found;
        std::array<long long, 3> centre = cellOf({q[0], q[1], q[2]});
        for (long long dx = -1; dx <= 1; ++dx)
            for (long long dy = -1; dy <= 1; ++dy)
                for (long long dz = -1; dz <= 1; ++dz) {
                    auto cell =
                        cells_.find(cellKey({centre[0] + dx, centre[1] + dy, centre[2] + dz}));
                    if (cell != cells_.end())
                        for (int point : cell->second)
                            if (close(point, q) &&
                                std::find(found.begin(), found.end(), point) == found.end())
                                found.push_back(point);
                }
        return found;
    }
    bool hasCorner(int polygon, const float (&q)[3]) const {
        for (int k = 0; k < input_.counts[size_t(polygon)]; ++k)
            if (close(input_.corners[offsets_[size_t(polygon)] + size_t(k)], q))
                return true;
        return false;
    }

    const InputPolygons& input_;
    double tolerance_ = 0.0;
    std::unordered_map<uint64_t, std::vector<int>> cells_;
    std::vector<std::vector<int>> polygonsAt_;
    std::vector<size_t> offsets_;
};

}  // namespace

PointNumbers::PointNumbers(const InputPolygons& input) {
    for (size_t i = 0; i < input.points.size(); ++i) {
        const auto& p = input.points[i];
        index_.emplace(std::tuple<float, float, float>{float(p[0]), float(p[1]), float(p[2])},
                       int(i));
    }
}

int PointNumbers::at(const float (&corner)[3]) const {
    auto found = index_.find({corner[0], corner[1], corner[2]});
    return found == index_.end() ? -1 : found->second;
}

PrintedFaces printedFaces(const std::vector<sheet::ModelTriangle>& model,
                          const sheet::Layout& layout, const InputPolygons& input) {
    PolygonFinder finder(input);
    PointNumbers points(input);
    // A face of a net printed on several tiles shows on each of them.
    std::unordered_map<uint64_t, std::vector<Printed>> printed;
    for (size_t p = 0; p < layout.pages.size(); ++p)
        for (const sheet::PlacedNet& net : layout.pages[p].nets)
            for (const sheet::Face& face : net.geometry.faces)
                if (shows(layout.pages[p].clip, face))
                    printed[key(net.geometry.container, face.position)].push_back(
                        Printed{int(p) + 1, net.number, &face});
    auto paperOf = [](const sheet::Face& face) {
        std::array<double, 6> paper;
        for (int k = 0; k < 3; ++k) {
            paper[size_t(2 * k)] = rounded(face.p[k].x, 0.01);
            paper[size_t(2 * k + 1)] = rounded(face.p[k].y, 0.01);
        }
        return paper;
    };
    PrintedFaces out;
    for (const sheet::ModelTriangle& triangle : model) {
        auto found = printed.find(key(triangle.container, triangle.position));
        if (found == printed.end())
            continue;
        const Printed& first = found->second.front();
        PrintedFace& face = out.faces.emplace_back();
        face.polygon = finder.find(triangle.corner);
        face.net = first.net;
        face.page = first.page;
        for (int k = 0; k < 3; ++k) {
            for (int c = 0; c < 3; ++c)
                face.model[size_t(3 * k + c)] = rounded(triangle.corner[k][c], 1e-5);
            face.corners[size_t(k)] = points.at(triangle.corner[k]);
        }
        face.paper = paperOf(*first.face);
        for (size_t t = 1; t < found->second.size(); ++t)
            face.tiles.push_back({found->second[t].page, paperOf(*found->second[t].face)});
    }
    for (const sheet::Page& page : layout.pages)
        out.pages.push_back({page.width, page.height});
    return out;
}

std::string facesJson(const PrintedFaces& printed) {
    auto pairs = [](const double* values, int count) {
        nlohmann::json list = nlohmann::json::array();
        for (int k = 0; k < count; ++k)
            list.push_back({values[2 * k], values[2 * k + 1]});
        return list;
    };
    nlohmann::json faces = nlohmann::json::array();
    for (const PrintedFace& face : printed.faces) {
        nlohmann::json model = nlohmann::json::array();
        for (int k = 0; k < 3; ++k)
            model.push_back({face.model[size_t(3 * k)], face.model[size_t(3 * k + 1)],
                             face.model[size_t(3 * k + 2)]});
        nlohmann::json record{{"face", face.polygon},
                              {"net", face.net},
                              {"page", face.page},
                              {"model", model},
                              {"paper", pairs(face.paper.data(), 3)},
                              {"corners", {face.corners[0], face.corners[1], face.corners[2]}}};
        if (!face.tiles.empty()) {
            nlohmann::json tiles = nlohmann::json::array();
            for (const auto& [page, paper] : face.tiles)
                tiles.push_back({{"page", page}, {"paper", pairs(paper.data(), 3)}});
            record["tiles"] = std::move(tiles);
        }
        faces.push_back(std::move(record));
    }
    nlohmann::json pages = nlohmann::json::array();
    for (const auto& [width, height] : printed.pages)
        pages.push_back({{"width", width}, {"height", height}});
    return nlohmann::json{{"pages", pages}, {"faces", faces}}.dump() + "\n";
}

// Little-endian, every item four bytes, so that each array starts aligned
// for a typed-array view. F faces, P pages, T tiles; offsets in bytes:
//   0   uint32 magic 0x53434146 ("FACS"), version 1, F, P, T
//   20  float32 page size [P][2]: width, height, mm
//   then, one array after the other:
//       int32   net[F]          printed number
//       int32   page[F]         1-based
//       float32 paper[F][6]     x0, y0, x1, y1, x2, y2, page mm, y downwards
//       float32 model[F][9]     x, y, z of each corner
//       int32   corners[F][3]   the imported model's points (-1: none)
//       int32   tileFace[T]     the face (0-based, into the arrays above)
//       int32   tilePage[T]     the tile's page, 1-based
//       float32 tilePaper[T][6] the face on that page
//       int32   polygon[F]      the input polygon it was cut from (-1: none)
// Tiles go face after face, each face's in the order of faces.json. Numbers
// are those of faces.json (rounded alike) in single precision.
std::string facesBinary(const PrintedFaces& printed) {
    constexpr uint32_t kMagic = 0x53434146, kVersion = 1;
    std::string out;
    auto word = [&out](uint32_t bits) {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(char((bits >> shift) & 0xff));
    };
    auto integer = [&](int value) { word(uint32_t(value)); };
    auto real = [&](double value) { word(std::bit_cast<uint32_t>(float(value))); };
    size_t tiles = 0;
    for (const PrintedFace& face : printed.faces)
        tiles += face.tiles.size();
    size_t faces = printed.faces.size();
    out.reserve(4 * (5 + 2 * printed.pages.size() + 21 * faces + 8 * tiles));
    for (uint32_t header :
         {kMagic, kVersion, uint32_t(faces), uint32_t(printed.pages.size()), uint32_t(tiles)})
        word(header);
    for (const auto& [width, height] : printed.pages) {
        real(width);
        real(height);
    }
    for (const PrintedFace& face : printed.faces)
        integer(face.net);
    for (const PrintedFace& face : printed.faces)
        integer(face.page);
    for (const PrintedFace& face : printed.faces)
        for (double v : face.paper)
            real(v);
    for (const PrintedFace& face : printed.faces)
        for (double v : face.model)
            real(v);
    for (const PrintedFace& face : printed.faces)
        for (int point : face.corners)
            integer(point);
    for (size_t f = 0; f < faces; ++f)
        for (size_t t = 0; t < printed.faces[f].tiles.size(); ++t)
            integer(int(f));
    for (const PrintedFace& face : printed.faces)
        for (const auto& tile : face.tiles)
            integer(tile.first);
    for (const PrintedFace& face : printed.faces)
        for (const auto& tile : face.tiles)
            for (double v : tile.second)
                real(v);
    for (const PrintedFace& face : printed.faces)
        integer(face.polygon);
    return out;
}

std::string facesBinaryPath(const std::string& facesJsonPath) {
    std::filesystem::path path(facesJsonPath);
    path.replace_extension(".bin");
    // never the JSON itself
    return path == std::filesystem::path(facesJsonPath) ? facesJsonPath + ".bin" : path.string();
}
