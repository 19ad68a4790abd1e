#include "net_picture.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include <jpeglib.h>
#include <clipper.hpp>

#include "outline.h"
#include "render.h"

namespace sheet {

namespace {

constexpr double kMmPerInch = 25.4;
// A picture larger than this prints at a lower resolution: a net on a page
// the size of a wall would otherwise take gigabytes.
constexpr double kMaxPicturePixels = 36e6;  // an A1 page at 300 dpi
// Pixels this close to a textured face, in pixels, take its texture too, so
// that faces and their clip meet without a hairline of paper between them.
constexpr double kFaceGrowPixels = 0.75;
// A bleed goes round a corner of the outline as a polygon of this many sides.
constexpr int kBleedCornerSides = 8;
// A bleed pixel takes the colour this far (mm) inside the cut edge.
constexpr double kBleedInset = 0.05;
// A face smaller than this on paper (mm², twice its area) gives no map.
constexpr double kLeastPaperArea = 1e-9;
// The clip's outline is worked out in whole units of this many per mm, its
// rounds kept this close to true circles (mm).
constexpr double kClipUnits = 1e5;
constexpr double kBleedRoundness = 0.01;
// High enough that no print shows it; a photograph keeps a tenth of its size.
constexpr int kJpegQuality = 90;

// Page millimetres to the texture's (u, v).
struct UvMap {
    double ux, uy, u0;
    double vx, vy, v0;
};

bool uvMap(const Vec2 p[3], const Vec2 uv[3], UvMap& out) {
    double p1x = p[1].x - p[0].x, p1y = p[1].y - p[0].y;
    double p2x = p[2].x - p[0].x, p2y = p[2].y - p[0].y;
    double detP = p1x * p2y - p2x * p1y;
    double u1 = uv[1].x - uv[0].x, v1 = uv[1].y - uv[0].y;
    double u2 = uv[2].x - uv[0].x, v2 = uv[2].y - uv[0].y;
    // UVs in a line (or one point) squash the texture onto the face, as a
    // renderer shows it; only a face without area on paper has no map.
    if (std::fabs(detP) < kLeastPaperArea)
        return false;
    // [uv1 uv2] * inverse([p1 p2])
    double ixx = p2y / detP, ixy = -p2x / detP, iyx = -p1y / detP, iyy = p1x / detP;
    out.ux = u1 * ixx + u2 * iyx;
    out.uy = u1 * ixy + u2 * iyy;
    out.vx = v1 * ixx + v2 * iyx;
    out.vy = v1 * ixy + v2 * iyy;
    out.u0 = uv[0].x - (out.ux * p[0].x + out.uy * p[0].y);
    out.v0 = uv[0].y - (out.vx * p[0].x + out.vy * p[0].y);
    return true;
}

// A texture's pixels as premultiplied ARGB words, whatever cairo keeps.
struct Texels {
    const unsigned char* data = nullptr;
    int width = 0, height = 0, stride = 0;
    bool opaque = true;  // the alpha byte is unused
    double perWidth = 0.0, perHeight = 0.0;

