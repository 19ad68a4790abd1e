#include "render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "outline.h"

namespace sheet {

namespace {

constexpr double kCutWidth = 0.3;  // mm
constexpr double kFoldWidth = 0.25;
constexpr double kSeamWidth = 0.1;  // hides hairline gaps between filled faces
constexpr double kTickHalf = 1.2;   // a seam's end tick reaches this far either side of the outline
const Colour kPaper{1.0, 1.0, 1.0};
const Colour kLugFill{0.93, 0.93, 0.93};
const Colour kLugHatch{0.62, 0.62, 0.62};
constexpr double kHatchSpacing = 1.2;  // mm
constexpr double kHatchWidth = 0.12;
// The assembly map: the outlines of its pieces, and the resolution it is
// printed at.
constexpr double kMapOutlineWidth = 0.12;
constexpr double kMapDotsPerInch = 300.0;
const Colour kMapOutline{0.2, 0.2, 0.2};
const Colour kMountainInk{0.75, 0.1, 0.1};
const Colour kValleyInk{0.1, 0.25, 0.75};

Vec2 pt(Vec2 mm) {
    return {mm.x * kPointsPerMm, mm.y * kPointsPerMm};
}

void moveTo(cairo_t* cr, Vec2 mm) {
    Vec2 p = pt(mm);
    cairo_move_to(cr, p.x, p.y);
}

void lineTo(cairo_t* cr, Vec2 mm) {
    Vec2 p = pt(mm);
    cairo_line_to(cr, p.x, p.y);
}

void polygonPath(cairo_t* cr, const Vec2* points, int count) {
    moveTo(cr, points[0]);
    for (int i = 1; i < count; ++i)
        lineTo(cr, points[i]);
    cairo_close_path(cr);
}

void setColour(cairo_t* cr, Colour c) {
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

const Material* materialOf(const Sheet& sheet, const Face& face) {
    return face.material >= 0 && size_t(face.material) < sheet.materials.size()
               ? &sheet.materials[face.material]
               : nullptr;
}

// Faces without a colour of their own print as plain paper: the default
// material's grey would only hide the fold lines and cost ink.
Colour fillOf(const Sheet& sheet, const Face& face) {
    const Material* material = materialOf(sheet, face);
    return material && !material->isDefault ? material->colour : kPaper;
}

// Faces of one colour are filled as one shape, which leaves no seams; faces
// in the paper's colour are left as paper, textured ones to the net's picture.
void drawFaces(cairo_t* cr, const Sheet& sheet, const Net& net, TextureCache& textures) {
    std::map<std::array<double, 3>, std::vector<const Face*>> byColour;
    for (const Face& face : net.faces) {
        if (printsTextured(sheet, face, textures))
            continue;
        Colour c = fillOf(sheet, face);
        byColour[{c.r, c.g, c.b}].push_back(&face);
    }
    for (const auto& [colour, faces] : byColour) {
        if (colour[0] == kPaper.r && colour[1] == kPaper.g && colour[2] == kPaper.b)
            continue;  // the paper's own colour: nothing to print
        cairo_set_source_rgb(cr, colour[0], colour[1], colour[2]);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        for (const Face* face : faces)
            polygonPath(cr, face->p, 3);
        cairo_fill(cr);
    }
}

// Numbers on a dark face print white, so they stay legible.
Colour inkFor(const Sheet& sheet, const Net& net, const Label& label) {
    if (label.face < 0 || size_t(label.face) >= net.faces.size())
        return {0, 0, 0};
    Colour c = fillOf(sheet, net.faces[label.face]);
    double luminance = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    return luminance < 0.45 ? Colour{1, 1, 1} : Colour{0, 0, 0};
}

auto runKey(const InkedLabel& l) {
    return std::make_tuple(int(l.label->font), l.label->size, l.ink.r, l.ink.g, l.ink.b);
}

void drawLabels(cairo_t* cr, const std::vector<InkedLabel>& labels) {
    cairo_matrix_t page;
    cairo_get_matrix(cr, &page);
    const InkedLabel* styled = nullptr;  // the label whose font and ink are set
    for (const InkedLabel& inked : labels) {
        const Label& label = *inked.label;
        double size = label.size * kPointsPerMm;
        if (label.text.empty() || !(size > 0.0))
            continue;
        if (!styled || runKey(*styled) != runKey(inked)) {
            cairo_set_matrix(cr, &page);
            selectLabelFont(cr, size, label.font);
            setColour(cr, inked.ink);
            styled = &inked;
        }
        // The user space turns, not the glyphs, which keeps their outlines exact.
        Vec2 c = pt(label.centre);
        cairo_matrix_t at = page;
        cairo_matrix_translate(&at, c.x, c.y);
        cairo_matrix_rotate(&at, label.angle);
        cairo_set_matrix(cr, &at);
        std::vector<cairo_glyph_t> glyphs = centredGlyphs(label.text, size, label.font);
        cairo_show_glyphs(cr, glyphs.data(), int(glyphs.size()));
    }
    cairo_set_matrix(cr, &page);
}

// A polygon that winds the same way whatever the order of its corners, so
// overlapping tabs in one path never cancel each other out.
void windingPolygonPath(cairo_t* cr, const Vec2* points, int count) {
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
        Vec2 a = points[i], b = points[(i + 1) % count];
        area += a.x * b.y - b.x * a.y;
    }
    if (area >= 0.0) {
        polygonPath(cr, points, count);
        return;
    }
    moveTo(cr, points[count - 1]);
    for (int i = count - 2; i >= 0; --i)
        lineTo(cr, points[i]);
    cairo_close_path(cr);
}

void segment(cairo_t* cr, Vec2 a, Vec2 b) {
    moveTo(cr, a);
    lineTo(cr, b);
}

// Tabs are shaded with diagonal hatching, so they never pass for a face. All
// tabs of a page are one fill and one stroke: a clip group per tab is what
// makes a page slow to write and to view.
// A tab that shows its partner's texture is the net picture's.
void drawLugs(cairo_t* cr, const Sheet& sheet, const Page& page, Pictures& pictures) {
    std::vector<Segment> hatch;
    for (const PlacedNet& placed : page.nets)
        for (const Lug& lug : placed.geometry.lugs) {
            if (tabPrintsTextured(sheet, placed.geometry, lug, pictures))
                continue;
            windingPolygonPath(cr, lug.p, 4);
            appendHatch(lug, hatch);
        }
    setColour(cr, kLugFill);
    cairo_fill(cr);
    for (const Segment& s : hatch)
        segment(cr, s.first, s.second);
    setColour(cr, kLugHatch);
    cairo_set_line_width(cr, kHatchWidth * kPointsPerMm);
    cairo_stroke(cr);
}

// The assembly map in painter's order: each face filled, then the piece
// outlines it carries, which nearer faces drawn later may cover. Drawn as one
// picture: a large model's hundred thousand faces drawn one by one make a
// document slow to write and to view.
void drawMapFaces(cairo_t* cr, const Page& page) {
    if (page.mapFaces.empty())
        return;
    Box box;
    for (const MapFace& face : page.mapFaces)
        for (Vec2 p : face.p)
            box.add(p);
    double pixelsPerPoint = kMapDotsPerInch / 72.0;
    int width = int(std::ceil(box.width() * kPointsPerMm * pixelsPerPoint)) + 2;
    int height = int(std::ceil(box.height() * kPointsPerMm * pixelsPerPoint)) + 2;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* ic = cairo_create(image);
    cairo_set_source_rgb(ic, 1, 1, 1);
    cairo_paint(ic);
    cairo_scale(ic, pixelsPerPoint, pixelsPerPoint);
    cairo_translate(ic, -box.minX * kPointsPerMm + 1 / pixelsPerPoint,
                    -box.minY * kPointsPerMm + 1 / pixelsPerPoint);
    cairo_set_line_join(ic, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(ic, kMapOutlineWidth * kPointsPerMm);
    for (const MapFace& face : page.mapFaces) {
        // Fills without smoothing meet without a seam between them.
        polygonPath(ic, face.p, 3);
        setColour(ic, face.fill);
        cairo_set_antialias(ic, CAIRO_ANTIALIAS_NONE);
        cairo_fill(ic);
        cairo_set_antialias(ic, CAIRO_ANTIALIAS_DEFAULT);
        if (!face.outline[0] && !face.outline[1] && !face.outline[2])
            continue;
        for (int k = 0; k < 3; ++k)
            if (face.outline[k])
                segment(ic, face.p[k], face.p[(k + 1) % 3]);
        setColour(ic, kMapOutline);
        cairo_stroke(ic);
    }
    cairo_destroy(ic);
    cairo_surface_mark_dirty(image);
    cairo_save(cr);
    cairo_translate(cr, box.minX * kPointsPerMm - 1 / pixelsPerPoint,
                    box.minY * kPointsPerMm - 1 / pixelsPerPoint);
    cairo_scale(cr, 1 / pixelsPerPoint, 1 / pixelsPerPoint);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

void drawFacesAndTabs(cairo_t* cr, const Sheet& sheet, const Page& page, Pictures& pictures) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    drawMapFaces(cr, page);
    // A net's picture may reach a little way under its tabs; the tabs cover it.
    for (const PlacedNet& placed : page.nets)
        drawNetPicture(cr, sheet, placed.geometry, page.clip, page.width, page.height, pictures);
    drawLugs(cr, sheet, page, pictures);
    for (const PlacedNet& placed : page.nets)
        drawFaces(cr, sheet, placed.geometry, pictures.textures);
}

// The outline, joined up so that a cutter follows it without lifting.
void cutPath(cairo_t* cr, const Net& net) {
    for (const std::vector<Vec2>& line : chainSegments(cutSegments(net))) {
        Vec2 first = line.front(), last = line.back();
        bool closed = line.size() > 2 && std::hypot(first.x - last.x, first.y - last.y) < 1e-3;
        moveTo(cr, first);
        for (size_t i = 1; i + (closed ? 1 : 0) < line.size(); ++i)
            lineTo(cr, line[i]);
        if (closed)
            cairo_close_path(cr);
    }
}

// Each fold once, though both of its faces list it.
void foldPath(cairo_t* cr, const Net& net, EdgeKind kind) {
    std::set<int> drawn;
    for (const Face& face : net.faces)
        for (int k = 0; k < 3; ++k)
            if (face.kind[k] == kind && drawn.insert(face.edgeId[k]).second)
                segment(cr, face.p[k], face.p[(k + 1) % 3]);
    // A tab folds away from the printed side, like a convex edge.
    if (kind == EdgeKind::Mountain)
        for (const Lug& lug : net.lugs)
            if (net.faces[lug.face].kind[lug.edge] == EdgeKind::Cut)
                segment(cr, lug.p[0], lug.p[1]);
}

void setDash(cairo_t* cr, EdgeKind kind) {
    static const double valley[] = {3.0 * kPointsPerMm, 1.5 * kPointsPerMm};
    static const double mountain[] = {4.0 * kPointsPerMm, 1.2 * kPointsPerMm, 0.6 * kPointsPerMm,
                                      1.2 * kPointsPerMm};
    if (kind == EdgeKind::Valley)
        cairo_set_dash(cr, valley, 2, 0.0);
    else if (kind == EdgeKind::Mountain)
        cairo_set_dash(cr, mountain, 4, 0.0);
    else
        cairo_set_dash(cr, nullptr, 0, 0.0);
}

void drawLines(cairo_t* cr, const Page& page, EdgeKind kind) {
    cairo_save(cr);
    setDash(cr, kind);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, (kind == EdgeKind::Cut ? kCutWidth : kFoldWidth) * kPointsPerMm);
    setColour(cr, kind == EdgeKind::Cut        ? Colour{0, 0, 0}
                  : kind == EdgeKind::Mountain ? kMountainInk
                                               : kValleyInk);
    // One path per net, so a cutter sees each net's outline as one object.
    for (const PlacedNet& placed : page.nets) {
        if (kind == EdgeKind::Cut)
            cutPath(cr, placed.geometry);
        else
            foldPath(cr, placed.geometry, kind);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

// At most four points, so a plain insertion sort.
void sortAlongHatch(Vec2* points, int count) {
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && points[j].x > points[j - 1].x; --j)
            std::swap(points[j], points[j - 1]);
}

}  // namespace

// Thin lines from numbers that found no room at their edge to its middle,
// and the ticks that mark where seams start and end.
void drawMarks(cairo_t* cr, const Page& page) {
    setColour(cr, {0, 0, 0});
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    bool any = false;
    for (const PlacedNet& placed : page.nets)
        for (const Label& label : placed.labels)
            if (label.leader) {
                Vec2 a = pt(label.leaderFrom), b = pt(label.leaderTo);
                cairo_move_to(cr, a.x, a.y);
                cairo_line_to(cr, b.x, b.y);
                any = true;
            }
    if (any) {
        cairo_set_line_width(cr, kLeaderWidth * kPointsPerMm);
        cairo_stroke(cr);
    }
    std::vector<Segment> ticks = seamTicks(page);
    for (const Segment& tick : ticks) {
        Vec2 a = pt(tick.first), b = pt(tick.second);
        cairo_move_to(cr, a.x, a.y);
        cairo_line_to(cr, b.x, b.y);
    }
    if (!ticks.empty()) {
        cairo_set_line_width(cr, kTickWidth * kPointsPerMm);
        cairo_stroke(cr);
    }
    for (const Segment& mark : page.alignMarks)
        segment(cr, mark.first, mark.second);
    if (!page.alignMarks.empty()) {
        cairo_set_line_width(cr, kAlignMarkWidth * kPointsPerMm);
        cairo_stroke(cr);
    }
}

std::vector<InkedLabel> pageLabels(const Sheet& sheet, const Page& page) {
    std::vector<InkedLabel> labels;
    for (const PlacedNet& placed : page.nets)
        for (const Label& label : placed.labels)
            labels.push_back({&label, inkFor(sheet, placed.geometry, label)});
    for (const Label& label : page.mapLabels)
        labels.push_back({&label, {0, 0, 0}});
    if (page.clip.empty())
        labels.push_back({&page.number, {0, 0, 0}});
    std::stable_sort(labels.begin(), labels.end(), [](const InkedLabel& a, const InkedLabel& b) {
        return runKey(a) < runKey(b);
    });
    return labels;
}

std::vector<InkedLabel> footerLabels(const Page& page) {
    if (page.clip.empty())
        return {};
    return {{&page.caption, {0, 0, 0}}, {&page.number, {0, 0, 0}}};
}

void appendHatch(const Lug& lug, std::vector<Segment>& out) {
    double minX = lug.p[0].x, maxX = minX, minY = lug.p[0].y, maxY = minY;
    for (Vec2 p : lug.p) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    double span = (maxX - minX) + (maxY - minY);
    // Lines x + y = c across the box. Taken in order along a line, the points
    // where it crosses the tab's sides are where it enters and leaves the tab.
    for (double d = 0.0; d <= span; d += kHatchSpacing) {
        double c = minX + d + minY;
        Vec2 crossings[4];
        int count = 0;
        for (int i = 0; i < 4; ++i) {
            Vec2 a = lug.p[i], b = lug.p[(i + 1) % 4];
            double sa = a.x + a.y - c, sb = b.x + b.y - c;
            if ((sa < 0.0) == (sb < 0.0))
                continue;
            double t = sa / (sa - sb);
            crossings[count++] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        }
        sortAlongHatch(crossings, count);
        for (int i = 0; i + 1 < count; i += 2)
            if (crossings[i].x != crossings[i + 1].x)
                out.push_back({crossings[i], crossings[i + 1]});
    }
}

std::vector<Segment> seamTicks(const Page& page) {
    std::vector<Segment> ticks;
    for (const PlacedNet& placed : page.nets)
        for (const Face& face : placed.geometry.faces)
            for (int k = 0; k < 3; ++k) {
                if (!face.seamStart[k] && !face.seamEnd[k])
                    continue;
                Vec2 a = face.p[k], b = face.p[(k + 1) % 3];
                double length = std::hypot(b.x - a.x, b.y - a.y);
                if (!(length > 0.0))
                    continue;
                Vec2 across{-(b.y - a.y) / length * kTickHalf, (b.x - a.x) / length * kTickHalf};
                for (Vec2 at : {a, b})
                    if ((at.x == a.x && at.y == a.y) ? face.seamStart[k] : face.seamEnd[k])
                        ticks.push_back({{at.x - across.x, at.y - across.y},
                                         {at.x + across.x, at.y + across.y}});
            }
    return ticks;
}

void drawPage(cairo_t* cr, const Sheet& sheet, const Page& page, unsigned layers,
              Pictures& pictures) {
    bool clipped = !page.clip.empty();
    if (clipped) {
        cairo_save(cr);
        Vec2 corner = pt({page.clip.minX, page.clip.minY});
        cairo_rectangle(cr, corner.x, corner.y, page.clip.width() * kPointsPerMm,
                        page.clip.height() * kPointsPerMm);
        cairo_clip(cr);
    }
    if (layers & kLayerFaces)
        drawFacesAndTabs(cr, sheet, page, pictures);
    // Nets lie apart, so their numbers may as well come after every face.
    if (layers & kLayerNumbers) {
        drawMarks(cr, page);
        drawLabels(cr, pageLabels(sheet, page));
    }
    if (layers & kLayerCut)
        drawLines(cr, page, EdgeKind::Cut);
    if (layers & kLayerMountain)
        drawLines(cr, page, EdgeKind::Mountain);
    if (layers & kLayerValley)
        drawLines(cr, page, EdgeKind::Valley);
    if (!clipped)
        return;
    cairo_restore(cr);
    if (layers & kLayerNumbers)
        drawLabels(cr, footerLabels(page));
}

}  // namespace sheet
