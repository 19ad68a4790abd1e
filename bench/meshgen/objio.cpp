#include "bench/meshgen/objio.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kivano {

bool writeObj(const TriangleMesh& mesh, const char* path) {
    FILE* file = std::fopen(path, "w");
    if (!file)
        return false;
    for (size_t v = 0; v < mesh.vertexCount(); ++v)
        std::fprintf(file, "v %.17g %.17g %.17g\n", mesh.positions[v * 3],
                     mesh.positions[v * 3 + 1], mesh.positions[v * 3 + 2]);
    for (size_t t = 0; t < mesh.triangleCount(); ++t)
        std::fprintf(file, "f %u %u %u\n", mesh.indices[t * 3] + 1, mesh.indices[t * 3 + 1] + 1,
                     mesh.indices[t * 3 + 2] + 1);
    bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

static bool failAt(std::string& error, size_t line, const std::string& what) {
    error = "line " + std::to_string(line) + ": " + what;
    return false;
}

static bool parseVertex(std::istringstream& fields, TriangleMesh& mesh) {
    double x, y, z;
    if (!(fields >> x >> y >> z))
        return false;
    mesh.positions.insert(mesh.positions.end(), {x, y, z});
    return true;
}

// One face corner: "7", "7/2", "7//3" or "7/2/3"; negative numbers count back from the last vertex.
static bool parseCorner(const std::string& token, size_t vertexCount, unsigned int& index) {
    char* end = nullptr;
    long value = std::strtol(token.c_str(), &end, 10);
    if (end == token.c_str() || (*end != '\0' && *end != '/'))
        return false;
    long resolved = value > 0 ? value - 1 : long(vertexCount) + value;
    if (value == 0 || resolved < 0 || size_t(resolved) >= vertexCount)
        return false;
    index = unsigned(resolved);
    return true;
}

static bool parseFace(std::istringstream& fields, TriangleMesh& mesh) {
    std::vector<unsigned int> corners;
    std::string token;
    while (fields >> token) {
        unsigned int index;
        if (!parseCorner(token, mesh.vertexCount(), index))
            return false;
        corners.push_back(index);
    }
    if (corners.size() < 3)
        return false;
    for (size_t i = 1; i + 1 < corners.size(); ++i)
        mesh.indices.insert(mesh.indices.end(), {corners[0], corners[i], corners[i + 1]});
    return true;
}

bool readObj(const char* path, TriangleMesh& mesh, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = std::string("cannot open ") + path;
        return false;
    }
    mesh = TriangleMesh();
    std::string text;
    for (size_t line = 1; std::getline(file, text); ++line) {
        std::istringstream fields(text);
        std::string keyword;
        fields >> keyword;
        if (keyword == "v" && !parseVertex(fields, mesh))
            return failAt(error, line, "a vertex needs three numbers");
        if (keyword == "f" && !parseFace(fields, mesh))
            return failAt(error, line, "a face needs three or more valid vertex numbers");
    }
    return true;
}

}  // namespace kivano
