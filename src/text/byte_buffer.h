#pragma once
// byte_array helpers: allocation that never throws, comparison, 16-byte blocks, and the
// counted text form used inside byte buffers.
//
// Counted text: a length n of 0 to 0x7FFF, as one byte n below 128, else as the two bytes
// (n >> 8) | 0x80 and n & 0xFF; then the n bytes. A list is its count in the same form
// followed by each text in counted form.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "text/kq_types.h"

// Empties the buffer, then makes it n zero bytes long; it stays empty when that much memory
// cannot be had.
void byte_array_alloc(byte_array& buffer, std::size_t n);
void byte_array_alloc_32(byte_array& buffer);
void byte_array_alloc_20(byte_array& buffer);
void byte_array_alloc_16(byte_array& buffer);
// byte_array_alloc(length), then the source bytes copied in. A null source leaves the buffer
// empty: there is nothing to copy, and zeros would pass for data.
void byte_array_assign(byte_array& buffer, const void* source, std::size_t length);
[[nodiscard]] bool byte_array_equal(const byte_array& a, const byte_array& b);
// Copies the 16 source bytes; a null source zeroes the destination.
void block16_copy_or_zero(std::span<uint8, 16> destination, const uint8* source);

// Largest length and list count the counted form can express.
inline constexpr std::size_t counted_text_max = 0x7FFF;

// Empties the buffer unless append; false (nothing appended) for a text longer than 0x7FFF
// bytes; else appends its counted form.
[[nodiscard]] bool append_counted_text(byte_array& buffer, const std::string& text, bool append);
// Empties the buffer unless append; false (nothing appended) for more than 0x7FFF texts or
// any text longer than 0x7FFF bytes; else appends the count and each text.
[[nodiscard]] bool append_counted_text_list(byte_array& buffer,
                                            const std::vector<std::string>& texts, bool append);
