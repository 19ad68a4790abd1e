#include "io/declared_counts.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace host::io {

namespace {

// Headers are short; a longer one is not one of these formats' headers.
constexpr std::size_t kHeaderLimit = 64 * 1024;

std::string thousands(std::uintmax_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::uint32_t littleEndian32(const std::string& head, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(head[at + std::size_t(i)]);
    return value;
}

struct Declared {
    std::string one, many;  // "vertex", "vertices"
    std::uintmax_t count = 0;
    std::uintmax_t leastBytes = 0;  // the least one element can take in the file
};

// Saturating: a count times a size that does not fit in 64 bits is still
// more than any file holds.
std::uintmax_t leastTotal(const std::vector<Declared>& all) {
    std::uintmax_t total = 0;
    for (const Declared& d : all) {
        std::uintmax_t part = d.count;
        if (d.leastBytes > 0 && part > UINTMAX_MAX / d.leastBytes)
            return UINTMAX_MAX;
        part *= d.leastBytes;
        if (total > UINTMAX_MAX - part)
            return UINTMAX_MAX;
        total += part;
    }
    return total;
}

std::string problem(const std::vector<Declared>& all, std::uintmax_t room, std::uintmax_t bytes) {
    if (leastTotal(all) <= room)
        return {};
    std::string claims;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].count == 0)
            continue;
        claims += std::string(claims.empty() ? "" : " and ") + thousands(all[i].count) + " " +
                  (all[i].count == 1 ? all[i].one : all[i].many);
    }
    return "the header declares " + claims + " but the file holds " + thousands(bytes) + " bytes";
}

bool readCount(std::istream& in, std::uintmax_t& value) {
    std::string word;
    if (!(in >> word) || word.empty() || word.size() > 19 ||
        !std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    value = std::stoull(word);
    return true;
}

// OFF: "[ST][C][N][4][n]OFF", then vertex, face and edge counts. Text: a
// vertex takes at least "0 0 0\n", a face at least "0\n"; binary: three
// floats, and one count.
std::string offProblem(const std::string& head, std::uintmax_t bytes) {
    std::istringstream in(head);
    std::string magic;
    in >> magic;
    if (magic.size() < 3 || magic.size() > 8 || magic.compare(magic.size() - 3, 3, "OFF") != 0)
        return {};
    std::string rest;
    std::streampos afterMagic = in.tellg();
    in >> rest;
    bool binary = rest == "BINARY";
    if (!binary)
        in.seekg(afterMagic);
    // comment lines may come before the counts
    std::string line;
    std::uintmax_t vertices = 0, faces = 0;
    while (in >> std::ws && in.peek() == '#')
        std::getline(in, line);
    if (!readCount(in, vertices) || !readCount(in, faces))
        return {};  // the reader will say what is wrong
    std::uintmax_t used = std::uintmax_t(std::max<std::streamoff>(0, in.tellg()));
    std::uintmax_t room = bytes > used ? bytes - used : 0;
    return problem({{"vertex", "vertices", vertices, binary ? 12u : 6u},
                    {"face", "faces", faces, binary ? 4u : 2u}},
                   room + 1, bytes);
}

std::uintmax_t scalarBytes(const std::string& type) {
    static const std::pair<const char*, std::uintmax_t> sizes[] = {
        {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},   {"short", 2}, {"ushort", 2},
        {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},    {"int32", 4}, {"uint32", 4},
        {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8},
    };
    for (auto [name, size] : sizes)
        if (type == name)
            return size;
    return 0;
}

Declared element(const std::string& name, std::uintmax_t count) {
    if (name == "vertex")
        return {"vertex", "vertices", count, 0};
    if (name == "face")
        return {"face", "faces", count, 0};
    return {"\"" + name + "\" element", "\"" + name + "\" elements", count, 0};
}

// PLY: every element's count times the least its properties take: in text,
// a character and a separator each; in binary, each scalar's size, and for
// a list its count's size (a list may be empty).
std::string plyProblem(const std::string& head, std::uintmax_t bytes) {
    if (head.compare(0, 3, "ply") != 0)
        return {};
    std::size_t end = head.find("end_header");
    if (end == std::string::npos)
        return {};
    std::size_t body = head.find('\n', end);
    if (body == std::string::npos)
        return {};
    std::istringstream in(head.substr(0, end));
    std::string line, format;
    std::vector<Declared> elements;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "format") {
            words >> format;
        } else if (key == "element") {
            std::string name;
            std::uintmax_t count = 0;
            words >> name;
            if (!readCount(words, count))
                return {};
            elements.push_back(element(name, count));
        } else if (key == "property" && !elements.empty()) {
            std::string type;
            words >> type;
            bool text = format == "ascii";
            if (type == "list") {
                std::string countType;
                words >> countType;
                elements.back().leastBytes += text ? 2 : scalarBytes(countType);
            } else {
                elements.back().leastBytes += text ? 2 : scalarBytes(type);
            }
        }
    }
    std::uintmax_t header = body + 1;
    std::uintmax_t room = bytes > header ? bytes - header : 0;
    // the last value of a text file needs no separator after it
    return problem(elements, room + (format == "ascii" ? 1 : 0), bytes);
}

// Binary STL: an 80-byte header, a triangle count, and 50 bytes a triangle.
// A text STL starts with "solid", but so do some binary ones: those are
// told apart by their size matching their count.
std::string stlProblem(const std::string& head, std::uintmax_t bytes) {
    if (bytes < 84 || head.size() < 84)
        return {};
    std::uint32_t count = littleEndian32(head, 80);
    if (head.compare(0, 5, "solid") == 0) {
        bool text = std::all_of(head.begin(), head.begin() + 84, [](unsigned char c) {
            return c == '\n' || c == '\r' || c == '\t' || (c >= 32 && c < 127);
        });
        if (text)
            return {};
    }
    return problem({{"triangle", "triangles", count, 50}}, bytes - 84, bytes);
}

// Binary glTF and 3DS give their whole length, and glTF its first chunk's,
// before anything else.
std::string lengthProblem(const std::string& head, std::uintmax_t bytes) {
    std::uintmax_t declared = 0;
    if (head.size() >= 20 && head.compare(0, 4, "glTF") == 0)
        declared = std::max<std::uintmax_t>(littleEndian32(head, 8),
                                            20 + std::uintmax_t(littleEndian32(head, 12)));
    else if (head.size() >= 6 && head[0] == 0x4d && head[1] == 0x4d)  // 3DS main chunk
        declared = littleEndian32(head, 2);
    if (declared <= bytes)
        return {};
    return "the header declares " + thousands(declared) + " bytes but the file holds " +
           thousands(bytes) + " bytes";
}

std::string extensionOf(const std::string& path) {
    std::size_t dot = path.find_last_of('.');
    std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

}  // namespace

std::string declaredCountsProblem(const std::string& path, std::uintmax_t fileBytes) {
    std::ifstream in(path, std::ios::binary);
    std::string head(std::min<std::uintmax_t>(fileBytes, kHeaderLimit), '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(std::max<std::streamsize>(0, in.gcount())));
    if (head.compare(0, 3, "ply") == 0)
        return plyProblem(head, fileBytes);
    std::string ext = extensionOf(path);
    if (ext == "glb" || ext == "3ds")
        return lengthProblem(head, fileBytes);
    if (ext == "stl")
        return stlProblem(head, fileBytes);
    if (ext == "off" || head.find("OFF") < 8)
        return offProblem(head, fileBytes);
    return {};
}

}  // namespace host::io
