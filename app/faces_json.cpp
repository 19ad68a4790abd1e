#include "faces_json.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

std::string facesJson(const std::vector<sheet::ModelTriangle>& model, const sheet::Layout& layout,
                      const InputPolygons& input) {
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
        nlohmann::json paper = nlohmann::json::array();
        for (int k = 0; k < 3; ++k)
            paper.push_back({rounded(face.p[k].x, 0.01), rounded(face.p[k].y, 0.01)});
        return paper;
    };
    nlohmann::json faces = nlohmann::json::array();
    for (const sheet::ModelTriangle& triangle : model) {
        auto found = printed.find(key(triangle.container, triangle.position));
        if (found == printed.end())
            continue;
        nlohmann::json corners = nlohmann::json::array();
        for (int k = 0; k < 3; ++k)
            corners.push_back({rounded(triangle.corner[k][0], 1e-5),
                               rounded(triangle.corner[k][1], 1e-5),
                               rounded(triangle.corner[k][2], 1e-5)});
        const Printed& first = found->second.front();
        nlohmann::json record{{"face", finder.find(triangle.corner)},
                              {"net", first.net},
                              {"page", first.page},
                              {"model", corners},
                              {"paper", paperOf(*first.face)},
                              {"corners",
                               {points.at(triangle.corner[0]), points.at(triangle.corner[1]),
                                points.at(triangle.corner[2])}}};
        if (found->second.size() > 1) {
            nlohmann::json tiles = nlohmann::json::array();
            for (size_t t = 1; t < found->second.size(); ++t)
                tiles.push_back(
                    {{"page", found->second[t].page}, {"paper", paperOf(*found->second[t].face)}});
            record["tiles"] = std::move(tiles);
        }
        faces.push_back(std::move(record));
    }
    nlohmann::json pages = nlohmann::json::array();
    for (const sheet::Page& page : layout.pages)
        pages.push_back({{"width", page.width}, {"height", page.height}});
    return nlohmann::json{{"pages", pages}, {"faces", faces}}.dump() + "\n";
}
