#pragma once
// Texture images for printing faces: PNG through cairo, JPEG and the other
// formats stb_image reads through stb_image. Each file is read once.
#include <map>
#include <string>

#include <cairo.h>

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
    const std::map<std::string, std::string>& failures() const { return failures_; }

private:
    std::map<std::string, cairo_surface_t*> surfaces_;
    std::map<std::string, std::string> failures_;
};

}  // namespace sheet
