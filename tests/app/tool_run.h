#pragma once
// Runs the kivano tool as a user would, from a test program told where the
// tool, the plug-in and the examples are.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

struct Outcome {
    int exit = -1;
    std::string out;  // standard output and error together
};

inline std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline Outcome runCommand(const std::string& command) {
    Outcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), got);
    int status = pclose(pipe);
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// In `folder` when given, as a server runs it in a job's folder.
inline Outcome unfold(const std::vector<std::string>& args,
                      const std::filesystem::path& folder = {}) {
    std::string command = (folder.empty() ? "" : "cd " + shellQuote(folder.string()) + " && ") +
                          "KIVANO_PLUGIN=" + shellQuote(KIVANO_PLUGIN_FILE) + " " +
                          shellQuote(KIVANO_EXE) + " unfold";
    for (const std::string& arg : args)
        command += " " + shellQuote(arg);
    return runCommand(command);
}

inline std::string example(const std::string& name) {
    return std::string(KIVANO_EXAMPLES) + "/" + name;
}
