#pragma once
// Model files written on the fly for the import and export tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace iotest {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kivano-io-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        if (made)
            path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string write(const std::string& name, const std::string& text) const {
        std::string file = (std::filesystem::path(path_) / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::string file(const std::string& name) const {
        return (std::filesystem::path(path_) / name).string();
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The shared test model, or empty when this checkout has none.
inline std::string bunnyPath() {
    if (const char* env = std::getenv("KIVANO_BUNNY"))
        return env;
    std::filesystem::path p =
        std::filesystem::path(KIVANO_SOURCE_DIR) / ".." / "shared" / "models" / "bunny.obj";
    return std::filesystem::exists(p) ? p.lexically_normal().string() : std::string();
}

// Two quads and a triangle with UVs and normals; materials alternate red, blue, red.
inline const char* kTwoMaterialObj =
    "mtllib two.mtl\n"
    "o Panel\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\nv 3 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\n"
    "vn 0 0 1\n"
    "usemtl red\n"
    "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
    "usemtl blue\n"
    "f 2/1/1 5/2/1 6/3/1 3/4/1\n"
    "usemtl red\n"
    "f 5/5/1 7/2/1 6/3/1\n";

inline const char* kTwoMaterialMtl =
    "newmtl red\nKd 1 0 0\nmap_Kd -s 1 1 1 textures/red.png\n"
    "newmtl blue\nKd 0 0 1\n";

}  // namespace iotest