    uint32_t at(int x, int y) const {
        uint32_t word;
        std::memcpy(&word, data + size_t(y) * size_t(stride) + size_t(x) * 4, 4);
        return opaque ? word | 0xff000000u : word;
    }
};

Texels texelsOf(cairo_surface_t* image) {
    cairo_surface_flush(image);
    Texels t{cairo_image_surface_get_data(image), cairo_image_surface_get_width(image),
             cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image),
             cairo_image_surface_get_format(image) == CAIRO_FORMAT_RGB24};
    if (t.width > 0 && t.height > 0) {
        t.perWidth = 1.0 / t.width;
        t.perHeight = 1.0 / t.height;
    }
    return t;
}

// Bilinear at texel coordinates (pixel centres at whole numbers plus a
// half), the texture repeated beyond its sides as a renderer does. In fixed
// point and without a division: a page holds millions of these.
uint32_t sampleTexel(const Texels& t, double x, double y) {
    constexpr int kSteps = 256;  // of a texel, between neighbours
    // brought into the texture, which repeats
    x -= std::floor(x * t.perWidth) * t.width;
    y -= std::floor(y * t.perHeight) * t.height;
    int fx = int(x * kSteps), fy = int(y * kSteps);
    int ax = fx & (kSteps - 1), ay = fy & (kSteps - 1);
    int x0 = std::min(fx >> 8, t.width - 1), y0 = std::min(fy >> 8, t.height - 1);
    int x1 = x0 + 1 == t.width ? 0 : x0 + 1, y1 = y0 + 1 == t.height ? 0 : y0 + 1;
    // The four channels side by side in 16-bit lanes: each step below is
    // one multiply for all of them.
    auto spread = [](uint32_t c) {
        uint64_t w = c;
        return (w & 0xffu) | (w & 0xff00u) << 8 | (w & 0xff0000u) << 16 | (w & 0xff000000u) << 24;
    };
    constexpr uint64_t kLanes = 0x00ff00ff00ff00ffu, kHalf = 0x0080008000800080u;
    auto mix = [&](uint64_t a, uint64_t b, uint64_t weight) {
        return ((a * (kSteps - weight) + b * weight + kHalf) >> 8) & kLanes;
    };
    uint64_t top = mix(spread(t.at(x0, y0)), spread(t.at(x1, y0)), uint64_t(ax));
    uint64_t bottom = mix(spread(t.at(x0, y1)), spread(t.at(x1, y1)), uint64_t(ax));
    uint64_t both = mix(top, bottom, uint64_t(ay));
    return uint32_t((both & 0xffu) | (both >> 8 & 0xff00u) | (both >> 16 & 0xff0000u) |
                    (both >> 24 & 0xff000000u));
}

// A premultiplied colour over white paper, as an opaque pixel.
uint32_t overPaper(uint32_t argb) {
    uint32_t clear = 255 - (argb >> 24);
    uint32_t out = 0xff000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= std::min(255u, ((argb >> shift) & 0xff) + clear) << shift;
    return out;
}

// A convex polygon painted with one texture through one map.
struct Piece {
    std::vector<Vec2> corners;
    cairo_surface_t* image = nullptr;
    Texels texels;  // of the halving of `image` it samples
    UvMap map;
    // A bleed: each pixel takes the colour of the face's nearest point just
    // inside this edge, since past its UVs the texture holds other things
    // (the next part of an atlas, the eye beside the cheek).
    bool bleed = false;
    Vec2 edgeFrom, edgeTo, inward;
};

// What a pixel's centre lies in.
enum Cover : unsigned char { kOpen = 0, kTexturedFace = 1, kPlainFace = 2 };

class Canvas {
public:
    Canvas(const Box& box, double pixelsPerMm)
        : box_(box),
          perMm_(pixelsPerMm),
          width_(std::max(1, int(std::ceil(box.width() * pixelsPerMm)))),
          height_(std::max(1, int(std::ceil(box.height() * pixelsPerMm)))),
          cover_(size_t(width_) * size_t(height_), kOpen) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Opaque and white where nothing is painted: the picture is clipped to
    // what it paints, a plain face in its box is paper or is filled after it,
    // and an image without alpha is one stream in a PDF, not two.
    bool start() {
        image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
        if (cairo_surface_status(image_) != CAIRO_STATUS_SUCCESS)
            return false;
        cairo_surface_flush(image_);
        data_ = cairo_image_surface_get_data(image_);
        stride_ = cairo_image_surface_get_stride(image_);
        std::memset(data_, 0xff, size_t(stride_) * size_t(height_));
        return true;
    }
    cairo_surface_t* finish() {
        cairo_surface_mark_dirty(image_);
        cairo_surface_t* image = image_;
        image_ = nullptr;
        return image;
    }
    ~Canvas() {
        if (image_)
            cairo_surface_destroy(image_);
    }

    void markCover(const Vec2 (&p)[3], Cover cover) {
        forEachSpan(std::span<const Vec2>(p, 3), 0.0, [&](int y, int x0, int x1, double) {
            std::memset(&cover_[index(x0, y)], cover, size_t(x1 - x0 + 1));
        });
    }

    // Paints a textured face and marks its pixels as its own.
    void paintFace(const Piece& face) {
        forEachSpan(face.corners, 0.0, [&](int y, int x0, int x1, double my) {
            std::memset(&cover_[index(x0, y)], kTexturedFace, size_t(x1 - x0 + 1));
            paintSpan(face, y, x0, x1, my, false);
        });
    }

