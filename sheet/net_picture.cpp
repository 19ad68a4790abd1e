#include "net_picture.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "render.h"

namespace sheet {

namespace {

constexpr double kMmPerInch = 25.4;
// A picture larger than this prints at a lower resolution: a net on a page
// the size of a wall would otherwise take gigabytes.
constexpr double kMaxPicturePixels = 64e6;
// Pixels this close to a textured face, in pixels, take its texture too, so
// that faces and their clip meet without a hairline of paper between them.
constexpr double kFaceGrowPixels = 0.75;
// A bleed goes round a corner of the outline as a polygon of this many sides.
constexpr int kBleedCornerSides = 8;
// Two UV triangles smaller than this (in the texture's unit square) or two
// paper triangles smaller than this (mm²) give no map.
constexpr double kLeastUvArea = 1e-12;
constexpr double kLeastPaperArea = 1e-9;
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
    if (std::fabs(detP) < kLeastPaperArea || std::fabs(u1 * v2 - u2 * v1) < kLeastUvArea)
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

// Bilinear, the texture repeated beyond the unit square as a renderer does;
// v grows upwards, rows downwards. In fixed point, without a division: a
// page holds millions of these.
uint32_t sample(const Texels& t, double u, double v) {
    constexpr int kSteps = 256;  // of a texel, between neighbours
    double x = u * t.width - 0.5, y = (1.0 - v) * t.height - 0.5;
    // brought into the texture, which repeats
    x -= std::floor(x * t.perWidth) * t.width;
    y -= std::floor(y * t.perHeight) * t.height;
    int fx = int(x * kSteps), fy = int(y * kSteps);
    int ax = fx & (kSteps - 1), ay = fy & (kSteps - 1);
    int x0 = std::min(fx >> 8, t.width - 1), y0 = std::min(fy >> 8, t.height - 1);
    int x1 = x0 + 1 == t.width ? 0 : x0 + 1, y1 = y0 + 1 == t.height ? 0 : y0 + 1;
    uint32_t c00 = t.at(x0, y0), c10 = t.at(x1, y0), c01 = t.at(x0, y1), c11 = t.at(x1, y1);
    uint32_t w00 = uint32_t((kSteps - ax) * (kSteps - ay)), w10 = uint32_t(ax * (kSteps - ay)),
             w01 = uint32_t((kSteps - ax) * ay), w11 = uint32_t(ax * ay);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = w00 * ((c00 >> shift) & 0xff) + w10 * ((c10 >> shift) & 0xff) +
                     w01 * ((c01 >> shift) & 0xff) + w11 * ((c11 >> shift) & 0xff);
        out |= ((c + kSteps * kSteps / 2) >> 16) << shift;
    }
    return out;
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
    Texels texels;
    UvMap map;
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
        forEachPixel(std::span<const Vec2>(p, 3), 0.0,
                     [&](int x, int y, double, double) { cover_[index(x, y)] = cover; });
    }

