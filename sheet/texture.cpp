#include "texture.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include <stb_image.h>

#include "common/read_gate.h"

namespace sheet {

namespace {

bool hasPngSignature(const std::string& path) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[8] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && std::memcmp(head, signature, sizeof head) == 0;
}

// An image with an alpha channel but no transparent pixel, as an opaque one.
cairo_surface_t* withoutUnusedAlpha(cairo_surface_t* image) {
    if (cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32)
        return image;
    cairo_surface_flush(image);
    int width = cairo_image_surface_get_width(image),
        height = cairo_image_surface_get_height(image);
    int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x)
            if ((row[x] >> 24) != 0xff)
                return image;
    }
    cairo_surface_t* opaque = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(opaque) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(opaque);
        return image;
    }
    cairo_surface_flush(opaque);
    unsigned char* to = cairo_image_surface_get_data(opaque);
    int toStride = cairo_image_surface_get_stride(opaque);
    for (int y = 0; y < height; ++y)
        std::memcpy(to + size_t(y) * size_t(toStride), data + size_t(y) * size_t(stride),
                    size_t(width) * 4);
    cairo_surface_mark_dirty(opaque);
    cairo_surface_destroy(image);
    return opaque;
}

cairo_surface_t* loadPng(const std::string& path, std::string& error) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return withoutUnusedAlpha(surface);
}

// cairo wants native-endian ARGB with the colour premultiplied by alpha (or
// the alpha byte unused, for an opaque image).
void copyPixels(const unsigned char* rgba, int width, int height, cairo_surface_t* surface) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            const unsigned char* px = rgba + (size_t(y) * width + x) * 4;
            uint32_t a = px[3];
            uint32_t r = px[0] * a / 255, g = px[1] * a / 255, b = px[2] * a / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
}

// Pixels as stb_image gives them (RGBA rows) in a cairo surface.
cairo_surface_t* surfaceOf(const unsigned char* rgba, int width, int height, std::string& error) {
    // An image without alpha is made opaque: cairo's PDF writer then knows it
    // is, instead of scanning every pixel of it for every face it fills.
    bool opaque = true;
    for (size_t i = 3; opaque && i < size_t(width) * size_t(height) * 4; i += 4)
        opaque = rgba[i] == 255;
    cairo_format_t format = opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    cairo_surface_t* surface = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    copyPixels(rgba, width, height, surface);
    return surface;
}

cairo_surface_t* decoded(unsigned char* rgba, int width, int height, std::string& error) {
    if (!rgba) {
        const char* reason = stbi_failure_reason();
        error = reason ? reason : "unreadable image";
        return nullptr;
    }
    cairo_surface_t* surface = surfaceOf(rgba, width, height, error);
    stbi_image_free(rgba);
    return surface;
}

// A texture's pixels are all held at once: an image that claims more than a
// print could use is refused before it is decoded.
constexpr double kMaxTexturePixels = 16384.0 * 16384.0;

bool claimsTooMuch(int ok, int width, int height, std::string& error) {
    if (ok && double(width) * double(height) > kMaxTexturePixels) {
        error = "it is larger than 16384 x 16384 pixels";
        return true;
    }
    return false;
}

cairo_surface_t* loadWithStb(const std::string& path, std::string& error) {
    int width = 0, height = 0, channels = 0;
    unsigned char* rgba = stbi_load(path.c_str(), &width, &height, &channels, 4);
    return decoded(rgba, width, height, error);
}

// An image the model file held: a whole image file's bytes, or bare pixels.
cairo_surface_t* loadEmbedded(const host_session::EmbeddedImage& image, std::string& error) {
    if (image.height > 0) {
        if (claimsTooMuch(1, image.width, image.height, error))
            return nullptr;
        if (image.width <= 0 ||
            image.bytes.size() / 4 / size_t(image.width) < size_t(image.height)) {
            error = "its pixels are cut short";
            return nullptr;
        }
        return surfaceOf(image.bytes.data(), image.width, image.height, error);
    }
    if (image.bytes.size() > size_t(std::numeric_limits<int>::max())) {
        error = "it is too large";
        return nullptr;
    }
    int width = 0, height = 0, channels = 0;
    int size = int(image.bytes.size());
    if (claimsTooMuch(stbi_info_from_memory(image.bytes.data(), size, &width, &height, &channels),
                      width, height, error))
        return nullptr;
    unsigned char* rgba =
        stbi_load_from_memory(image.bytes.data(), size, &width, &height, &channels, 4);
    return decoded(rgba, width, height, error);
}

}  // namespace

