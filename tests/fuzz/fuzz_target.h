#pragma once
// Declares a fuzz target as a plain function, so that every test run can replay the
// target's corpus through it (tests/fuzz/*_test.cpp), and, in a libFuzzer build
// (VELK_FUZZ, clang), also as the LLVMFuzzerTestOneInput entry of the target's own binary.

#include <cstddef>
#include <cstdint>

#ifdef VELK_LIBFUZZER
#define VELK_FUZZ_TARGET(name)                                                     \
    int name(const uint8_t* data, std::size_t size);                               \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) { \
        return name(data, size);                                                   \
    }                                                                              \
    int name(const uint8_t* data, std::size_t size)
#else
#define VELK_FUZZ_TARGET(name) int name(const uint8_t* data, std::size_t size)
#endif
