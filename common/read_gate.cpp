#include "common/read_gate.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace kivano {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> gRoot;

// The path as the file system sees it; empty when that cannot be found out.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return {};
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? fs::path() : canonical;
}

}  // namespace

void setReadRoot(const fs::path& folder) {
    fs::path root = resolved(folder);
    // "job/" would compare as "job" and an empty last part, which no file has.
    gRoot = root.has_filename() ? root : root.parent_path();
}

bool mayRead(const fs::path& file) {
    if (!gRoot)
        return true;
    fs::path path = resolved(file);
    if (gRoot->empty() || path.empty())
        return false;
    // Compared part by part: "/up/job1" is no folder of "/up/job10".
    return std::mismatch(gRoot->begin(), gRoot->end(), path.begin(), path.end()).first ==
           gRoot->end();
}

}  // namespace kivano
