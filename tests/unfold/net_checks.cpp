#include "tests/unfold/net_checks.h"

#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {
struct Point {
    double x, y;
};

using Polygon = std::vector<Point>;

// One triangle with its placed lugs, and the box around all of them.
struct Piece {
    const gt* triangle;
    std::vector<Polygon> parts;
    double minx, miny, maxx, maxy;
};
}  // namespace

static std::string describe(const gt* t) {
    return "triangle " + std::to_string(t->meshindex) + "/" + std::to_string(t->faceindex);
}

static bool sameFlatPoint(const vec3d& a, const vec3d& b) {
    return std::hypot(a.x - b.x, a.y - b.y) < 0.00001;
}

template <typename Visit>
static void forEachTriangle(Visit visit) {
    for (const std::vector<std::unique_ptr<gt>>& triangles : gtvec)
        for (const std::unique_ptr<gt>& t : triangles)
            visit(t.get());
}

std::string checkMembership() {
    std::map<const gt*, int> seen;
    for (size_t c = 0; c < gtcvec.size(); ++c) {
        if (!gtcvec[c]->active)
            continue;
        for (const gt* t : gtcvec[c]->gt) {
            if (seen.count(t))
                return describe(t) + " is in two active nets";
            if (t->container != int(c))
                return describe(t) + " names net " + std::to_string(t->container) +
                       " but lies in " + std::to_string(c);
            seen[t] = int(c);
        }
    }
    std::string error;
    forEachTriangle([&](const gt* t) {
        if (error.empty() && !seen.count(t))
            error = describe(t) + " is in no active net";
    });
    return error;
}

std::string checkEdgeLengths(double relativeError) {
    std::string error;
    forEachTriangle([&](const gt* t) {
        for (int k = 0; k < 3 && error.empty(); ++k) {
            double spatial = length(t->P[(k + 1) % 3] - t->P[k]);
            double flat =
                std::hypot(t->p[(k + 1) % 3].x - t->p[k].x, t->p[(k + 1) % 3].y - t->p[k].y);
            if (std::fabs(flat - spatial) > relativeError * spatial || !std::isfinite(flat))
                error = describe(t) + " edge " + std::to_string(k) + ": flat " +
                        std::to_string(flat) + " vs " + std::to_string(spatial);
        }
    });
    return error;
}

static double signedArea(const Polygon& polygon) {
    double area = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

static Polygon counterClockwise(Polygon polygon) {
    if (signedArea(polygon) < 0)
        std::reverse(polygon.begin(), polygon.end());
    return polygon;
}

static double side(const Point& a, const Point& b, const Point& p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

static Point crossing(const Point& a, const Point& b, const Point& p, const Point& q) {
    double sp = side(a, b, p), sq = side(a, b, q);
    double f = sp / (sp - sq);
    return {p.x + (q.x - p.x) * f, p.y + (q.y - p.y) * f};
}

// Sutherland-Hodgman: the part of subject inside the convex, counter-clockwise clip polygon.
static Polygon clipped(const Polygon& subject, const Polygon& clip) {
    Polygon result = subject;
    for (size_t i = 0; i < clip.size() && !result.empty(); ++i) {
        const Point& a = clip[i];
        const Point& b = clip[(i + 1) % clip.size()];
        Polygon input;
        input.swap(result);
        for (size_t j = 0; j < input.size(); ++j) {
            const Point& p = input[j];
            const Point& q = input[(j + 1) % input.size()];
            bool pIn = side(a, b, p) >= 0, qIn = side(a, b, q) >= 0;
            if (pIn)
                result.push_back(p);
            if (pIn != qIn)
                result.push_back(crossing(a, b, p, q));
        }
    }
    return result;
}

static double longestChord(const Polygon& polygon) {
    double longest = 0;
    for (const Point& a : polygon)
        for (const Point& b : polygon)
            longest = std::max(longest, std::hypot(b.x - a.x, b.y - a.y));
    return longest;
}

static void addPart(Piece& piece, Polygon polygon) {
    for (const Point& point : polygon) {
        piece.minx = std::min(piece.minx, point.x);
        piece.maxx = std::max(piece.maxx, point.x);
        piece.miny = std::min(piece.miny, point.y);
        piece.maxy = std::max(piece.maxy, point.y);
    }
    piece.parts.push_back(counterClockwise(std::move(polygon)));
}

static Piece makePiece(const gt* t) {
    Piece piece = {t, {}, INFINITY, INFINITY, -INFINITY, -INFINITY};
    addPart(piece, {{t->p[0].x, t->p[0].y}, {t->p[1].x, t->p[1].y}, {t->p[2].x, t->p[2].y}});
    for (int k = 0; k < 3; ++k)
        if (t->lugs[k][0]) {
            const vec3d& a = t->p[k];
            const vec3d& b = t->p[(k + 1) % 3];
            addPart(piece, {{a.x, a.y},
                            {b.x, b.y},
                            {t->lugs[k][0]->x, t->lugs[k][0]->y},
                            {t->lugs[k][1]->x, t->lugs[k][1]->y}});
        }
    return piece;
}

static double longestEdge(const Polygon& polygon) {
    double longest = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        longest = std::max(longest, std::hypot(b.x - a.x, b.y - a.y));
    }
    return longest;
}

// The collision test shortens segments by 1 % at each end, so two pieces
// meeting at a corner may overlap in a sliver as thin as about 1 % of an
// edge. A real overlap is thicker: its area over its longest extent.
static bool isRealOverlap(const Polygon& a, const Polygon& b) {
    Polygon shared = clipped(a, b);
    double area = shared.size() < 3 ? 0.0 : std::fabs(signedArea(shared));
    double edge = std::max(longestEdge(a), longestEdge(b));
    // pieces that only touch leave a point or a line, whose area is rounding
    if (area <= 1e-9 * edge * edge)
        return false;
    double thickness = 2 * area / longestChord(shared);
    return thickness > 0.03 * edge;
}

static std::string findOverlap(const Piece& a, const Piece& b) {
    for (const Polygon& pa : a.parts)
        for (const Polygon& pb : b.parts)
            if (isRealOverlap(pa, pb))
                return describe(a.triangle) + " overlaps " + describe(b.triangle) + " by area " +
                       std::to_string(std::fabs(signedArea(clipped(pa, pb))));
    return "";
}

static std::string findOverlapInNet(const gtc& net) {
    std::vector<Piece> pieces;
    for (const gt* t : net.gt)
        pieces.push_back(makePiece(t));
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.minx < b.minx; });
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t j = i + 1; j < pieces.size() && pieces[j].minx <= pieces[i].maxx; ++j) {
            if (pieces[j].miny > pieces[i].maxy || pieces[i].miny > pieces[j].maxy)
                continue;
            std::string error = findOverlap(pieces[i], pieces[j]);
            if (!error.empty())
                return error;
        }
    return "";
}

