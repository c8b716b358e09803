#pragma once
// Raw bytes of timestamp values for the scanner and sweep tests.

#include <cstddef>

#include "text/kq_types.h"

namespace time_test {

// The first count bytes of value, least significant first (zeros past the eighth).
inline byte_array le_bytes(uint64 value, std::size_t count) {
    byte_array bytes(count);
    for (std::size_t i = 0; i < count && i < 8; ++i) {
        bytes.at(i) = static_cast<uint8>(value >> (8 * i));
    }
    return bytes;
}

}  // namespace time_test
