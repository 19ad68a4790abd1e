#include "common/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

namespace kivano {

namespace {

std::string temporaryPattern(const std::string& target, TemporaryName naming) {
    if (naming == TemporaryName::Suffixed)
        return target + ".tmp-XXXXXX";
    std::filesystem::path path(target);
    return (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
}

}  // namespace

std::string plainFileFailure(const std::string& target, const char* action,
                             const std::string& reason) {
    return "cannot " + std::string(action) + " " + target + ": " + reason;
}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open(const std::string& target, std::string& error) {
    discard();
    target_ = target;
    std::string pattern = temporaryPattern(target, naming_);
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error = describe_(target, "write", std::strerror(errno));
        return false;
    }
    // mkstemp makes it private; an output file gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        int err = errno;
        ::close(fd);
        unlink(pattern.c_str());
        error = describe_(target, "write", std::strerror(err));
        return false;
    }
    temporary_ = pattern;
    return true;
}

bool AtomicFile::write(const std::string& data, std::string& error) {
    if (std::fwrite(data.data(), 1, data.size(), stream_) == data.size())
        return true;
    error = describe_(target_, "write", std::strerror(errno));
    return false;
}

bool AtomicFile::close(std::string& error) {
    if (!stream_) {
        error = describe_(target_, "write", "not open");
        return false;
    }
    // No fsync: the rename already keeps a half-written file from ever
    // standing under the target's name, whatever happens to this process.
    // Only a power cut could still lose the new file, and every output is
    // made again from its model; waiting on the disk for every page file
    // cost more than the unfolding itself.
    errno = 0;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    int err = errno;
    ok = (std::fclose(stream_) == 0) && ok;
    stream_ = nullptr;
    if (!ok) {
        unlink(temporary_.c_str());
        temporary_.clear();
        error = describe_(target_, "write", std::strerror(err ? err : EIO));
        return false;
    }
    return true;
}

bool AtomicFile::rename(std::string& error) {
    if (temporary_.empty() || stream_) {
        error = describe_(target_, "write", "not open");
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        unlink(temporary_.c_str());
        temporary_.clear();
        error = describe_(target_, "replace", std::strerror(err));
        return false;
    }
    temporary_.clear();
    return true;
}

bool AtomicFile::commit(std::string& error) {
    return close(error) && rename(error);
}

void AtomicFile::discard() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool writeFileAtomically(const std::string& target, const std::string& data, std::string& error,
                         DescribeFileFailure describe, TemporaryName naming) {
    AtomicFile file(describe, naming);
    return file.open(target, error) && file.write(data, error) && file.commit(error);
}

bool writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error, DescribeFileFailure describe, TemporaryName naming) {
    std::vector<std::unique_ptr<AtomicFile>> temporaries;
    for (const auto& [path, text] : files) {
        temporaries.push_back(std::make_unique<AtomicFile>(describe, naming));
        AtomicFile& file = *temporaries.back();
        if (!file.open(path, error) || !file.write(text, error) || !file.close(error))
            return false;
    }
    for (const std::unique_ptr<AtomicFile>& file : temporaries)
        if (!file->rename(error))
            return false;
    return true;
}

}  // namespace kivano
