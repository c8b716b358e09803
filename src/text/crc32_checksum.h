#pragma once
// CRC-32 with the reflected polynomial 0xEDB88320, initial value all ones and final
// complement (the common CRC-32 of zip and PNG). The stored value is always the finished CRC:
// each update complements it before and after, so updates chain and a fresh context (CRC 0)
// starts the common checksum.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "text/kq_types.h"

struct crc32_context {
    std::vector<uint32> table;
    // First table entry; null until crc32_init_table built the table.
    const uint32* table_ptr = nullptr;
    uint32 crc = 0;
    uint8 spare = 0;
    // "0x" and 8 lower-case hex digits of the last crc32_final_text result.
    std::string text;

    crc32_context() = default;
    // table_ptr points into this very object, so a copy would share it.
    crc32_context(const crc32_context&) = delete;
    crc32_context& operator=(const crc32_context&) = delete;
    crc32_context(crc32_context&&) = delete;
    crc32_context& operator=(crc32_context&&) = delete;
    ~crc32_context() = default;

    // Empty table, null pointer, CRC 0, spare byte 0, empty text.
    void clear();
};

// False for a null context or when the 256 entries cannot be allocated.
[[nodiscard]] bool crc32_init_table(crc32_context* context);
// False for a null context, a table not yet built, or null data with a non-zero length.
[[nodiscard]] bool crc32_update(crc32_context* context, const void* data, std::size_t length);
// Stores the result text and returns the CRC; 0 for a null context.
uint32 crc32_final_text(crc32_context* context);
// The CRC of the bytes (0 for none, and when the table cannot be built).
[[nodiscard]] uint32 crc32_digest(const void* data, std::size_t length);
// The CRC of block 1 followed by block 2 from their CRCs and the length of block 2 (zlib's
// GF(2) matrix method); a length of 0 or less returns crc1.
[[nodiscard]] uint32 crc32_combine(uint32 crc1, uint32 crc2, int64 length2);
// Helpers of crc32_combine over 32x32 GF(2) matrices, one column per entry.
using gf2_matrix = std::array<uint32, 32>;
[[nodiscard]] uint32 gf2_matrix_times(const gf2_matrix& matrix, uint32 vector);
void gf2_matrix_square(gf2_matrix& square, const gf2_matrix& matrix);

// "0x" and the value in 8 lower-case hex digits, zero-filled.
[[nodiscard]] std::string checksum_text(uint32 value);