cairo_surface_t* loadTexture(const std::string& path, std::string& error) {
    if (!kivano::mayRead(path)) {
        error = "it lies outside the folder files may be read from";
        return nullptr;
    }
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        error = std::strerror(errno);
        return nullptr;
    }
    std::fclose(probe);
    int width = 0, height = 0, channels = 0;
    if (claimsTooMuch(stbi_info(path.c_str(), &width, &height, &channels), width, height, error))
        return nullptr;
    return hasPngSignature(path) ? loadPng(path, error) : loadWithStb(path, error);
}

TextureCache::~TextureCache() {
    for (auto& [image, levels] : halvings_)
        for (size_t i = 1; i < levels.size(); ++i)
            cairo_surface_destroy(levels[i]);
    for (auto& [path, surface] : surfaces_)
        if (surface)
            cairo_surface_destroy(surface);
    for (auto& [image, surface] : embedded_)
        if (surface)
            cairo_surface_destroy(surface);
}

cairo_surface_t* TextureCache::get(const std::string& path) {
    auto found = surfaces_.find(path);
    if (found != surfaces_.end())
        return found->second;
    std::string error;
    cairo_surface_t* surface = loadTexture(path, error);
    if (!surface)
        failures_[path] = error;
    surfaces_[path] = surface;
    return surface;
}

cairo_surface_t* TextureCache::get(const Material& material) {
    if (!material.embeddedTexture)
        return material.texture.empty() ? nullptr : get(material.texture);
    auto found = embedded_.find(material.embeddedTexture.get());
    if (found != embedded_.end())
        return found->second;
    std::string error;
    cairo_surface_t* surface = loadEmbedded(*material.embeddedTexture, error);
    if (!surface)
        failures_[material.texture] = error;
    embedded_[material.embeddedTexture.get()] = surface;
    return surface;
}

namespace {

// Half the size, each pixel the mean of the (up to) four it covers; the
// colours stay premultiplied, so means stay right at transparent edges.
cairo_surface_t* halved(cairo_surface_t* image) {
    int width = cairo_image_surface_get_width(image),
        height = cairo_image_surface_get_height(image);
    int halfWidth = std::max(1, width / 2), halfHeight = std::max(1, height / 2);
    cairo_format_t format = cairo_image_surface_get_format(image);
    cairo_surface_t* half = cairo_image_surface_create(format, halfWidth, halfHeight);
    if (cairo_surface_status(half) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(half);
        return nullptr;
    }
    cairo_surface_flush(image);
    cairo_surface_flush(half);
    const unsigned char* from = cairo_image_surface_get_data(image);
    unsigned char* to = cairo_image_surface_get_data(half);
    int fromStride = cairo_image_surface_get_stride(image),
        toStride = cairo_image_surface_get_stride(half);
    bool opaque = format == CAIRO_FORMAT_RGB24;
    for (int y = 0; y < halfHeight; ++y)
        for (int x = 0; x < halfWidth; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    int sx = std::min(2 * x + dx, width - 1), sy = std::min(2 * y + dy, height - 1);
                    uint32_t word;
                    std::memcpy(&word, from + size_t(sy) * size_t(fromStride) + size_t(sx) * 4, 4);
                    if (opaque)
                        word |= 0xff000000u;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += (word >> (8 * c)) & 0xff;
                }
            uint32_t word = 0;
            for (int c = 0; c < 4; ++c)
                word |= ((sum[c] + 2) / 4) << (8 * c);
            std::memcpy(to + size_t(y) * size_t(toStride) + size_t(x) * 4, &word, 4);
        }
    cairo_surface_mark_dirty(half);
    return half;
}

}  // namespace

const std::vector<cairo_surface_t*>& TextureCache::halvings(cairo_surface_t* image) {
    std::vector<cairo_surface_t*>& levels = halvings_[image];
    if (!levels.empty())
        return levels;
    levels.push_back(image);
    while (cairo_image_surface_get_width(levels.back()) > 1 ||
           cairo_image_surface_get_height(levels.back()) > 1) {
        cairo_surface_t* next = halved(levels.back());
        if (!next)
            break;
        levels.push_back(next);
    }
    return levels;
}

}  // namespace sheet
