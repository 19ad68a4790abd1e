#include "sheet_edits.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "classify_edges.h"
#include "shapes.h"

namespace sheet {

namespace {

// Two pieces overlap only by more than this (mm): faces that share an edge
// or a corner touch, and rounding must not make that an overlap.
constexpr double kTouch = 1e-3;
// Corners this close (mm) are one corner.
constexpr double kSameCorner = 1e-3;

struct Side {
    size_t net;
    unsigned face;
    int edge;
};

std::vector<Side> sidesOf(const Sheet& sheet, int edgeId) {
    std::vector<Side> sides;
    if (edgeId == kNoEdgeId)
        return sides;
    for (size_t n = 0; n < sheet.nets.size(); ++n)
        for (unsigned f = 0; f < sheet.nets[n].faces.size(); ++f)
            for (int k = 0; k < 3; ++k)
                if (sheet.nets[n].faces[f].edgeId[k] == edgeId)
                    sides.push_back({n, f, k});
    return sides;
}

Face& faceOf(Sheet& sheet, const Side& s) {
    return sheet.nets[s.net].faces[s.face];
}

bool near(Vec2 a, Vec2 b) {
    return std::hypot(a.x - b.x, a.y - b.y) < kSameCorner;
}

// The two sides already meet on paper, end to end the other way round.
bool meet(const Face& a, int ka, const Face& b, int kb) {
    return near(a.p[ka], b.p[(kb + 1) % 3]) && near(a.p[(ka + 1) % 3], b.p[kb]);
}

std::string netName(size_t index) {
    return "net " + std::to_string(index + 1);
}

// A turn and a shift of the plane.
struct Motion {
    double cosine = 1.0, sine = 0.0;
    Vec2 from, to;  // `from` goes to `to`

    Vec2 operator()(Vec2 p) const {
        double x = p.x - from.x, y = p.y - from.y;
        return {to.x + cosine * x - sine * y, to.y + sine * x + cosine * y};
    }
};

// Lays edge kb of b on edge ka of a, its ends the other way round, as a
// fold joins them.
Motion motionOnto(const Face& a, int ka, const Face& b, int kb) {
    Vec2 p0 = a.p[ka], p1 = a.p[(ka + 1) % 3];
    Vec2 q0 = b.p[kb], q1 = b.p[(kb + 1) % 3];
    double angle = std::atan2(p0.y - p1.y, p0.x - p1.x) - std::atan2(q1.y - q0.y, q1.x - q0.x);
    return {std::cos(angle), std::sin(angle), q0, p1};
}

Net moved(const Net& net, const Motion& motion) {
    Net out = net;
    for (Face& f : out.faces)
        for (Vec2& p : f.p)
            p = motion(p);
    for (Lug& lug : out.lugs)
        for (Vec2& p : lug.p)
            p = motion(p);
    return out;
}

bool isLugOn(const Lug& lug, unsigned face, int edge) {
    return lug.face == face && lug.edge == edge;
}

// The faces of `b` that would lie over a face or tab of `a`, or under whose
// tabs a face of `a` would lie; the tabs on the joined edge go.
int facesOver(const Net& a, const Side& sideA, const Net& b, const Side& sideB) {
    std::vector<char> over(b.faces.size(), 0);
    for (size_t j = 0; j < b.faces.size(); ++j) {
        for (const Face& fa : a.faces)
            if (convexOverlap(b.faces[j].p, fa.p, -kTouch))
                over[j] = 1;
        for (const Lug& lug : a.lugs)
            if (!isLugOn(lug, sideA.face, sideA.edge) &&
                convexOverlap(b.faces[j].p, lug.p, -kTouch))
                over[j] = 1;
    }
    for (const Lug& lug : b.lugs) {
        if (isLugOn(lug, sideB.face, sideB.edge))
            continue;
        bool hits = false;
        for (const Face& fa : a.faces)
            hits = hits || convexOverlap(lug.p, fa.p, -kTouch);
        for (const Lug& other : a.lugs)
            hits = hits || (!isLugOn(other, sideA.face, sideA.edge) &&
                            convexOverlap(lug.p, other.p, -kTouch));
        if (hits && lug.face < over.size())
            over[lug.face] = 1;
    }
    return int(std::count(over.begin(), over.end(), 1));
}

void dropLug(Net& net, unsigned face, int edge) {
    net.lugs.erase(std::remove_if(net.lugs.begin(), net.lugs.end(),
                                  [&](const Lug& l) { return isLugOn(l, face, edge); }),
                   net.lugs.end());
}

// The model's triangles follow their faces into another net or place.
void renumberModel(Sheet& sheet, unsigned container,
                   const std::map<unsigned, std::pair<unsigned, unsigned>>& moves) {
    for (ModelTriangle& t : sheet.model) {
        if (t.container != container)
            continue;
        auto found = moves.find(t.position);
        if (found != moves.end()) {
            t.container = found->second.first;
            t.position = found->second.second;
        }
    }
}

// Faces of the net that the fold at each joined edge links, from face 0.
std::vector<char> reachedFromFirst(const Net& net) {
    std::map<int, std::vector<unsigned>> byId;
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            if (net.faces[f].joined[k] && net.faces[f].edgeId[k] != kNoEdgeId)
                byId[net.faces[f].edgeId[k]].push_back(f);
    std::vector<char> reached(net.faces.size(), 0);
    std::vector<unsigned> open{0};
    reached[0] = 1;
    while (!open.empty()) {
        unsigned f = open.back();
        open.pop_back();
        for (int k = 0; k < 3; ++k) {
            auto found = byId.find(net.faces[f].edgeId[k]);
            if (!net.faces[f].joined[k] || found == byId.end() || found->second.size() != 2)
                continue;
            for (unsigned g : found->second)
                if (!reached[g]) {
                    reached[g] = 1;
                    open.push_back(g);
                }
        }
    }
    return reached;
}

}  // namespace

SheetEditor::SheetEditor(Sheet& sheet, double flatAngle) : sheet_(sheet), flatAngle_(flatAngle) {
    settle();
}

SheetEditor::Snapshot SheetEditor::snapshot() const {
    return {sheet_.nets, sheet_.model};
}

void SheetEditor::restore(Snapshot&& s) {
    sheet_.nets = std::move(s.nets);
    sheet_.model = std::move(s.model);
}

void SheetEditor::settle() {
    classifyEdges(sheet_, flatAngle_);
}

EditOutcome SheetEditor::join(int edgeId) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2)
        return {false, edge + " is not an edge two faces share"};
    Side a = sides[0], b = sides[1];
    const Face& fa = faceOf(sheet_, a);
    const Face& fb = faceOf(sheet_, b);
    if (a.net == b.net && fa.joined[a.edge] && fb.joined[b.edge])
        return {false, edge + " is already a fold"};
    if (a.net == b.net && !meet(fa, a.edge, fb, b.edge))
        return {false, "both sides of " + edge + " lie apart in " + netName(a.net) +
                           ": joining them would bend the net"};
    if (a.net != b.net) {
        const Net& netA = sheet_.nets[a.net];
        Net netB = moved(sheet_.nets[b.net], motionOnto(fa, a.edge, fb, b.edge));
        if (int over = facesOver(netA, a, netB, b); over > 0)
            return {false, "joining would lay " + std::to_string(over) +
                               (over == 1 ? " face over " : " faces over ") + netName(a.net) +
                               "'s faces"};
        undo_.push_back(snapshot());
        redo_.clear();
        Net& target = sheet_.nets[a.net];
        unsigned offset = unsigned(target.faces.size());
        std::map<unsigned, std::pair<unsigned, unsigned>> moves;
        for (unsigned i = 0; i < netB.faces.size(); ++i) {
            moves[netB.faces[i].position] = {target.container, offset + i};
            netB.faces[i].position = offset + i;
            target.faces.push_back(netB.faces[i]);
        }
        for (Lug lug : netB.lugs) {
            lug.face += offset;
            target.lugs.push_back(lug);
        }
        renumberModel(sheet_, netB.container, moves);
        b = {a.net, b.face + offset, b.edge};
        sheet_.nets.erase(sheet_.nets.begin() + std::ptrdiff_t(sides[1].net));
        if (sides[1].net < a.net)
            --a.net, --b.net;
    } else {
        undo_.push_back(snapshot());
        redo_.clear();
    }
    Net& net = sheet_.nets[a.net];
    net.faces[a.face].joined[a.edge] = true;
    net.faces[b.face].joined[b.edge] = true;
    dropLug(net, a.face, a.edge);
    dropLug(net, b.face, b.edge);
    settle();
    return {true, {}};
}

