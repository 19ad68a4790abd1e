#pragma once
// Texture images for printing faces: PNG through cairo, JPEG and the other
// formats stb_image reads through stb_image, from files or from the model
// file's own images. Each is read once.
#include <map>
#include <string>
#include <vector>

#include <cairo.h>

#include "sheet_model.h"

namespace sheet {

// The image as a cairo surface, or nullptr with the reason in `error` (also
// for a file outside the folder files may be read from, which is never
// opened). The caller owns the surface.
cairo_surface_t* loadTexture(const std::string& path, std::string& error);

class TextureCache {
public:
    TextureCache() = default;
    ~TextureCache();
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // nullptr when the file cannot be read; the first failure of each file
    // is kept for failures().
    cairo_surface_t* get(const std::string& path);
    // The material's texture, from its file or from the model file's own
    // pixels; nullptr when it has none or it cannot be read.
    cairo_surface_t* get(const Material& material);
    const std::map<std::string, std::string>& failures() const { return failures_; }

    // The image, then halves of it down to a pixel, each the mean of four
    // pixels of the one before: a face printed smaller than its texture
    // samples the half that fits, without moire and without reading the
    // whole of a large image for every pixel. Made once per image.
    const std::vector<cairo_surface_t*>& halvings(cairo_surface_t* image);

private:
    std::map<cairo_surface_t*, std::vector<cairo_surface_t*>> halvings_;
    std::map<std::string, cairo_surface_t*> surfaces_;
    std::map<const host_session::EmbeddedImage*, cairo_surface_t*> embedded_;
    std::map<std::string, std::string> failures_;
};

}  // namespace sheet
