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
    cmd->add_option("--host", options->host, "Address to listen on")->capture_default_str();
    cmd->add_option("--web-root", options->webRoot, "Folder of the page's files")->group("");
    cmd->add_option("--max-upload-mb", options->maxUploadMb, "Largest upload in MB")
        ->capture_default_str();
    cmd->callback([options, &exitCode] { exitCode = serve(*options); });
    return cmd;
}
