#pragma once
// What a browser sends for a job, made safe to hand to "kivano unfold": file
// names reduced to plain names in the job's folder, references between the
// files kept within the upload, options turned into the command's arguments.
#include <string>
#include <vector>

struct UploadedFile {
    std::string name;  // as the client gave it
    std::string content;
};

// The last component of a client's path ('/' or '\'), or empty when that is
// no file name ("", ".", "..", control characters).
std::string plainName(const std::string& name);

// Writes the files into `dir` (which exists): an MTL's textures, an OBJ's
// material libraries and a glTF's buffers and images may name only files
// of the upload. Exactly one file must be a model; its name goes to `model`.
// False with the reason a person reads.
bool writeJobFiles(const std::vector<UploadedFile>& files, const std::string& dir,
                   std::string& model, std::string& error);

// A JSON object with the unfold command's option names ("page", "no-lugs",
// "lug-width", ...) as "--name=value" arguments. Values are checked for
// their type here and for their range by the command itself.
bool unfoldArguments(const std::string& json, std::vector<std::string>& args, std::string& error);
