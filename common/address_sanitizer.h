#pragma once
// Whether this build runs under AddressSanitizer, which GCC and clang tell
// in different ways: such a build tears everything down to find leaks, and
// reserves terabytes of address space at start.
#if defined(__SANITIZE_ADDRESS__)
#define KIVANO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIVANO_ADDRESS_SANITIZER 1
#endif
#endif

namespace kivano {

#ifdef KIVANO_ADDRESS_SANITIZER
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace kivano