    // Paints the piece where no face's pixel is.
    void paintOpen(const Piece& piece) {
        forEachSpan(piece.corners, 0.0, [&](int y, int x0, int x1, double my) {
            paintSpan(piece, y, x0, x1, my, true);
        });
    }

private:
    // The texture's pixel coordinates step evenly along a row.
    void paintSpan(const Piece& piece, int y, int x0, int x1, double my, bool openOnly) {
        const UvMap& m = piece.map;
        const Texels& t = piece.texels;
        double mx = box_.minX + (x0 + 0.5) / perMm_;
        if (piece.bleed) {
            paintBleedSpan(piece, y, x0, x1, mx, my);
            return;
        }
        double tx = (m.ux * mx + m.uy * my + m.u0) * t.width - 0.5;
        double ty = (1.0 - (m.vx * mx + m.vy * my + m.v0)) * t.height - 0.5;
        double stepX = m.ux / perMm_ * t.width, stepY = -m.vx / perMm_ * t.height;
        auto* row = reinterpret_cast<unsigned char*>(data_ + size_t(y) * size_t(stride_));
        const unsigned char* cover = &cover_[index(0, y)];
        for (int x = x0; x <= x1; ++x, tx += stepX, ty += stepY) {
            if (openOnly && cover[x] != kOpen)
                continue;
            uint32_t colour = sampleTexel(t, tx, ty);
            if (!t.opaque)
                colour = overPaper(colour);
            std::memcpy(row + size_t(x) * 4, &colour, 4);
        }
    }

    void paintBleedSpan(const Piece& piece, int y, int x0, int x1, double mx, double my) {
        const UvMap& m = piece.map;
        const Texels& t = piece.texels;
        Vec2 a = piece.edgeFrom, d{piece.edgeTo.x - a.x, piece.edgeTo.y - a.y};
        double length2 = d.x * d.x + d.y * d.y;
        auto* row = reinterpret_cast<unsigned char*>(data_ + size_t(y) * size_t(stride_));
        const unsigned char* cover = &cover_[index(0, y)];
        for (int x = x0; x <= x1; ++x, mx += 1.0 / perMm_) {
            if (cover[x] != kOpen)
                continue;
            double along = std::clamp(((mx - a.x) * d.x + (my - a.y) * d.y) / length2, 0.0, 1.0);
            double qx = a.x + along * d.x + piece.inward.x * kBleedInset,
                   qy = a.y + along * d.y + piece.inward.y * kBleedInset;
            uint32_t colour = sampleTexel(t, (m.ux * qx + m.uy * qy + m.u0) * t.width - 0.5,
                                          (1.0 - (m.vx * qx + m.vy * qy + m.v0)) * t.height - 0.5);
            if (!t.opaque)
                colour = overPaper(colour);
            std::memcpy(row + size_t(x) * 4, &colour, 4);
        }
    }

    size_t index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }

    // Calls visit(y, x0, x1, mmY) for each run of pixels in a row whose
    // centres lie in the convex polygon grown by `grow` mm; the polygon may
    // wind either way.
    template <typename Visit>
    void forEachSpan(std::span<const Vec2> polygon, double grow, Visit&& visit) const {
        constexpr size_t kMostCorners = 8;
        assert(polygon.size() <= kMostCorners);
        double sign = signedArea(polygon) >= 0.0 ? 1.0 : -1.0;
        Box bounds = boxOf(polygon);
        int y0 = std::max(0, int(std::floor((bounds.minY - grow - box_.minY) * perMm_ - 0.5)));
        int y1 = std::min(height_ - 1, int(std::ceil((bounds.maxY + grow - box_.minY) * perMm_)));
        // Each edge keeps the centre on its inner side, at most `grow`
        // outside: along a row, c0 + c1 x >= -slack bounds x.
        struct Side {
            double ax, ay, dx, slack, c1;
        } sides[kMostCorners];
        size_t n = polygon.size();
        for (size_t i = 0; i < n; ++i) {
            Vec2 a = polygon[i], b = polygon[(i + 1) % n];
            double dx = b.x - a.x, dy = b.y - a.y;
            sides[i] = {a.x, a.y, sign * dx, grow * std::hypot(dx, dy), -sign * dy};
        }
        double inverse = 1.0 / perMm_;
        for (int y = y0; y <= y1; ++y) {
            double my = box_.minY + (y + 0.5) * inverse;
            double lo = bounds.minX - grow, hi = bounds.maxX + grow;
            for (size_t i = 0; i < n && lo <= hi; ++i) {
                const Side& e = sides[i];
                double c0 = e.dx * (my - e.ay) - e.c1 * e.ax;
                if (e.c1 > 0)
                    lo = std::max(lo, (-e.slack - c0) / e.c1);
                else if (e.c1 < 0)
                    hi = std::min(hi, (-e.slack - c0) / e.c1);
                else if (c0 < -e.slack)
                    hi = lo - 1;
            }
            if (lo > hi)
                continue;
            int x0 = std::max(0, int(std::ceil((lo - box_.minX) * perMm_ - 0.5)));
            int x1 = std::min(width_ - 1, int(std::floor((hi - box_.minX) * perMm_ - 0.5)));
            if (x0 <= x1)
                visit(y, x0, x1, my);
        }
    }

