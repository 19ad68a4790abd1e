#include "shell_command.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include <host_session/session.h>

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void showResult(const std::string& result) {
    // Straight to standard output: results show even in a quiet session.
    std::printf("// Result: %s //\n", result.c_str());
    std::fflush(stdout);
}

// Runs one chunk of complete statements; false when one failed (the rest of
// the chunk then does not run).
bool runChunk(const std::string& chunk) {
    return host_session::runTypedInput(chunk, showResult).succeeded();
}

// Gathers lines into complete statements, so a statement may span lines and
// a line may hold several.
int runStatements(std::istream& in, const ShellOptions& options, bool interactive) {
    int failures = 0;
    std::string chunk, line;
    auto flush = [&]() {
        const bool ok = chunk.find_first_not_of(" \t\r\n") == std::string::npos || runChunk(chunk);
        chunk.clear();
        if (!ok)
            ++failures;
        return ok || options.keepGoing || interactive;
    };
    while (std::getline(in, line)) {
        chunk += line;
        chunk += '\n';
        if (host_session::isCompleteInput(chunk) && !flush())
            break;
    }
    if (!chunk.empty() && (options.keepGoing || interactive || failures == 0))
        flush();
    return failures == 0 ? 0 : 1;
}

int runPythonFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream code;
    code << in.rdbuf();
    // Straight to the interpreter rather than through the "python" command, so
    // each maya.cmds call of the script is its own step on the undo queue, as
    // when a person types them one after another.
    return host_session::runPython(code.str()).succeeded() ? 0 : 1;
}

}  // namespace

int runShell(const ShellOptions& options) {
    host_session::setQuiet(options.quiet);
    host_session::Session session;
    if (options.file.empty())
        return runStatements(std::cin, options, isatty(STDIN_FILENO) != 0);
    std::ifstream in(options.file);
    if (!in) {
        host_session::postMessage(host_session::MessageKind::Error,
                                  "kivano shell: cannot read \"" + options.file + "\"");
        return 1;
    }
    if (endsWith(options.file, ".py"))
        return runPythonFile(options.file);
    return runStatements(in, options, false);
}

CLI::App* addShellCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ShellOptions>();
    CLI::App* shell =
        app.add_subcommand("shell", "Run host script statements from FILE or standard input");
    shell
        ->add_option("file", options->file,
                     "Script of command-language statements, or a .py file of Python")
        ->check(CLI::ExistingFile);
    shell->add_flag("-q,--quiet", options->quiet, "Show only results and errors");
    shell->add_flag("-k,--keep-going", options->keepGoing, "Run on after a failed statement");
    shell->callback([options, &exitCode]() { exitCode = runShell(*options); });
    return shell;
}