    // Paints the piece where the pixel's cover is `onto`.
    void paint(const Piece& piece, double grow, Cover onto) {
        forEachPixel(piece.corners, grow, [&](int x, int y, double mx, double my) {
            if (cover_[index(x, y)] != onto)
                return;
            const UvMap& m = piece.map;
            uint32_t colour =
                sample(piece.texels, m.ux * mx + m.uy * my + m.u0, m.vx * mx + m.vy * my + m.v0);
            if (!piece.texels.opaque)
                colour = overPaper(colour);
            std::memcpy(data_ + size_t(y) * size_t(stride_) + size_t(x) * 4, &colour, 4);
        });
    }

private:
    size_t index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }

    // Calls visit(x, y, mmX, mmY) for each pixel whose centre lies in the
    // convex polygon grown by `grow` mm; the polygon may wind either way.
    template <typename Visit>
    void forEachPixel(std::span<const Vec2> polygon, double grow, Visit&& visit) const {
        double sign = signedArea(polygon) >= 0.0 ? 1.0 : -1.0;
        Box bounds = boxOf(polygon);
        int y0 = std::max(0, int(std::floor((bounds.minY - grow - box_.minY) * perMm_ - 0.5)));
        int y1 = std::min(height_ - 1, int(std::ceil((bounds.maxY + grow - box_.minY) * perMm_)));
        size_t n = polygon.size();
        for (int y = y0; y <= y1; ++y) {
            double my = box_.minY + (y + 0.5) / perMm_;
            double lo = bounds.minX - grow, hi = bounds.maxX + grow;
            // Each edge keeps the centre on its inner side, at most `grow`
            // outside: a bound on x along this row.
            for (size_t i = 0; i < n && lo <= hi; ++i) {
                Vec2 a = polygon[i], b = polygon[(i + 1) % n];
                double dx = b.x - a.x, dy = b.y - a.y;
                double slack = grow * std::hypot(dx, dy);
                double c0 = sign * (dx * (my - a.y) + dy * a.x), c1 = -sign * dy;
                if (c1 > 0)
                    lo = std::max(lo, (-slack - c0) / c1);
                else if (c1 < 0)
                    hi = std::min(hi, (-slack - c0) / c1);
                else if (c0 < -slack)
                    hi = lo - 1;
            }
            if (lo > hi)
                continue;
            int x0 = std::max(0, int(std::ceil((lo - box_.minX) * perMm_ - 0.5)));
            int x1 = std::min(width_ - 1, int(std::floor((hi - box_.minX) * perMm_ - 0.5)));
            for (int x = x0; x <= x1; ++x)
                visit(x, y, box_.minX + (x + 0.5) / perMm_, my);
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
    piece.texels = texelsOf(image);
    if (!piece.texels.data || piece.texels.width <= 0 || piece.texels.height <= 0)
        return false;
    piece.corners.assign(face.p, face.p + 3);
    return true;
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
        strip.corners = {
            a, b, {b.x + n.x * bleed, b.y + n.y * bleed}, {a.x + n.x * bleed, a.y + n.y * bleed}};
        out.push_back(std::move(strip));
        for (Vec2 end : {a, b}) {
            Piece round = face;
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
    if (pixels > kMaxPicturePixels)
        perMm *= std::sqrt(kMaxPicturePixels / pixels);
    // Whole pixels from the box's corner, so the picture lies where its
    // pixels were worked out.
    Canvas canvas(box, perMm);
    box.maxX = box.minX + canvas.width() / perMm;
    box.maxY = box.minY + canvas.height() / perMm;
    if (!canvas.start())
        return;
    for (size_t i = 0; i < net.faces.size(); ++i)
        canvas.markCover(net.faces[i].p, cover[i]);
    // Open paper first (bleed, then tabs), then the edges round each face,
    // then the faces themselves, so that every pixel within a face shows
    // that face and no plain face takes another's texture.
    for (const Piece& piece : bleeds)
        canvas.paint(piece, 0.0, kOpen);
    for (const Piece& piece : tabs)
        canvas.paint(piece, 0.0, kOpen);
    for (const Piece& piece : faces)
        canvas.paint(piece, kFaceGrowPixels / perMm, kOpen);
    for (const Piece& piece : faces)
        canvas.paint(piece, 0.0, kTexturedFace);
    cairo_surface_t* image = canvas.finish();
    // A PDF keeps the picture as JPEG, a tenth of what lossless takes of a
    // photograph; an SVG keeps it as PNG.
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_PDF)
        attachJpeg(image);

    cairo_save(cr);
    cairo_new_path(cr);
    for (const auto* list : {&faces, &bleeds, &tabs})
        for (const Piece& piece : *list) {
            // each the same way round, so that overlaps add up
            bool reverse = signedArea(piece.corners) < 0.0;
            size_t n = piece.corners.size();
            for (size_t i = 0; i < n; ++i) {
                Vec2 p = piece.corners[reverse ? n - 1 - i : i];
                if (i == 0)
                    cairo_move_to(cr, p.x * kPointsPerMm, p.y * kPointsPerMm);
                else
                    cairo_line_to(cr, p.x * kPointsPerMm, p.y * kPointsPerMm);
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
