#pragma once
// Whether this build runs under AddressSanitizer, which GCC and clang tell
// each in their own way.

#if defined(__SANITIZE_ADDRESS__)
#define Q6_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define Q6_ADDRESS_SANITIZER 1
#endif
#endif
