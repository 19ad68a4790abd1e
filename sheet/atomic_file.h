#pragma once
// An output file that appears whole or not at all: written to a temporary
// file beside the target and renamed over it only once complete.
#include <cstdio>
#include <string>

namespace sheet {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false with a reason naming the target.
    bool open(const std::string& target, std::string& error);
    FILE* stream() const { return stream_; }
    // Where the content goes until commit, for writers that take a path.
    const std::string& temporaryPath() const { return temporary_; }
    // Closes and renames onto the target; false (and nothing left) on failure.
    bool commit(std::string& error);
    void discard();

private:
    std::string target_;
    std::string temporary_;
    FILE* stream_ = nullptr;
};

// Writes `data` to `target` through an AtomicFile.
bool writeFileAtomically(const std::string& target, const std::string& data, std::string& error);

}  // namespace sheet
