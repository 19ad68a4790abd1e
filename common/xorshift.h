#pragma once
// Numbers the same on every machine and run (xorshift64), so that what a
// search picks with them, and the sheet it makes, is the same wherever it is
// made.
#include <cstdint>

namespace kivano {

struct Xorshift {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t operator()() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

}  // namespace kivano
