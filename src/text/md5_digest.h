#pragma once
// MD5 (RFC 1321). The tool's schema signatures are MD5 digests of "sz;col1;col2;..." kept in a
// guid16, so every signature the carver compares comes from md5_digest.

#include <array>
#include <cstddef>
#include <span>

#include "text/guid16.h"
#include "text/kq_types.h"

struct md5_context {
    std::array<uint32, 4> state{};
    // Message length in bits, low word first.
    std::array<uint32, 2> count{};
    std::array<uint8, 64> buffer{};
};

// Bit count 0, buffer zeroed, state set to the RFC 1321 initial words.
void md5_init(md5_context& context);
// False for a null context; else md5_init.
[[nodiscard]] bool md5_reset(md5_context* context);
// False for a null context, null data or a length of 0.
[[nodiscard]] bool md5_update(md5_context* context, const void* data, std::size_t length);
// False for a null context; else pads, writes the digest and re-initialises the context.
[[nodiscard]] bool md5_final(std::array<uint8, 16>& out, md5_context* context);
// The words little-endian into out: byte_count bytes, cut to what both spans hold.
void md5_encode(std::span<uint8> out, std::span<const uint32> words, std::size_t byte_count);
// The RFC 1321 compression of one 64-byte block.
void md5_transform(std::array<uint32, 4>& state, std::span<const uint8, 64> block);
// The digest of the bytes into out; false, out untouched, for null data or a length of 0.
[[nodiscard]] bool md5_digest(const void* data, uint32 length, guid16& out);
