#include "labels.h"

#include <algorithm>
#include <cmath>

#include "shapes.h"

namespace sheet {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLineClearance = 0.35;   // label to the lines around it, mm
constexpr double kLabelClearance = 0.3;   // label to label
constexpr double kEdgeOffset = 0.4;       // gap between an edge and its number
constexpr double kSizeStep = 0.25;

struct Placer {
    const Net& net;
    std::vector<std::vector<Vec2>> faces;
    std::vector<std::vector<Vec2>> lugs;
    std::vector<Label> labels;
    std::vector<Box> labelBoxes;
};

std::vector<Vec2> cornersOf(const Label& label) {
    auto c = labelCorners(label);
    return {c.begin(), c.end()};
}

double uprightAngle(double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    // Read left to right, or top to bottom on a vertical edge.
    if (c < -1e-9 || (std::fabs(c) <= 1e-9 && s < 0.0))
        angle += kPi;
    return std::remainder(angle, 2.0 * kPi);
}

bool clearOfLabels(const Placer& placer, const std::vector<Vec2>& box) {
    Box bounds = boxOf(box);
    for (size_t i = 0; i < placer.labels.size(); ++i) {
        if (!boxesOverlap(bounds, placer.labelBoxes[i], kLabelClearance))
            continue;
        if (convexOverlap(box, cornersOf(placer.labels[i]), kLabelClearance))
            return false;
    }
    return true;
}

bool clearOfShapes(const std::vector<std::vector<Vec2>>& shapes, const std::vector<Vec2>& box,
                   const std::vector<Vec2>* own) {
    Box bounds = boxOf(box);
    for (const auto& shape : shapes) {
        if (&shape == own || !boxesOverlap(bounds, boxOf(shape), kLineClearance))
            continue;
        if (convexOverlap(box, shape, kLineClearance))
            return false;
    }
    return true;
}

void accept(Placer& placer, Label label) {
    placer.labelBoxes.push_back(boxOf(cornersOf(label)));
    placer.labels.push_back(std::move(label));
}

struct EdgeFrame {
    Vec2 a, b, mid, inward;
    double length, angle;
};

EdgeFrame edgeFrame(const Face& face, int k) {
    EdgeFrame e;
    e.a = face.p[k];
    e.b = face.p[(k + 1) % 3];
    e.mid = {(e.a.x + e.b.x) / 2, (e.a.y + e.b.y) / 2};
    e.length = std::hypot(e.b.x - e.a.x, e.b.y - e.a.y);
    e.angle = std::atan2(e.b.y - e.a.y, e.b.x - e.a.x);
    Vec2 normal{0.0, 0.0};
    if (e.length > 0.0)
        normal = {-(e.b.y - e.a.y) / e.length, (e.b.x - e.a.x) / e.length};
    Vec2 opposite = face.p[(k + 2) % 3];
    double side = (opposite.x - e.mid.x) * normal.x + (opposite.y - e.mid.y) * normal.y;
    e.inward = side >= 0.0 ? normal : Vec2{-normal.x, -normal.y};
    return e;
}

double startSize(double edgeLength) {
    return std::clamp(edgeLength * 0.22, kGlueSizeMin, kGlueSizeMax);
}

bool tryInFace(Placer& placer, const std::string& text, unsigned f, const EdgeFrame& e) {
    static const double along[] = {0.5, 0.4, 0.6, 0.3, 0.7};
    for (double size = startSize(e.length); size >= kGlueSizeMin - 1e-9; size -= kSizeStep) {
        for (double t : along) {
            Label probe = makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, {}, e.angle);
            double off = kEdgeOffset + probe.height / 2;
            probe.centre = {e.a.x + t * (e.b.x - e.a.x) + e.inward.x * off,
                            e.a.y + t * (e.b.y - e.a.y) + e.inward.y * off};
            auto box = cornersOf(probe);
            if (insideConvex(box, placer.faces[f], kLineClearance) && clearOfLabels(placer, box)) {
                probe.spot = LabelSpot::Face;
                accept(placer, probe);
                return true;
            }
        }
    }
    return false;
}

