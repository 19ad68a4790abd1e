#pragma once
// What a browser sends for a job, made safe to hand to "kivano unfold": file
// names reduced to plain names in the job's input folder, each file written
// there as it arrives, options turned into the command's arguments. What the
// files refer to is not read here: the run itself opens only files of that
// folder.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The last component of a client's path ('/' or '\'), or empty when that is
// no file name ("", ".", "..", control characters).
std::string plainName(const std::string& name);

// The uploaded files of one job, streamed into `dir` (which exists and is
// empty) one after the other.
class UploadFolder {
public:
    explicit UploadFolder(std::filesystem::path dir) : dir_(std::move(dir)) {}
    ~UploadFolder();
    UploadFolder(const UploadFolder&) = delete;
    UploadFolder& operator=(const UploadFolder&) = delete;

    // Starts the next file, named as the client named it. False with the
    // reason a person reads.
    bool begin(const std::string& clientName, std::string& error);
    bool append(const char* data, size_t size, std::string& error);
    // After the last file: exactly one of them must be a model, whose plain
    // name goes to `model`.
    bool finish(std::string& model, std::string& error);

private:
    bool close(std::string& error);

    std::filesystem::path dir_;
    std::set<std::string> names_;
    std::string model_, current_;
    std::FILE* file_ = nullptr;
};

// Options are a flat object of a few dozen short values.
constexpr size_t kMaxOptionsBytes = 64 * 1024;

// A JSON object of the unfold command's options as "--name=value"
// arguments, each checked against the option table as the command would.
bool unfoldArguments(const std::string& json, std::vector<std::string>& args, std::string& error);
