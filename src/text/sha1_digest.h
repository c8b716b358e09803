#pragma once
// SHA-1 (FIPS 180-4), offered beside MD5 for hashing evidence files.

#include <array>
#include <cstddef>
#include <span>

#include "text/kq_types.h"

struct sha1_context {
    // Message length in bytes, low word first.
    std::array<uint32, 2> count{};
    std::array<uint32, 5> state{};
    std::array<uint8, 64> buffer{};
};

// False for a null context; else zeroes it and sets the FIPS 180-4 initial words.
[[nodiscard]] bool sha1_init(sha1_context* context);
// False for a null context, null data or a length of 0.
[[nodiscard]] bool sha1_update(sha1_context* context, const void* data, std::size_t length);
// False for a null context; pads, adds the bit length and writes the digest. The context is
// left as it is, not re-initialised.
[[nodiscard]] bool sha1_final(std::array<uint8, 20>& out, sha1_context* context);
void sha1_transform(sha1_context& context, std::span<const uint8, 64> block);
// init, update, final; false as soon as one fails (so for null data or a length of 0).
[[nodiscard]] bool sha1_digest(const void* data, std::size_t length, std::array<uint8, 20>& out);
