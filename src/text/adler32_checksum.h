#pragma once
// Adler-32 (RFC 1950). A context starts at 0, not at the standard 1: only the whole-file form
// sets 1 before its first update, so a caller that chains updates itself chooses the start.

#include <cstddef>
#include <string>

#include "text/kq_types.h"

struct adler32_context {
    // First sum in the low 16 bits, second sum in the high 16 bits.
    uint32 value = 0;
    // Set to 1 by the whole-file form, 0 by clear; nothing reads it.
    uint32 started = 0;
    // "0x" and 8 lower-case hex digits of the last adler32_final_text result.
    std::string text;

    void clear();
};

// False for a null context, null data or a length of 0.
[[nodiscard]] bool adler32_update(adler32_context* context, const void* data, std::size_t length);
// Stores the result text and returns the value; 0 for a null context.
uint32 adler32_final_text(adler32_context* context);
// The Adler-32 of the buffer from the standard start 1; 1 for no bytes.
[[nodiscard]] uint32 adler32_buffer(const void* data, uint64 length);
// The Adler-32 of block 1 followed by block 2 from their values and the length of block 2;
// 0xFFFFFFFF for a negative length.
[[nodiscard]] uint32 adler32_combine(uint32 adler1, uint32 adler2, int64 length2);