    Box box_;
    double perMm_;
    int width_, height_;
    std::vector<unsigned char> cover_;
    cairo_surface_t* image_ = nullptr;
    unsigned char* data_ = nullptr;
    int stride_ = 0;
};

void freeJpeg(void* data) {
    std::free(data);
}

// libjpeg ends the process on an error unless it can jump back out.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

// The picture's JPEG, which cairo's PDF writer then embeds as it is; a
// picture libjpeg cannot take stays lossless.
void attachJpeg(cairo_surface_t* image) {
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr common) {
        std::longjmp(reinterpret_cast<JpegErrors*>(common->err)->back, 1);
    };
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(cairo_image_surface_get_width(image));
    info.image_height = JDIMENSION(cairo_image_surface_get_height(image));
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;  // cairo's RGB24 words, little-endian
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = data + size_t(info.next_scanline) * size_t(stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (cairo_surface_set_mime_data(image, CAIRO_MIME_TYPE_JPEG, out, size, freeJpeg, out) !=
        CAIRO_STATUS_SUCCESS)
        std::free(out);
}

const Material* materialOf(const Sheet& sheet, const Face& face) {
    return face.material >= 0 && size_t(face.material) < sheet.materials.size()
               ? &sheet.materials[face.material]
               : nullptr;
}

// The face's texture and map from page millimetres, if it prints textured.
bool texturedPiece(const Sheet& sheet, const Face& face, TextureCache& textures, Piece& piece) {
    const Material* material = materialOf(sheet, face);
    if (!material || !face.hasUv)
        return false;
    cairo_surface_t* image = textures.get(*material);
    if (!image || !uvMap(face.p, face.uv, piece.map))
        return false;
    piece.image = image;
    piece.texels = texelsOf(image);
    if (!piece.texels.data || piece.texels.width <= 0 || piece.texels.height <= 0)
        return false;
    piece.corners.assign(face.p, face.p + 3);
    return true;
}

// The halving of the piece's texture with one to two of its pixels to a
// printed pixel, or the texture itself when it prints larger.
void chooseHalving(Piece& piece, double pixelsPerMm, TextureCache& textures) {
    const UvMap& m = piece.map;
    double w = piece.texels.width, h = piece.texels.height;
    double perPixel =
        std::max(std::hypot(m.ux * w, m.vx * h), std::hypot(m.uy * w, m.vy * h)) / pixelsPerMm;
    if (!(perPixel >= 2.0))
        return;
    const std::vector<cairo_surface_t*>& levels = textures.halvings(piece.image);
    size_t level = std::min(levels.size() - 1, size_t(std::floor(std::log2(perPixel))));
    Texels texels = texelsOf(levels[level]);
    if (texels.data)
        piece.texels = texels;
}

Vec2 outwardNormal(const Face& face, int k) {
    Vec2 a = face.p[k], b = face.p[(k + 1) % 3], c = face.p[(k + 2) % 3];
    double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    Vec2 n{-dy / length, dx / length};
    if (n.x * (c.x - a.x) + n.y * (c.y - a.y) > 0)
        n = {-n.x, -n.y};
    return n;
}

