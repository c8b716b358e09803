#pragma once
// SHA-256 (FIPS 180-4). The context carries its own copy of the 64 round constants; when that
// copy cannot be allocated its pointer stays null, and the context refuses to hash instead of
// producing a digest of nothing.

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "text/kq_types.h"

struct sha256_context {
    std::array<uint8, 64> buffer{};
    uint32 buffer_length = 0;
    // Message length in bits, low word first.
    std::array<uint32, 2> bit_count{};
    std::array<uint32, 8> state{};
    std::vector<uint32> round_constants;
    // First entry of round_constants; null when the list could not be allocated.
    const uint32* constants = nullptr;

    sha256_context();
    // The constants pointer points into this very object, so a copy would share it.
    sha256_context(const sha256_context&) = delete;
    sha256_context& operator=(const sha256_context&) = delete;
    sha256_context(sha256_context&&) = delete;
    sha256_context& operator=(sha256_context&&) = delete;
    ~sha256_context() = default;
};

// Buffer zeroed, counts 0, the FIPS 180-4 initial words, the round constants copied in.
void sha256_init(sha256_context& context);
// sha256_init unless the context is null.
void sha256_reset(sha256_context* context);
// False for a null context, no round constants, null data or a length of 0.
[[nodiscard]] bool sha256_update(sha256_context* context, const void* data, std::size_t length);
// False for a null context or one without round constants; pads, adds the bit length and
// writes the digest. The context is not re-initialised.
[[nodiscard]] bool sha256_final(sha256_context* context, std::array<uint8, 32>& out);
// Does nothing without round constants.
void sha256_transform(sha256_context& context, std::span<const uint8, 64> block);
// False for null data or a length of 0, or when the hashing fails.
[[nodiscard]] bool sha256_digest(const void* data, std::size_t length, std::array<uint8, 32>& out);
