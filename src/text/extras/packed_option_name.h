#pragma once
// Option words stored as a 64-bit number of packed letters, so that a caller can keep a
// word such as "vmdk" in a constant instead of a string.

#include <string>

#include "text/kq_types.h"

// "-" followed by the bytes of packed, most significant first, keeping only the lower-case
// letters a-z: leading zero bytes and upper-case letters are skipped, not folded.
[[nodiscard]] std::string packed_option_name(uint64 packed);
