#include "faces_json.h"

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

}  // namespace

std::string facesJson(const std::vector<sheet::ModelTriangle>& model, const sheet::Layout& layout) {
    std::unordered_map<uint64_t, Printed> printed;
    for (size_t p = 0; p < layout.pages.size(); ++p)
        for (const sheet::PlacedNet& net : layout.pages[p].nets)
            for (const sheet::Face& face : net.geometry.faces)
                if (shows(layout.pages[p].clip, face))
                    printed.try_emplace(key(net.geometry.container, face.position),
                                        Printed{int(p) + 1, net.number, &face});
    nlohmann::json faces = nlohmann::json::array();
    for (const sheet::ModelTriangle& triangle : model) {
        auto found = printed.find(key(triangle.container, triangle.position));
        if (found == printed.end())
            continue;
        nlohmann::json corners = nlohmann::json::array(), paper = nlohmann::json::array();
        for (int k = 0; k < 3; ++k) {
            corners.push_back({rounded(triangle.corner[k][0], 1e-5),
                               rounded(triangle.corner[k][1], 1e-5),
                               rounded(triangle.corner[k][2], 1e-5)});
            paper.push_back({rounded(found->second.face->p[k].x, 0.01),
                             rounded(found->second.face->p[k].y, 0.01)});
        }
        faces.push_back({{"net", found->second.net},
                         {"page", found->second.page},
                         {"model", corners},
                         {"paper", paper}});
    }
    nlohmann::json pages = nlohmann::json::array();
    for (const sheet::Page& page : layout.pages)
        pages.push_back({{"width", page.width}, {"height", page.height}});
    return nlohmann::json{{"pages", pages}, {"faces", faces}}.dump() + "\n";
}
