#include "classify_edges.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace sheet {

namespace {

struct EdgeRef {
    unsigned net;
    unsigned face;
    int edge;
};

EdgeKind foldKind(double fold, double flatAngle) {
    if (std::fabs(fold) < flatAngle)
        return EdgeKind::Flat;
    return fold < 0.0 ? EdgeKind::Mountain : EdgeKind::Valley;
}

// A fold needs both sides: the partner edge in the same net, joined too. A
// sheet whose partner object went missing or whose records disagree shows a
// cut there rather than a fold to nowhere.
bool isFold(const Net& net, const std::vector<EdgeRef>& sameId, unsigned face, int edge) {
    if (!net.faces[face].joined[edge])
        return false;
    for (const EdgeRef& other : sameId) {
        if (other.face == face && other.edge == edge)
            continue;
        if (net.faces[other.face].joined[other.edge])
            return true;
    }
    return false;
}

void classifyNet(Net& net, unsigned netIndex, double flatAngle,
                 std::map<int, std::vector<EdgeRef>>& cutsById) {
    std::map<int, std::vector<EdgeRef>> byId;
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            if (net.faces[f].edgeId[k] != kNoEdgeId)
                byId[net.faces[f].edgeId[k]].push_back({netIndex, f, k});

    for (unsigned f = 0; f < net.faces.size(); ++f) {
        Face& face = net.faces[f];
        for (int k = 0; k < 3; ++k) {
            face.glue[k] = 0;
            int id = face.edgeId[k];
            if (id != kNoEdgeId && isFold(net, byId[id], f, k)) {
                face.kind[k] = foldKind(face.fold[k], flatAngle);
                continue;
            }
            face.kind[k] = EdgeKind::Cut;
            if (id != kNoEdgeId)
                cutsById[id].push_back({netIndex, f, k});
        }
    }
}

}  // namespace

int classifyEdges(Sheet& sheet, double flatAngle) {
    std::map<int, std::vector<EdgeRef>> cutsById;
    for (unsigned n = 0; n < sheet.nets.size(); ++n)
        classifyNet(sheet.nets[n], n, flatAngle, cutsById);

    // Number in sheet order, so the numbers a person meets first are small.
    std::vector<EdgeRef> order;
    for (const auto& [id, refs] : cutsById)
        if (refs.size() >= 2)
            order.push_back(refs.front());
    auto before = [](const EdgeRef& a, const EdgeRef& b) {
        if (a.net != b.net)
            return a.net < b.net;
        if (a.face != b.face)
            return a.face < b.face;
        return a.edge < b.edge;
    };
    std::sort(order.begin(), order.end(), before);

    int glue = 0;
    for (const EdgeRef& first : order) {
        ++glue;
        int id = sheet.nets[first.net].faces[first.face].edgeId[first.edge];
        for (const EdgeRef& ref : cutsById[id])
            sheet.nets[ref.net].faces[ref.face].glue[ref.edge] = glue;
    }
    return glue;
}

}  // namespace sheet
