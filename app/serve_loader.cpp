#include "serve_command.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#ifndef KIVANO_SERVE_MODULE
#define KIVANO_SERVE_MODULE "libkivano_serve.so"
#endif

namespace {

int serve(const ServeOptions& options) {
    const char* path = std::getenv("KIVANO_SERVE_MODULE");
    if (!path || !*path)
        path = KIVANO_SERVE_MODULE;
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "kivano: error: cannot load the server (%s)\n", dlerror());
        return 1;
    }
    auto run = reinterpret_cast<int (*)(const ServeOptions*)>(dlsym(module, "kivanoServe"));
    if (!run) {
        std::fprintf(stderr, "kivano: error: %s is not the server module\n", path);
        return 1;
    }
    return run(&options);
}

}  // namespace

CLI::App* addServeCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* cmd = app.add_subcommand("serve", "Serve the unfolding as a page in the browser");
    cmd->add_option("--port", options->port, "Port to listen on (0: any free one)")
        ->capture_default_str();
    cmd->add_option("--host", options->host,
                    "Address to listen on (other than loopback: reachable from the network)")
        ->capture_default_str();
    cmd->add_option("--web-root", options->webRoot, "Folder of the page's files")->group("");
    cmd->add_option("--max-upload-mb", options->maxUploadMb, "Largest upload in MB (1 to 65536)")
        ->check(CLI::Range(size_t(1), size_t(65536)))
        ->capture_default_str();
    cmd->add_option("--max-queue", options->maxQueue, "Most jobs waiting at once (1 to 10000)")
        ->check(CLI::Range(size_t(1), size_t(10000)))
        ->capture_default_str();
    cmd->add_option("--job-seconds", options->jobSeconds,
                    "A job is stopped after this many seconds (1 to 86400)")
        ->check(CLI::Range(1, 86400))
        ->capture_default_str();
    cmd->add_option("--job-memory-mb", options->jobMemoryMb,
                    "Address space a job may use, MB (0: no limit; at most 1048576)")
        ->check(CLI::Range(size_t(0), size_t(1048576)))
        ->capture_default_str();
    cmd->callback([options, &exitCode] { exitCode = serve(*options); });
    return cmd;
}
