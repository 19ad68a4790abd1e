#include "io/declared_counts.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>
#include <vector>

namespace host::io {

namespace {

// Headers are short; a longer one is not one of these formats' headers.
constexpr std::size_t kHeaderLimit = 64 * 1024;
// A text file read through whole before its reader sees it; beyond this it
// is not a model a person unfolds.
constexpr std::uintmax_t kWholeFileLimit = 256u * 1024 * 1024;

std::string thousands(std::uintmax_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// The first `bytes` bytes of the file, or fewer if it holds fewer.
std::string readStart(const std::string& path, std::uintmax_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(std::size_t(bytes), '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(std::max<std::streamsize>(0, in.gcount())));
    return text;
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

// A count as readers take it: the digits a word starts with ("12abc" is 12,
// as strtoul reads it); false when it starts with none. Too many digits
// count as more than any file holds.
bool readCount(std::istream& in, std::uintmax_t& value) {
    std::string word;
    if (!(in >> word) || word.empty() || !std::isdigit(static_cast<unsigned char>(word[0])))
        return false;
    std::size_t digits = 0;
    while (digits < word.size() && std::isdigit(static_cast<unsigned char>(word[digits])))
        ++digits;
    value = digits > 19 ? UINTMAX_MAX : std::stoull(word.substr(0, digits));
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
    if (!readCount(in, vertices))
        return {};  // the reader will say what is wrong
    if (!readCount(in, faces))
        faces = 0;
    std::uintmax_t used = std::uintmax_t(std::max<std::streamoff>(0, in.tellg()));
    std::uintmax_t room = bytes > used ? bytes - used : 0;
    return problem({{"vertex", "vertices", vertices, binary ? 12u : 6u},
                    {"face", "faces", faces, binary ? 4u : 2u}},
                   room + 1, bytes);
}

// Whole numbers and numbers as the words of a text file.
bool isInteger(const std::string& word, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(word.c_str(), &end, 10);
    return !word.empty() && *end == '\0' && errno == 0;
}

bool isNumber(const std::string& word) {
    char* end = nullptr;
    std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0';
}

// The words of each line, comments left out, with the line's number.
struct OffLine {
    std::size_t number;
    std::vector<std::string> words;
};

std::vector<OffLine> offLines(const std::string& text) {
    std::vector<OffLine> lines;
    std::size_t start = 0, number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        std::string line = text.substr(start, end - start);
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        OffLine parsed{number, {}};
        for (std::string word; words >> word;)
            parsed.words.push_back(word);
        if (!parsed.words.empty())
            lines.push_back(std::move(parsed));
        start = end + 1;
    }
    return lines;
}

std::string atLine(std::size_t number, const std::string& what) {
    return "line " + std::to_string(number) + ": " + what;
}

// Text OFF read through: as many vertex and face lines as the header
// announces, each vertex three numbers, each face a corner count and that
// many indices among the vertices. assimp's reader trusts all of it, and a
// word where a face's corner count belongs crashes it.
std::string offBodyProblem(const std::string& path, std::uintmax_t bytes) {
    if (bytes > kWholeFileLimit)
        return {};
    std::vector<OffLine> lines = offLines(readStart(path, bytes));
    if (lines.empty())
        return {};
    const std::string& magic = lines[0].words[0];
    // four-dimensional and binary files are left to the reader
    if (magic.find('4') != std::string::npos || magic.find('n') != std::string::npos ||
        (lines[0].words.size() > 1 && lines[0].words[1] == "BINARY"))
        return {};
    std::size_t at = 0, word = 1;
    if (word >= lines[at].words.size()) {
        at = 1;
        word = 0;
    }
    long long vertices = 0, faces = 0;
    if (at >= lines.size() || word >= lines[at].words.size() ||
        !isInteger(lines[at].words[word], vertices) ||
        (word + 1 < lines[at].words.size() && !isInteger(lines[at].words[word + 1], faces)))
        return {};  // the counts were judged above
    std::size_t next = at + 1;
    for (long long v = 0; v < vertices; ++v, ++next) {
        if (next >= lines.size())
            return "the file ends after " + thousands(std::uintmax_t(v)) + " of " +
                   thousands(std::uintmax_t(vertices)) + " vertices";
        const OffLine& line = lines[next];
        if (line.words.size() < 3 || !isNumber(line.words[0]) || !isNumber(line.words[1]) ||
            !isNumber(line.words[2]))
            return atLine(line.number, "a vertex needs three numbers");
    }
    for (long long f = 0; f < faces; ++f, ++next) {
        if (next >= lines.size())
            return "the file ends after " + thousands(std::uintmax_t(f)) + " of " +
                   thousands(std::uintmax_t(faces)) + " faces";
        const OffLine& line = lines[next];
        long long corners = 0;
        if (!isInteger(line.words[0], corners) || corners < 1 ||
            std::size_t(corners) >= line.words.size())
            return atLine(line.number,
                          "a face needs its number of corners, then that many "
                          "vertex indices");
        for (long long k = 1; k <= corners; ++k) {
            long long index = 0;
            if (!isInteger(line.words[std::size_t(k)], index) || index < 0 || index >= vertices)
                return atLine(line.number, "face corner \"" + line.words[std::size_t(k)] +
                                               "\" is not one of the " +
                                               thousands(std::uintmax_t(vertices)) + " vertices");
        }
    }
    return {};
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
            // a garbled element line declares nothing, but the others still count
            if (!readCount(words, count))
                count = 0;
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
    // An element whose properties this cannot size (or that has none) still
    // takes a reader one step each: billions of them are as bad as billions
    // of bytes.
    for (Declared& d : elements)
        d.leastBytes = std::max<std::uintmax_t>(d.leastBytes, 1);
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

using Json = nlohmann::json;

// An unsigned number under key, 0 when absent; false when it is something else.
bool jsonCount(const Json& object, const char* key, std::uintmax_t& value) {
    value = 0;
    if (!object.is_object() || !object.contains(key))
        return true;
    const Json& found = object[key];
    if (!found.is_number_unsigned())
        return false;
    value = found.get<std::uintmax_t>();
    return true;
}

std::uintmax_t saturatingProduct(std::uintmax_t a, std::uintmax_t b) {
    return b != 0 && a > UINTMAX_MAX / b ? UINTMAX_MAX : a * b;
}

std::uintmax_t saturatingSum(std::uintmax_t a, std::uintmax_t b) {
    return a > UINTMAX_MAX - b ? UINTMAX_MAX : a + b;
}

std::uintmax_t componentBytes(std::uintmax_t componentType) {
    switch (componentType) {
    case 5120:  // byte
    case 5121:
        return 1;
    case 5122:  // short
    case 5123:
        return 2;
    case 5125:  // unsigned int
    case 5126:  // float
        return 4;
    default:
        return 0;
    }
}

std::uintmax_t componentCount(const Json& type) {
    static const std::pair<const char*, std::uintmax_t> counts[] = {
        {"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3},  {"VEC4", 4},
        {"MAT2", 4},   {"MAT3", 9}, {"MAT4", 16},
    };
    if (type.is_string())
        for (auto [name, count] : counts)
            if (type.get<std::string>() == name)
                return count;
    return 0;
}

// What a buffer can hold: the binary chunk of a .glb, the bytes of a data
// URI, or the size of the file it names; false when that cannot be told
// (the reader will say what is wrong).
bool bufferHolds(const Json& buffer, std::size_t index, const std::string& path,
                 std::uintmax_t binaryChunk, bool binary, std::uintmax_t& holds,
                 std::string& where) {
    if (!buffer.contains("uri")) {
        if (!binary || index != 0)
            return false;
        holds = binaryChunk;
        where = "the file's binary chunk holds";
        return true;
    }
    if (!buffer["uri"].is_string())
        return false;
    std::string uri = buffer["uri"].get<std::string>();
    if (uri.compare(0, 5, "data:") == 0) {
        std::size_t comma = uri.find(";base64,");
        if (comma == std::string::npos)
            return false;
        std::uintmax_t text = uri.size() - (comma + 8);
        std::uintmax_t padding = 0;
        for (std::size_t i = uri.size(); i > comma + 8 && uri[i - 1] == '=' && padding < 2; --i)
            ++padding;
        holds = text / 4 * 3 - std::min<std::uintmax_t>(padding, text / 4 * 3);
        where = "its data holds";
        return true;
    }
    std::error_code ec;
    std::filesystem::path file = std::filesystem::path(path).parent_path() / uri;
    holds = std::filesystem::file_size(file, ec);
    if (ec)
        return false;
    where = "\"" + uri + "\" holds";
    return true;
}

// glTF: every buffer must hold what it declares, every buffer view lie in
// its buffer, and every accessor's elements in its buffer view.
std::string gltfProblem(const std::string& path, std::uintmax_t bytes, bool binary) {
    if (bytes > kWholeFileLimit)
        return {};
    std::string file = readStart(path, bytes);
    std::string_view text = file;
    std::uintmax_t binaryChunk = 0;
    if (binary) {
        if (file.size() < 20 || file.compare(16, 4, "JSON") != 0)
            return {};
        std::uintmax_t length = littleEndian32(file, 12);
        if (20 + length > file.size())
            return {};
        text = text.substr(20, std::size_t(length));
        std::uintmax_t next = 20 + ((length + 3) / 4) * 4;
        if (next + 8 <= file.size())
            binaryChunk = std::min<std::uintmax_t>(littleEndian32(file, std::size_t(next)),
                                                   file.size() - (next + 8));
    }
    Json doc = Json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object())
        return {};

    std::vector<std::uintmax_t> declared;
    if (doc.contains("buffers") && doc["buffers"].is_array())
        for (std::size_t i = 0; i < doc["buffers"].size(); ++i) {
            const Json& buffer = doc["buffers"][i];
            std::uintmax_t length = 0, holds = 0;
            std::string where;
            if (!jsonCount(buffer, "byteLength", length))
                return {};
            declared.push_back(length);
            if (bufferHolds(buffer, i, path, binaryChunk, binary, holds, where) && length > holds)
                return "buffer " + std::to_string(i) + " declares " + thousands(length) +
                       " bytes but " + where + " " + thousands(holds) + " bytes";
        }

    std::vector<std::uintmax_t> viewLength;
    std::vector<std::uintmax_t> viewStride;
    if (doc.contains("bufferViews") && doc["bufferViews"].is_array())
        for (std::size_t i = 0; i < doc["bufferViews"].size(); ++i) {
            const Json& view = doc["bufferViews"][i];
            std::uintmax_t buffer = 0, offset = 0, length = 0, stride = 0;
            if (!jsonCount(view, "buffer", buffer) || !jsonCount(view, "byteOffset", offset) ||
                !jsonCount(view, "byteLength", length) || !jsonCount(view, "byteStride", stride))
                return {};
            viewLength.push_back(length);
            viewStride.push_back(stride);
            if (buffer < declared.size() && saturatingSum(offset, length) > declared[buffer])
                return "buffer view " + std::to_string(i) + " reaches byte " +
                       thousands(saturatingSum(offset, length)) + " of buffer " +
                       std::to_string(buffer) + ", which declares " + thousands(declared[buffer]) +
                       " bytes";
        }

    if (doc.contains("accessors") && doc["accessors"].is_array())
        for (std::size_t i = 0; i < doc["accessors"].size(); ++i) {
            const Json& accessor = doc["accessors"][i];
            std::uintmax_t view = 0, offset = 0, count = 0, componentType = 0;
            if (!accessor.is_object() || !accessor.contains("bufferView"))
                continue;  // all zeros, or sparse: nothing to hold
            if (!jsonCount(accessor, "bufferView", view) ||
                !jsonCount(accessor, "byteOffset", offset) ||
                !jsonCount(accessor, "count", count) ||
                !jsonCount(accessor, "componentType", componentType))
                return {};
            std::uintmax_t element = saturatingProduct(
                componentBytes(componentType), componentCount(accessor.value("type", Json())));
            if (view >= viewLength.size() || element == 0 || count == 0)
                continue;
            std::uintmax_t stride = viewStride[view] ? viewStride[view] : element;
            std::uintmax_t needs =
                saturatingSum(saturatingSum(offset, saturatingProduct(count - 1, stride)), element);
            if (needs > viewLength[view])
                return "accessor " + std::to_string(i) + " declares " + thousands(count) +
                       (count == 1 ? " element" : " elements") + " of " + thousands(element) +
                       " bytes but its buffer view holds " + thousands(viewLength[view]) + " bytes";
        }
    return {};
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
    std::string head = readStart(path, std::min<std::uintmax_t>(fileBytes, kHeaderLimit));
    if (head.compare(0, 3, "ply") == 0)
        return plyProblem(head, fileBytes);
    std::string ext = extensionOf(path);
    if (ext == "glb" || ext == "3ds") {
        std::string problem = lengthProblem(head, fileBytes);
        if (problem.empty() && ext == "glb")
            problem = gltfProblem(path, fileBytes, true);
        return problem;
    }
    if (ext == "gltf")
        return gltfProblem(path, fileBytes, false);
    if (ext == "stl")
        return stlProblem(head, fileBytes);
    if (ext == "off" || head.find("OFF") < 8) {
        std::string problem = offProblem(head, fileBytes);
        return problem.empty() ? offBodyProblem(path, fileBytes) : problem;
    }
    return {};
}

}  // namespace host::io
