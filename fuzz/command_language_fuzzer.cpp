// Text of the command language, parsed and run at top level in a small scene,
// then every step it recorded undone and redone: nothing may crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/undo_queue.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzhost::start();
    fuzzhost::removeOutsideCommands();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzhost::resetToSmallScene();
    fuzzhost::run(std::string(reinterpret_cast<const char*>(data), size));
    host::UndoQueue& queue = host::UndoQueue::instance();
    while (queue.undo()) {
    }
    while (queue.redo()) {
    }
    return 0;
}