// The strips past the face's cut edges without a tab, and a round at each
// of their ends, all painted with the face's own map.
void addBleed(const Net& net, unsigned faceIndex, const Piece& face, double bleed,
              std::vector<Piece>& out) {
    const Face& f = net.faces[faceIndex];
    for (int k = 0; k < 3; ++k) {
        if (f.kind[k] != EdgeKind::Cut || findLug(net, faceIndex, k))
            continue;
        Vec2 a = f.p[k], b = f.p[(k + 1) % 3];
        if (!(std::hypot(b.x - a.x, b.y - a.y) > 0.0))
            continue;
        Vec2 n = outwardNormal(f, k);
        Piece strip = face;
        strip.bleed = true;
        strip.edgeFrom = a;
        strip.edgeTo = b;
        strip.inward = {-n.x, -n.y};
        strip.corners = {
            a, b, {b.x + n.x * bleed, b.y + n.y * bleed}, {a.x + n.x * bleed, a.y + n.y * bleed}};
        out.push_back(strip);
        for (Vec2 end : {a, b}) {
            Piece round = strip;
            round.corners.clear();
            for (int i = 0; i < kBleedCornerSides; ++i) {
                double angle = 2 * M_PI * i / kBleedCornerSides;
                round.corners.push_back(
                    {end.x + bleed * std::cos(angle), end.y + bleed * std::sin(angle)});
            }
            out.push_back(std::move(round));
        }
    }
}

// The partner face laid across the edge, in this net's frame: its edge's
// ends on this edge's ends the other way round, its third corner beyond
// the edge. Its map then carries its texture onto the tab.
bool partnerPiece(const Sheet& sheet, const Face& face, int k, const Face& partner,
                  TextureCache& textures, Piece& piece) {
    int j = 0;
    while (j < 3 && partner.edgeId[j] != face.edgeId[k])
        ++j;
    if (j == 3 || !texturedPiece(sheet, partner, textures, piece))
        return false;
    Vec2 a = face.p[(k + 1) % 3], b = face.p[k];  // where the partner's edge ends go
    Vec2 pa = partner.p[j], pb = partner.p[(j + 1) % 3], pc = partner.p[(j + 2) % 3];
    double ex = pb.x - pa.x, ey = pb.y - pa.y, el = std::hypot(ex, ey);
    double fx = b.x - a.x, fy = b.y - a.y, fl = std::hypot(fx, fy);
    if (!(el > 0.0) || !(fl > 0.0))
        return false;
    // The third corner in the frame of the partner's edge, then in this one.
    double along = ((pc.x - pa.x) * ex + (pc.y - pa.y) * ey) / el;
    double across = ((pc.y - pa.y) * ex - (pc.x - pa.x) * ey) / el;
    Vec2 n = outwardNormal(face, k);
    double ux = fx / fl, uy = fy / fl;
    Vec2 third{a.x + ux * along * fl / el + n.x * std::fabs(across),
               a.y + uy * along * fl / el + n.y * std::fabs(across)};
    Vec2 placed[3];
    placed[j] = a;
    placed[(j + 1) % 3] = b;
    placed[(j + 2) % 3] = third;
    return uvMap(placed, partner.uv, piece.map);
}

ClipperLib::Path clipperPath(const std::vector<Vec2>& points) {
    ClipperLib::Path path;
    for (Vec2 p : points)
        path.push_back({ClipperLib::cInt(std::llround(p.x * kClipUnits)),
                        ClipperLib::cInt(std::llround(p.y * kClipUnits))});
    return path;
}