std::string checkNoOverlap() {
    for (const std::unique_ptr<gtc>& net : gtcvec) {
        if (!net->active)
            continue;
        std::string error = findOverlapInNet(*net);
        if (!error.empty())
            return error;
    }
    return "";
}

static bool isFold(const gt* t, int k) {
    const gt* n = t->nb[k];
    int e = t->nbedge[k];
    return n && e >= 0 && n->container == t->container &&
           sameFlatPoint(t->p[k], n->p[(e + 1) % 3]) && sameFlatPoint(t->p[(k + 1) % 3], n->p[e]);
}

std::string checkFoldsHaveNoLugs() {
    std::string error;
    forEachTriangle([&](const gt* t) {
        for (int k = 0; k < 3 && error.empty(); ++k)
            if (isFold(t, k) && (t->Lugs[k][0] || t->lugs[k][0] || t->nb[k]->Lugs[t->nbedge[k]][0]))
                error = describe(t) + " keeps a lug on fold edge " + std::to_string(k);
    });
    return error;
}

std::string checkCutsHaveOneLug() {
    std::string error;
    forEachTriangle([&](const gt* t) {
        for (int k = 0; k < 3 && error.empty(); ++k) {
            const gt* n = t->nb[k];
            int e = t->nbedge[k];
            if (!n || e < 0 || isFold(t, k))
                continue;
            int lugs = (t->Lugs[k][0] ? 1 : 0) + (n->Lugs[e][0] ? 1 : 0);
            if (lugs != 1)
                error = describe(t) + " cut edge " + std::to_string(k) + " carries " +
                        std::to_string(lugs) + " lugs";
        }
    });
    return error;
}

int activeNetCount() {
    return int(std::count_if(gtcvec.begin(), gtcvec.end(),
                             [](const std::unique_ptr<gtc>& net) { return net->active; }));
}

int lugCount() {
    int count = 0;
    forEachTriangle([&](const gt* t) {
        for (int k = 0; k < 3; ++k)
            count += t->Lugs[k][0] ? 1 : 0;
    });
    return count;
}

static void appendPoint(std::string& out, const vec3d& v) {
    char text[128];
    std::snprintf(text, sizeof(text), " (%a %a %a)", v.x, v.y, v.z);
    out += text;
}

static void appendOptional(std::string& out, const std::optional<vec3d>& v) {
    if (v)
        appendPoint(out, *v);
    else
        out += " -";
}

static void describeTriangle(std::string& out, const gt* t) {
    out += describe(t) + " net " + std::to_string(t->container) + ":";
    for (int k = 0; k < 3; ++k)
        appendPoint(out, t->p[k]);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 2; ++j) {
            appendOptional(out, t->Lugs[k][j]);
            appendOptional(out, t->lugs[k][j]);
        }
    out += "\n";
}

