#pragma once
// Small byte_array helpers: zero tests and trims, copies from text and digests, and dropping
// one byte value.

#include <string>
#include <vector>

#include "text/kq_types.h"

// True for an empty array or one holding only zero bytes.
[[nodiscard]] bool is_all_zero(const byte_array& bytes);

// Drop the trailing zero elements; all zeros leave the container empty. Always true.
bool trim_trailing_zero_bytes(byte_array& bytes);
bool trim_trailing_zero_units(std::vector<uint16>& units);
bool trim_trailing_nul_chars(std::wstring& text);

// out emptied, then the text's bytes; returns out.
byte_array& string_to_byte_array(byte_array& out, const std::string& text);

// Drops every byte equal to value, keeping the order of the others.
void byte_array_erase_value(byte_array& bytes, uint8 value);

// The array becomes a copy of the 32, 20 or 16 bytes (SHA-256, SHA-1, MD5 digest) at source;
// a null source leaves it empty.
void byte_array_assign32(byte_array& bytes, const uint8* source);
void byte_array_assign20(byte_array& bytes, const uint8* source);
void byte_array_assign16(byte_array& bytes, const uint8* source);
