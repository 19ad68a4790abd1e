#include "atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sheet {

namespace {

std::string failure(const std::string& target, const char* what, int err) {
    return "cannot " + std::string(what) + " " + target + ": " + std::strerror(err);
}

}  // namespace

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open(const std::string& target, std::string& error) {
    discard();
    target_ = target;
    std::string pattern = target + ".tmp-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error = failure(target, "write", errno);
        return false;
    }
    // mkstemp makes it private; an output file gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        int err = errno;
        close(fd);
        unlink(pattern.c_str());
        error = failure(target, "write", err);
        return false;
    }
    temporary_ = pattern;
    return true;
}

bool AtomicFile::commit(std::string& error) {
    if (!stream_) {
        error = "cannot write " + target_ + ": not open";
        return false;
    }
    // No fsync: the rename already keeps a half-written file from ever
    // standing under the target's name, whatever happens to this process.
    // Only a power cut could still lose the new file, and the sheet is
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
        error = failure(target_, "write", err ? err : EIO);
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        err = errno;
        unlink(temporary_.c_str());
        temporary_.clear();
        error = failure(target_, "replace", err);
        return false;
    }
    temporary_.clear();
    return true;
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

bool writeFileAtomically(const std::string& target, const std::string& data, std::string& error) {
    AtomicFile file;
    if (!file.open(target, error))
        return false;
    if (std::fwrite(data.data(), 1, data.size(), file.stream()) != data.size()) {
        error = failure(target, "write", errno);
        return false;
    }
    return file.commit(error);
}

}  // namespace sheet
