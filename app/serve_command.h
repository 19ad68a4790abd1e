#pragma once
// "kivano serve": the whole job as a local web page and an HTTP API. Every
// job runs as a child "kivano unfold" in a folder of its own, one at a time,
// so that nothing a model does to that run can stop the server. Only the
// person who started it can use it: its address carries a token, and
// requests by another name or from another site's pages are refused.
//
// The server lives in a module of its own (serve_command.cpp, with the HTTP
// library and what that loads: TLS, compression), which the tool opens only
// for "serve": an unfold run keeps the memory it had without it.
#include <cstddef>
#include <string>

#include <CLI/CLI.hpp>

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8000;      // 0: any free port, printed
    std::string webRoot;  // the page's files; empty: those of the build
    size_t maxUploadMb = 200;
    size_t maxQueue = 32;       // jobs waiting at once
    int jobSeconds = 600;       // a run is killed after this long
    size_t jobMemoryMb = 4096;  // a run's address space; 0: no limit
};

// Adds the "serve" subcommand (serve_loader.cpp); when it is parsed, its
// callback opens the module, serves until SIGINT or SIGTERM and leaves the
// exit code in `exitCode`.
CLI::App* addServeCommand(CLI::App& app, int& exitCode);

// In the module: serves until SIGINT or SIGTERM; the exit code.
int runServe(const ServeOptions& options);
extern "C" int kivanoServe(const ServeOptions* options);
