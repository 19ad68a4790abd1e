#include "io/gltf_bounds.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/json_depth.h"

namespace host::io {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// A binary glTF: "glTF", version and length, then (version 2) the JSON
// chunk's length and type or (version 1) the content's length and format;
// either way the JSON starts after 20 bytes, its length in bytes 12 to 15.
constexpr char kGlbMagic[] = {'g', 'l', 'T', 'F'};
constexpr size_t kGlbJsonLengthAt = 12;
constexpr size_t kGlbJsonStart = 20;
// What may come before a JSON text's first brace: a byte order mark, spaces.
constexpr char kLeadingSpace[] = " \t\r\n\xEF\xBB\xBF";

uint32_t littleEndian32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// The JSON a file holds, or nothing for a file that holds none; `problem`
// is set when a binary glTF's header does not fit the file.
std::string jsonOf(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[kGlbJsonStart] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    size_t got = size_t(in.gcount());
    if (got >= sizeof kGlbMagic && std::memcmp(head, kGlbMagic, sizeof kGlbMagic) == 0) {
        if (got < sizeof head) {
            problem = "the binary glTF ends inside its header";
            return {};
        }
        std::error_code error;
        uintmax_t size = fs::file_size(path, error);
        uint32_t length = littleEndian32(head + kGlbJsonLengthAt);
        if (error || length > size - kGlbJsonStart) {
            problem = "the binary glTF's header gives more JSON than the file holds";
            return {};
        }
        std::string json(length, '\0');
        in.read(json.data(), std::streamsize(length));
        return json;
    }
    // A text file is read whole only when it opens like JSON.
    in.clear();
    in.seekg(0);
    int c = in.get();
    while (c > 0 && std::strchr(kLeadingSpace, c))
        c = in.get();
    if (c != '{')
        return {};
    return "{" + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each node's children by index. glTF 2 numbers its nodes; glTF 1 names
// them. A child that names no node is the importer's to complain about.
std::vector<std::vector<size_t>> childrenOf(const Json& nodes) {
    std::vector<const Json*> each;
    std::map<std::string, size_t> named;
    if (nodes.is_array()) {
        for (const Json& node : nodes)
            each.push_back(&node);
    } else if (nodes.is_object()) {
        for (const auto& [name, node] : nodes.items()) {
            named[name] = each.size();
            each.push_back(&node);
        }
    }
    std::vector<std::vector<size_t>> children(each.size());
    for (size_t i = 0; i < each.size(); ++i) {
        if (!each[i]->is_object() || !each[i]->contains("children") ||
            !each[i]->at("children").is_array())
            continue;
        for (const Json& child : each[i]->at("children")) {
            if (child.is_number_unsigned() && child.get<uint64_t>() < each.size())
                children[i].push_back(size_t(child.get<uint64_t>()));
            else if (child.is_string() && named.count(child.get<std::string>()))
                children[i].push_back(named[child.get<std::string>()]);
        }
    }
    return children;
}

// Parents before children (Kahn's order), so each node's depth is final
// when it is taken; nodes never taken lie on a cycle.
std::string nodeTreeProblem(const std::vector<std::vector<size_t>>& children) {
    std::vector<size_t> parents(children.size(), 0), depth(children.size(), 1), ready;
    for (const std::vector<size_t>& list : children)
        for (size_t child : list)
            ++parents[child];
    for (size_t i = 0; i < children.size(); ++i)
        if (parents[i] == 0)
            ready.push_back(i);
    size_t taken = 0;
    while (!ready.empty()) {
        size_t node = ready.back();
        ready.pop_back();
        ++taken;
        if (depth[node] > size_t(kMaxNodeTreeDepth))
            return "the glTF node tree is deeper than " + std::to_string(kMaxNodeTreeDepth) +
                   " levels";
        for (size_t child : children[node]) {
            depth[child] = std::max(depth[child], depth[node] + 1);
            if (--parents[child] == 0)
                ready.push_back(child);
        }
    }
    return taken < children.size() ? "the glTF node tree has a node among its own children"
                                   : std::string();
}

}  // namespace

std::string jsonBoundsProblem(const std::string& path) {
    std::string problem;
    std::string json = jsonOf(path, problem);
    if (json.empty())
        return problem;
    if (!kivano::jsonDepthWithin(json, kMaxJsonNesting))
        return "its JSON is nested deeper than " + std::to_string(kMaxJsonNesting) + " levels";
    // Only the nodes are kept: the rest may hold megabytes of embedded data.
    auto onlyNodes = [](int depth, Json::parse_event_t event, const Json& parsed) {
        return depth != 1 || event != Json::parse_event_t::key || parsed == "nodes";
    };
    Json document = Json::parse(json, onlyNodes, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("nodes"))
        return {};  // not glTF, or broken: the importer says which
    return nodeTreeProblem(childrenOf(document["nodes"]));
}

}  // namespace host::io
