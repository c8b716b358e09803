#pragma once
// Character filters through which a record finder copies a column's bytes into text. A
// column of another table, or bytes that were never a record, rarely pass them, so a
// failing filter is what rejects a false candidate.

#include <string>

#include "text/kq_types.h"

// Bits of a filter: every set bit adds a condition a character must meet; 0 accepts all.
inline constexpr uint32 filter_printable = 0x01;     // 0x20 to 0x7E
inline constexpr uint32 filter_hex_digit = 0x02;     // 0-9, a-f, A-F
inline constexpr uint32 filter_lower_letter = 0x04;  // a-z
inline constexpr uint32 filter_hex_letter = 0x08;    // a-f, A-F
inline constexpr uint32 filter_line_breaks = 0x10;   // tab, LF and CR pass without the others

// Does one character (a byte, or a 16-bit UTF-16 unit) pass the filter?
[[nodiscard]] bool passes_text_filter(uint32 character, uint32 flags);

// All `length` bytes as 8-bit text. The first failing byte empties out and gives false; so
// do no bytes.
[[nodiscard]] bool filter_ascii(std::string& out, const uint8* data, uint32 length, uint32 flags);

// The first `count` bytes; a failing byte stops the scan and gives false, out keeping the
// bytes before it when there are at least `min_length` of them (else out is empty). True
// only when all `count` bytes passed.
[[nodiscard]] bool filter_ascii_prefix(std::string& out, const uint8* data, uint32 min_length,
                                       uint32 count, uint32 flags);

// `byte_count` / 2 UTF-16 units, little-endian unless big_endian, each tested on its 16-bit
// value (a unit above 0x7F passes none of the letter and digit tests), converted to UTF-8
// when all pass. False with out empty at the first failing unit or when there is no whole
// unit.
[[nodiscard]] bool filter_utf16(std::string& out, const uint8* data, uint32 byte_count,
                                uint32 flags, bool big_endian = false);

// As filter_utf16, but a failing unit stops the scan: the units before it are converted
// when there are at least `min_length` of them (true), else out is empty (false).
[[nodiscard]] bool filter_utf16_prefix(std::string& out, const uint8* data, uint32 min_length,
                                       uint32 byte_count, uint32 flags, bool big_endian = false);
