// libFuzzer entry of a fuzz binary: it is linked with exactly one *_fuzz.cpp.

#include <cstddef>
#include <cstdint>

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    return velk_fuzz::targets().front().entry(data, size);
}
