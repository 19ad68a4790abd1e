#pragma once
// One "kivano unfold" run of the server, as a child process held on a leash:
// its own process group, an address-space limit, killed with its group when
// the server thread that started it dies, and no descriptor of the server's
// (client connections) beyond the one its records come through.
#include <sys/types.h>

#include <string>
#include <vector>

struct ChildLimits {
    size_t memoryMb = 0;  // address space; 0: none
};

// Starts this program with `args` (args[0] is its name) in `dir`, standard
// error to `log`, its records written to descriptor 3, which comes to
// `*readEnd`; with `writeEnd`, what is written there is its standard input.
// The pid, or -1.
pid_t spawnChild(const std::vector<std::string>& args, const std::string& dir,
                 const std::string& log, const ChildLimits& limits, int* readEnd,
                 int* writeEnd = nullptr);

// Whether this build can hold a child to an address-space limit: a build
// with AddressSanitizer reserves terabytes of address space at start.
bool memoryLimitSupported();
