// kivano: paper-craft sheets from 3-D models, and the stand-in host they run in.
#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "shell_command.h"
#ifdef KIVANO_HAS_UNFOLD
#include "option_table.h"
#include "unfold_command.h"
#endif
#ifdef KIVANO_HAS_SERVE
#include "serve_command.h"
#endif

#ifndef KIVANO_VERSION
#define KIVANO_VERSION "unknown"
#endif

namespace {

#ifdef KIVANO_HAS_UNFOLD
// " (did you mean 'unfold'?)" when a known name is near the typed one.
std::string suggestion(const std::vector<std::string>& known, const std::string& typed,
                       const std::string& prefix) {
    std::string near = nearestName(known, typed);
    return near.empty() ? "" : " (did you mean '" + prefix + near + "'?)";
}

// A first word that names no command: said so, with the nearest command.
bool unknownCommand(const CLI::App& app, int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-')
        return false;
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(sub->get_name());
    for (const std::string& name : names)
        if (name == argv[1])
            return false;
    std::fprintf(stderr, "kivano: error: unknown command '%s'%s; the commands are", argv[1],
                 suggestion(names, argv[1], "").c_str());
    for (const std::string& name : names)
        std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return true;
}

// What the command's parser did not take: an option it does not know is
// named with the nearest one it does.
std::string unexpected(const CLI::App& command) {
    std::vector<std::string> known;
    for (const CLI::Option* option : command.get_options())
        for (const std::string& name : option->get_lnames())
            known.push_back(name);
    for (const std::string& arg : command.remaining())
        if (arg.rfind("--", 0) == 0) {
            std::string name = arg.substr(2, arg.find('=') - 2);
            return "unknown option --" + name + suggestion(known, name, "--");
        }
    return {};
}
#endif

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kivano - unfold 3-D models into printable paper-craft sheets"};
    app.set_version_flag("--version", std::string("kivano ") + KIVANO_VERSION);
    app.require_subcommand(1);
    int exitCode = 0;
    addShellCommand(app, exitCode);
#ifdef KIVANO_HAS_UNFOLD
    CLI::App* unfold = addUnfoldCommand(app, exitCode);
#endif
#ifdef KIVANO_HAS_SERVE
    addServeCommand(app, exitCode);
#endif
#ifdef KIVANO_HAS_UNFOLD
    if (unknownCommand(app, argc, argv))
        return kUnfoldBadOption;
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
#ifdef KIVANO_HAS_UNFOLD
        if (unfold->parsed() && e.get_exit_code() != int(CLI::ExitCodes::Success)) {
            std::string unknown = unexpected(*unfold);
            return unfoldUsageError(unknown.empty() ? e.what() : unknown);
        }
#endif
        return app.exit(e);
    }
    return exitCode;
}
