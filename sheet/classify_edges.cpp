#include "classify_edges.h"

#include "seams.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace sheet {

namespace {

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
            face.labelled[k] = face.seamStart[k] = face.seamEnd[k] = false;
            face.seamSide[k] = -1;
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

Face& faceOf(Sheet& sheet, const EdgeRef& e) {
    return sheet.nets[e.net].faces[e.face];
}

double lengthOf(Sheet& sheet, const EdgeRef& e) {
    const Face& f = faceOf(sheet, e);
    Vec2 a = f.p[e.edge], b = f.p[(e.edge + 1) % 3];
    return std::hypot(b.x - a.x, b.y - a.y);
}

// Gives every edge of a seam its number and side; the longest edge of each
// side prints the number, and a seam of several edges gets its ends marked.
void markSeam(Sheet& sheet, const Seam& seam, int glue, int& side) {
    bool crowd = false;  // a non-manifold edge: every copy is its own side
    for (size_t i = 1; i < seam.pairs.size() && !crowd; ++i)
        crowd = sameEdge(seam.pairs[i].a, seam.pairs[0].a);
    if (crowd) {
        faceOf(sheet, seam.pairs[0].a).glue[seam.pairs[0].a.edge] = glue;
        faceOf(sheet, seam.pairs[0].a).labelled[seam.pairs[0].a.edge] = true;
        faceOf(sheet, seam.pairs[0].a).seamSide[seam.pairs[0].a.edge] = side++;
        for (const GluedPair& p : seam.pairs) {
            faceOf(sheet, p.b).glue[p.b.edge] = glue;
            faceOf(sheet, p.b).labelled[p.b.edge] = true;
            faceOf(sheet, p.b).seamSide[p.b.edge] = side++;
        }
        return;
    }
    for (int s = 0; s < 2; ++s) {
        const EdgeRef* longest = nullptr;
        double most = -1.0;
        for (const GluedPair& p : seam.pairs) {
            const EdgeRef& e = s == 0 ? p.a : p.b;
            Face& face = faceOf(sheet, e);
            face.glue[e.edge] = glue;
            face.seamSide[e.edge] = side;
            double length = lengthOf(sheet, e);
            if (length > most) {
                most = length;
                longest = &e;
            }
        }
        faceOf(sheet, *longest).labelled[longest->edge] = true;
        ++side;
    }
    if (seam.pairs.size() < 2 || seam.closed)
        return;
    // Side a runs along its outline from the first pair to the last, side b
    // the other way.
    const GluedPair& first = seam.pairs.front();
    const GluedPair& last = seam.pairs.back();
    faceOf(sheet, first.a).seamStart[first.a.edge] = true;
    faceOf(sheet, last.a).seamEnd[last.a.edge] = true;
    faceOf(sheet, last.b).seamStart[last.b.edge] = true;
    faceOf(sheet, first.b).seamEnd[first.b.edge] = true;
}

}  // namespace

int classifyEdges(Sheet& sheet, double flatAngle) {
    std::map<int, std::vector<EdgeRef>> cutsById;
    for (unsigned n = 0; n < sheet.nets.size(); ++n)
        classifyNet(sheet.nets[n], n, flatAngle, cutsById);

    // Cut edges shared by exactly two faces pair up into seams; an edge
    // shared by more (a non-manifold mesh) keeps a number of its own.
    std::vector<GluedPair> pairs;
    std::vector<std::vector<EdgeRef>> crowds;
    for (const auto& [id, refs] : cutsById) {
        if (refs.size() == 2)
            pairs.push_back({refs[0], refs[1]});
        else if (refs.size() > 2)
            crowds.push_back(refs);
    }
    std::vector<Seam> seams = findSeams(sheet, pairs);
    for (const std::vector<EdgeRef>& crowd : crowds) {
        Seam single;
        for (size_t i = 1; i < crowd.size(); ++i)
            single.pairs.push_back({crowd[0], crowd[i]});
        seams.push_back(std::move(single));
    }

    // Number in sheet order, so the numbers a person meets first are small.
    auto before = [](const EdgeRef& a, const EdgeRef& b) {
        if (a.net != b.net)
            return a.net < b.net;
        if (a.face != b.face)
            return a.face < b.face;
        return a.edge < b.edge;
    };
    std::vector<std::pair<EdgeRef, size_t>> order;
    for (size_t s = 0; s < seams.size(); ++s) {
        EdgeRef first = seams[s].pairs.front().a;
        for (const GluedPair& p : seams[s].pairs)
            for (const EdgeRef& e : {p.a, p.b})
                if (before(e, first))
                    first = e;
        order.push_back({first, s});
    }
    std::sort(order.begin(), order.end(),
              [&](const auto& x, const auto& y) { return before(x.first, y.first); });

    int glue = 0;
    int side = 0;
    for (const auto& [first, s] : order)
        markSeam(sheet, seams[s], ++glue, side);
    return glue;
}

}  // namespace sheet
