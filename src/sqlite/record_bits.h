#pragma once
// Bit-level helpers around records: how many columns a 64-bit column mask selects, and
// turning a text of '0' and '1' characters into bytes.

#include <string>

#include "text/kq_types.h"

// Set bits among the low 60 bits of the mask: only those bits stand for columns.
[[nodiscard]] int32 count_mask_bits(uint64 mask);

// Empties bytes, then packs the characters of text into bytes, most significant bit first
// ('1' is a one bit, any other character a zero bit). The first byte takes
// 8 - (length mod 8) characters, every later byte 8, and a partly filled last byte is kept.
// Always true.
[[nodiscard]] bool bit_text_to_bytes(byte_array& bytes, const std::string& text);