bool tryOnLug(Placer& placer, const std::string& text, const Lug& lug, const EdgeFrame& e) {
    const std::vector<Vec2>& shape = placer.lugs[&lug - placer.net.lugs.data()];
    Vec2 centre{(shape[0].x + shape[1].x + shape[2].x + shape[3].x) / 4,
                (shape[0].y + shape[1].y + shape[2].y + shape[3].y) / 4};
    for (double size = startSize(e.length); size >= kGlueSizeMin - 1e-9; size -= kSizeStep) {
        Label probe = makeLabel(text, LabelKind::Glue, LabelFont::Regular, size, centre, e.angle);
        auto box = cornersOf(probe);
        if (insideConvex(box, shape, kLineClearance) && clearOfShapes(placer.faces, box, nullptr) &&
            clearOfShapes(placer.lugs, box, &shape) && clearOfLabels(placer, box)) {
            probe.spot = LabelSpot::Lug;
            accept(placer, probe);
            return true;
        }
    }
    return false;
}

// Off the edge, outwards, as close as the net allows. Always succeeds: far
// enough out nothing of the net is left.
void placeBeside(Placer& placer, const std::string& text, const EdgeFrame& e) {
    Box netBox;
    for (const auto& shape : placer.faces) netBox.add(boxOf(shape));
    for (const auto& shape : placer.lugs) netBox.add(boxOf(shape));
    for (const Box& b : placer.labelBoxes) netBox.add(b);
    double reach = std::hypot(netBox.width(), netBox.height()) + 4 * kGlueSizeMax;
    Label probe = makeLabel(text, LabelKind::Glue, LabelFont::Regular, kGlueSizeMin + 0.5, {},
                            e.angle);
    probe.spot = LabelSpot::Beside;
    Vec2 out{-e.inward.x, -e.inward.y};
    for (double d = kEdgeOffset; ; d += 0.25) {
        double off = d + probe.height / 2;
        probe.centre = {e.mid.x + out.x * off, e.mid.y + out.y * off};
        auto box = cornersOf(probe);
        if (d > reach || (clearOfShapes(placer.faces, box, nullptr) &&
                          clearOfShapes(placer.lugs, box, nullptr) && clearOfLabels(placer, box)))
            break;
    }
    accept(placer, probe);
}

void placeGlueLabel(Placer& placer, unsigned f, int k) {
    const Face& face = placer.net.faces[f];
    std::string text = std::to_string(face.glue[k]);
    EdgeFrame e = edgeFrame(face, k);
    if (tryInFace(placer, text, f, e))
        return;
    const Lug* lug = findLug(placer.net, f, k);
    if (lug && tryOnLug(placer, text, *lug, e))
        return;
    placeBeside(placer, text, e);
}

}  // namespace

std::array<Vec2, 4> labelCorners(const Label& label) {
    double c = std::cos(label.angle), s = std::sin(label.angle);
    double hw = label.width / 2, hh = label.height / 2;
    auto at = [&](double u, double v) {
        return Vec2{label.centre.x + u * c - v * s, label.centre.y + u * s + v * c};
    };
    return {at(-hw, -hh), at(hw, -hh), at(hw, hh), at(-hw, hh)};
}

Label makeLabel(std::string text, LabelKind kind, LabelFont font, double size, Vec2 centre,
                double angle) {
    Label label;
    TextBox ink = measureText(text, size, font);
    label.text = std::move(text);
    label.kind = kind;
    label.font = font;
    label.size = size;
    label.centre = centre;
    label.angle = uprightAngle(angle);
    label.width = ink.width;
    label.height = ink.height;
    return label;
}

std::vector<Label> placeGlueLabels(const Net& net) {
    Placer placer{net, {}, {}, {}, {}};
    for (const Face& face : net.faces)
        placer.faces.push_back({face.p[0], face.p[1], face.p[2]});
    for (const Lug& lug : net.lugs)
        placer.lugs.push_back({lug.p[0], lug.p[1], lug.p[2], lug.p[3]});
    for (unsigned f = 0; f < net.faces.size(); ++f)
        for (int k = 0; k < 3; ++k)
            if (net.faces[f].kind[k] == EdgeKind::Cut && net.faces[f].glue[k] > 0)
                placeGlueLabel(placer, f, k);
    return std::move(placer.labels);
}

}  // namespace sheet