static void describeNet(std::string& out, size_t index, const gtc& net, bool withPlacements) {
    char text[160];
    std::snprintf(text, sizeof(text), "net %zu %s box %a %a %a %a:", index,
                  net.active ? "active" : "inactive", net.minx, net.miny, net.maxx, net.maxy);
    out += text;
    for (const gt* t : net.gt)
        out += " " + std::to_string(t->meshindex) + "/" + std::to_string(t->faceindex);
    if (withPlacements) {
        appendPoint(out, net.trans);
        appendPoint(out, net.pivot);
        for (double m : net.rot.m) {
            std::snprintf(text, sizeof(text), " %a", m);
            out += text;
        }
    }
    out += "\n";
}

std::string describeSheet(bool withPlacements) {
    std::string out;
    forEachTriangle([&](const gt* t) { describeTriangle(out, t); });
    for (size_t c = 0; c < gtcvec.size(); ++c)
        describeNet(out, c, *gtcvec[c], withPlacements);
    return out;
}

std::string firstDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size())
        return "";
    size_t start = a.rfind('\n', at == 0 ? 0 : at - 1);
    start = start == std::string::npos ? 0 : start + 1;
    return "first difference:\n  " + a.substr(start, a.find('\n', at) - start) + "\n  " +
           b.substr(start, b.find('\n', at) - start);
}

namespace {
struct Sums {
    double x = 0, y = 0, xx = 0, yy = 0, xy = 0, orderedX = 0;
    size_t points = 0;
    void add(const vec3d& v, size_t position) {
        x += v.x;
        y += v.y;
        xx += v.x * v.x;
        yy += v.y * v.y;
        xy += v.x * v.y;
        orderedX += double(position) * v.x;
        ++points;
    }
};
}  // namespace

std::string sheetFingerprint() {
    std::string out;
    char line[400];
    for (size_t c = 0; c < gtcvec.size(); ++c) {
        const gtc& net = *gtcvec[c];
        if (!net.active || net.gt.empty())
            continue;
        Sums sums;
        for (size_t position = 0; position < net.gt.size(); ++position) {
            const gt* t = net.gt[position];
            for (int k = 0; k < 3; ++k) {
                sums.add(t->p[k], position);
                for (int j = 0; j < 2 && t->lugs[k][0]; ++j)
                    sums.add(*t->lugs[k][j], position);
            }
        }
        std::snprintf(line, sizeof line, "%zu %zu %d/%d %zu %.17g %.17g %.17g %.17g %.17g %.17g\n",
                      c, net.gt.size(), net.gt[0]->meshindex, net.gt[0]->faceindex, sums.points,
                      sums.x, sums.y, sums.xx, sums.yy, sums.xy, sums.orderedX);
        out += line;
    }
    return out;
}

static std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// "net size first points" must match exactly; the six sums within tolerance
// times the number of points they add up.
static bool linesAgree(const std::string& a, const std::string& b, double tolerance) {
    char headA[64], headB[64];
    size_t sizeA, sizeB, pointsA, pointsB;
    double sa[6], sb[6];
    int na = std::sscanf(a.c_str(), "%*s %zu %63s %zu %lg %lg %lg %lg %lg %lg", &sizeA, headA,
                         &pointsA, &sa[0], &sa[1], &sa[2], &sa[3], &sa[4], &sa[5]);
    int nb = std::sscanf(b.c_str(), "%*s %zu %63s %zu %lg %lg %lg %lg %lg %lg", &sizeB, headB,
                         &pointsB, &sb[0], &sb[1], &sb[2], &sb[3], &sb[4], &sb[5]);
    if (na != 9 || nb != 9 || a.substr(0, a.find(' ')) != b.substr(0, b.find(' ')) ||
        sizeA != sizeB || std::string(headA) != headB || pointsA != pointsB)
        return false;
    for (int i = 0; i < 6; ++i) {
        double scale =
            std::max(1.0, std::max(std::fabs(sa[i]), std::fabs(sb[i])) / double(pointsA));
        if (std::fabs(sa[i] - sb[i]) >
            tolerance * double(pointsA) * scale * (i == 5 ? double(sizeA) : 1.0))
            return false;
    }
    return true;
}

std::string fingerprintDifference(const std::string& expected, const std::string& actual,
                                  double tolerance) {
    std::vector<std::string> a = splitLines(expected), b = splitLines(actual);
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        std::string left = i < a.size() ? a[i] : "(no net)";
        std::string right = i < b.size() ? b[i] : "(no net)";
        if (i >= a.size() || i >= b.size() || !linesAgree(left, right, tolerance))
            return "net line " + std::to_string(i + 1) + ":\n  expected " + left + "\n  actual   " +
                   right;
    }
    return "";
}
