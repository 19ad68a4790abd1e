#pragma once
// An output file that appears whole or not at all: written to a temporary
// file beside the target and renamed over it only once complete.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace kivano {

// How a writer words a failure: `action` is "write" or "replace", `reason`
// the system's. Each part of the program keeps the wording its users know.
using DescribeFileFailure = std::string (*)(const std::string& target, const char* action,
                                            const std::string& reason);

// "cannot write out.pdf: No space left on device"
std::string plainFileFailure(const std::string& target, const char* action,
                             const std::string& reason);

// Where the temporary lies: "out.pdf.tmp-XXXXXX", or hidden as ".out.pdf.XXXXXX".
enum class TemporaryName { Suffixed, Hidden };

class AtomicFile {
public:
    explicit AtomicFile(DescribeFileFailure describe = plainFileFailure,
                        TemporaryName naming = TemporaryName::Suffixed)
        : describe_(describe), naming_(naming) {}
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false with a reason naming the target.
    bool open(const std::string& target, std::string& error);
    FILE* stream() const { return stream_; }
    // Where the content goes until commit, for writers that take a path.
    const std::string& temporaryPath() const { return temporary_; }
    // Writes all of data; false with a reason (the file stays uncommitted).
    bool write(const std::string& data, std::string& error);
    // Closes the temporary, keeping it for rename(); false (and nothing left) on failure.
    bool close(std::string& error);
    // Renames the closed temporary onto the target; false (and nothing left) on failure.
    bool rename(std::string& error);
    // close() then rename().
    bool commit(std::string& error);
    void discard();

private:
    DescribeFileFailure describe_;
    TemporaryName naming_;
    std::string target_;
    std::string temporary_;
    FILE* stream_ = nullptr;
};

// Writes `data` to `target` through an AtomicFile.
bool writeFileAtomically(const std::string& target, const std::string& data, std::string& error,
                         DescribeFileFailure describe = plainFileFailure,
                         TemporaryName naming = TemporaryName::Suffixed);

// Writes each (path, text) pair to a temporary first; only when every one is
// complete are they renamed onto their targets, in order. A failure before
// the renames leaves every target as it was.
bool writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error, DescribeFileFailure describe = plainFileFailure,
                          TemporaryName naming = TemporaryName::Suffixed);

}  // namespace kivano