// What the picture is clipped to, as outer outlines and holes wound against
// them. Where every face of the net prints textured, that is the net's
// outline (its cut edges end to end, holes and all) grown by the bleed, and
// the textured tabs: quick to work out, and the few pixels it takes past a
// tab's edge lie under the tab, which is drawn after the picture. Otherwise
// it is every piece the picture paints, joined.
ClipperLib::Paths clipOf(const Net& net, bool allTextured, double bleed,
                         const std::vector<Piece>& faces, const std::vector<Piece>& bleeds,
                         const std::vector<Piece>& tabs) {
    auto oriented = [](const std::vector<Vec2>& corners) {
        ClipperLib::Path path = clipperPath(corners);
        if (!ClipperLib::Orientation(path))
            std::reverse(path.begin(), path.end());
        return path;
    };
    ClipperLib::Clipper clipper;
    if (allTextured) {
        std::vector<Segment> cuts;
        for (const Face& f : net.faces)
            for (int k = 0; k < 3; ++k)
                if (!f.joined[k])
                    cuts.push_back({f.p[k], f.p[(k + 1) % 3]});
        ClipperLib::Clipper rings;
        for (const std::vector<Vec2>& ring : chainSegments(cuts))
            rings.AddPath(clipperPath(ring), ClipperLib::ptSubject, true);
        ClipperLib::Paths outline;
        // the rings cross nowhere but at slits: inside is an odd count
        rings.Execute(ClipperLib::ctUnion, outline, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
        if (bleed > 0.0) {
            ClipperLib::ClipperOffset grow;
            grow.ArcTolerance = kBleedRoundness * kClipUnits;
            grow.AddPaths(outline, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
            grow.Execute(outline, bleed * kClipUnits);
        }
        clipper.AddPaths(outline, ClipperLib::ptSubject, true);
    } else {
        for (const std::vector<Piece>* list : {&faces, &bleeds})
            for (const Piece& piece : *list)
                clipper.AddPath(oriented(piece.corners), ClipperLib::ptSubject, true);
    }
    for (const Piece& tab : tabs)
        clipper.AddPath(oriented(tab.corners), ClipperLib::ptSubject, true);
    ClipperLib::Paths clip;
    clipper.Execute(ClipperLib::ctUnion, clip, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return clip;
}

}  // namespace

void Pictures::findPartners(const std::vector<Page>& pages) {
    sides_.clear();
    if (!options.tabTexture)
        return;
    for (const Page& page : pages)
        for (const PlacedNet& placed : page.nets)
            for (const Face& face : placed.geometry.faces)
                for (int k = 0; k < 3; ++k) {
                    if (face.edgeId[k] == kNoEdgeId)
                        continue;
                    std::vector<Side>& sides = sides_[face.edgeId[k]];
                    bool known = std::any_of(sides.begin(), sides.end(), [&](const Side& s) {
                        return s.container == placed.geometry.container &&
                               s.position == face.position;
                    });
                    if (!known)
                        sides.push_back({placed.geometry.container, face.position, &face});
                }
}

const Face* Pictures::partnerOf(unsigned container, const Face& face, int k) const {
    auto found = sides_.find(face.edgeId[k]);
    if (found == sides_.end())
        return nullptr;
    for (const Side& side : found->second)
        if (side.container != container || side.position != face.position)
            return side.face;
    return nullptr;
}

bool printsTextured(const Sheet& sheet, const Face& face, TextureCache& textures) {
    Piece piece;
    return texturedPiece(sheet, face, textures, piece);
}

bool tabPrintsTextured(const Sheet& sheet, const Net& net, const Lug& lug, Pictures& pictures) {
    if (!pictures.options.tabTexture || lug.face >= net.faces.size())
        return false;
    const Face& face = net.faces[lug.face];
    const Face* partner = pictures.partnerOf(net.container, face, lug.edge);
    Piece piece;
    return partner && partnerPiece(sheet, face, lug.edge, *partner, pictures.textures, piece);
}

void drawNetPicture(cairo_t* cr, const Sheet& sheet, const Net& net, const Box& clip,
                    double pageWidth, double pageHeight, Pictures& pictures) {
    const PictureOptions& options = pictures.options;
    std::vector<Piece> faces, bleeds, tabs;
    std::vector<Cover> cover(net.faces.size(), kPlainFace);
    for (unsigned i = 0; i < net.faces.size(); ++i) {
        Piece piece;
        if (!texturedPiece(sheet, net.faces[i], pictures.textures, piece))
            continue;
        cover[i] = kTexturedFace;
        if (options.bleed > 0.0)
            addBleed(net, i, piece, options.bleed, bleeds);
        faces.push_back(std::move(piece));
    }
    if (options.tabTexture)
        for (const Lug& lug : net.lugs) {
            const Face& face = net.faces[lug.face];
            const Face* partner = pictures.partnerOf(net.container, face, lug.edge);
            Piece piece;
            if (!partner ||
                !partnerPiece(sheet, face, lug.edge, *partner, pictures.textures, piece))
                continue;
            piece.corners.assign(lug.p, lug.p + 4);
            tabs.push_back(std::move(piece));
        }
    if (faces.empty() && tabs.empty())
        return;

    Box box;
    for (const auto* list : {&faces, &bleeds, &tabs})
        for (const Piece& piece : *list)
            for (Vec2 p : piece.corners)
                box.add(p);
    Box within = clip.empty() ? Box{0.0, 0.0, pageWidth, pageHeight} : clip;
    box = {std::max(box.minX, within.minX), std::max(box.minY, within.minY),
           std::min(box.maxX, within.maxX), std::min(box.maxY, within.maxY)};
    if (box.empty() || !(box.width() > 0.0) || !(box.height() > 0.0))
        return;
    double perMm = options.dotsPerInch / kMmPerInch;
    double pixels = box.width() * box.height() * perMm * perMm;
    if (pixels > kMaxPicturePixels) {
        perMm *= std::sqrt(kMaxPicturePixels / pixels);
        double lowered = perMm * kMmPerInch;
        if (pictures.loweredDotsPerInch == 0.0 || lowered < pictures.loweredDotsPerInch)
            pictures.loweredDotsPerInch = lowered;
    }
    // Whole pixels from the box's corner, so the picture lies where its
    // pixels were worked out.
    Canvas canvas(box, perMm);
    box.maxX = box.minX + canvas.width() / perMm;
    box.maxY = box.minY + canvas.height() / perMm;
    if (!canvas.start())
        return;
    for (auto* list : {&faces, &bleeds, &tabs})
        for (Piece& piece : *list)
            chooseHalving(piece, perMm, pictures.textures);
    // Faces first, each pixel within one showing that face and no plain
    // face taking another's texture; then open paper: the bleed, the tabs,
    // and the pixels just round each face, so that faces and their clip
    // meet without a hairline of paper between them.
    for (size_t i = 0, next = 0; i < net.faces.size(); ++i) {
        if (cover[i] == kTexturedFace)
            canvas.paintFace(faces[next++]);
        else
            canvas.markCover(net.faces[i].p, kPlainFace);
    }
    for (const Piece& piece : bleeds)
        canvas.paintOpen(piece);
    for (const Piece& piece : tabs)
        canvas.paintOpen(piece);
    // Where two textured faces meet, every pixel already lies in one of
    // them: only the textured region's outline needs its rim.
    std::unordered_map<int, int> texturedSides;
    for (size_t i = 0; i < net.faces.size(); ++i)
        for (int k = 0; cover[i] == kTexturedFace && k < 3; ++k)
            if (net.faces[i].joined[k])
                ++texturedSides[net.faces[i].edgeId[k]];
    double grow = kFaceGrowPixels / perMm;
    for (size_t i = 0, next = 0; i < net.faces.size(); ++i) {
        if (cover[i] != kTexturedFace)
            continue;
        const Piece& face = faces[next++];
        for (size_t k = 0; k < 3; ++k) {
            const Face& f = net.faces[i];
            if (f.joined[k] && texturedSides[f.edgeId[k]] == 2)
                continue;
            Vec2 a = face.corners[k], b = face.corners[(k + 1) % 3];
            double length = std::hypot(b.x - a.x, b.y - a.y);
            if (!(length > 0.0))
                continue;
            Vec2 t{(b.x - a.x) / length * grow, (b.y - a.y) / length * grow};
            Piece rim = face;
            rim.corners = {{a.x - t.x - t.y, a.y - t.y + t.x},
                           {b.x + t.x - t.y, b.y + t.y + t.x},
                           {b.x + t.x + t.y, b.y + t.y - t.x},
                           {a.x - t.x + t.y, a.y - t.y - t.x}};
            canvas.paintOpen(rim);
        }
    }
    cairo_surface_t* image = canvas.finish();
    // A PDF keeps the picture as JPEG, a tenth of what lossless takes of a
    // photograph; an SVG keeps it as PNG.
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_PDF)
        attachJpeg(image);

    cairo_save(cr);
    cairo_new_path(cr);
    // The clip is the outline of all the picture paints, not its thousands
    // of pieces: a page's content stays small and quick to draw.
    bool allTextured =
        std::all_of(cover.begin(), cover.end(), [](Cover c) { return c == kTexturedFace; });
    for (const ClipperLib::Path& outline :
         clipOf(net, allTextured, options.bleed, faces, bleeds, tabs)) {
        for (size_t i = 0; i < outline.size(); ++i) {
            double x = double(outline[i].X) / kClipUnits * kPointsPerMm,
                   y = double(outline[i].Y) / kClipUnits * kPointsPerMm;
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        cairo_close_path(cr);
    }
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
    cairo_translate(cr, box.minX * kPointsPerMm, box.minY * kPointsPerMm);
    double pointsPerPixel = kPointsPerMm / perMm;
    cairo_scale(cr, pointsPerPixel, pointsPerPixel);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

}  // namespace sheet
