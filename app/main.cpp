// kivano: paper-craft sheets from 3-D models, and the stand-in host they run in.
#include <CLI/CLI.hpp>

#include "shell_command.h"
#ifdef KIVANO_HAS_UNFOLD
#include "unfold_command.h"
#endif
#ifdef KIVANO_HAS_SERVE
#include "serve_command.h"
#endif

int main(int argc, char** argv) {
    CLI::App app{"kivano - unfold 3-D models into printable paper-craft sheets"};
    app.require_subcommand(1);
    int exitCode = 0;
    addShellCommand(app, exitCode);
#ifdef KIVANO_HAS_UNFOLD
    CLI::App* unfold = addUnfoldCommand(app, exitCode);
#endif
#ifdef KIVANO_HAS_SERVE
    addServeCommand(app, exitCode);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
#ifdef KIVANO_HAS_UNFOLD
        if (unfold->parsed() && e.get_exit_code() != int(CLI::ExitCodes::Success))
            return unfoldUsageError(e.what());
#endif
        return app.exit(e);
    }
    return exitCode;
}