EditOutcome SheetEditor::cut(int edgeId) {
    std::vector<Side> sides = sidesOf(sheet_, edgeId);
    std::string edge = "edge " + std::to_string(edgeId);
    if (sides.size() != 2 || sides[0].net != sides[1].net ||
        !faceOf(sheet_, sides[0]).joined[sides[0].edge] ||
        !faceOf(sheet_, sides[1]).joined[sides[1].edge])
        return {false, edge + " is no fold"};
    undo_.push_back(snapshot());
    redo_.clear();
    size_t index = sides[0].net;
    for (const Side& s : sides)
        faceOf(sheet_, s).joined[s.edge] = false;
    Net& net = sheet_.nets[index];
    std::vector<char> reached = reachedFromFirst(net);
    if (std::find(reached.begin(), reached.end(), 0) != reached.end()) {
        // The fold held two parts together: the part without face 0 becomes
        // a net of its own, numbered after every other.
        unsigned container = 0;
        for (const Net& n : sheet_.nets)
            container = std::max(container, n.container + 1);
        Net kept, part;
        kept.container = net.container;
        part.container = container;
        std::vector<unsigned> newIndex(net.faces.size());
        std::map<unsigned, std::pair<unsigned, unsigned>> moves;
        for (unsigned f = 0; f < net.faces.size(); ++f) {
            Net& to = reached[f] ? kept : part;
            newIndex[f] = unsigned(to.faces.size());
            moves[net.faces[f].position] = {to.container, newIndex[f]};
            to.faces.push_back(net.faces[f]);
            to.faces.back().position = newIndex[f];
        }
        for (Lug lug : net.lugs) {
            Net& to = reached[lug.face] ? kept : part;
            lug.face = newIndex[lug.face];
            to.lugs.push_back(lug);
        }
        renumberModel(sheet_, net.container, moves);
        sheet_.nets[index] = std::move(kept);
        sheet_.nets.insert(sheet_.nets.begin() + std::ptrdiff_t(index) + 1, std::move(part));
    }
    settle();
    return {true, {}};
}

bool SheetEditor::undo() {
    if (undo_.empty())
        return false;
    redo_.push_back(snapshot());
    restore(std::move(undo_.back()));
    undo_.pop_back();
    settle();
    return true;
}

bool SheetEditor::redo() {
    if (redo_.empty())
        return false;
    undo_.push_back(snapshot());
    restore(std::move(redo_.back()));
    redo_.pop_back();
    settle();
    return true;
}

}  // namespace sheet
