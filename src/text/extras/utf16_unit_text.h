#pragma once
// Single characters to UTF-8, and UTF-16 units (machine byte order) read into UTF-8 or
// lower-cased wide text, or written from narrow text with CR LF line ends.

#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

// One unit as 1 to 3 UTF-8 bytes. Surrogates are encoded unit by unit like any other value,
// so a pair gives two three-byte sequences (as CESU-8 does), never a four-byte one.
[[nodiscard]] std::string utf16_unit_to_utf8(uint16_t unit);
// One ISO-8859-1 byte as 1 or 2 UTF-8 bytes; the same rule as the NUL-terminated overload in
// text/utf16_text.h.
[[nodiscard]] std::string latin1_to_utf8(char latin1);

// out receives the units up to a NUL or byte_count / 2 units (byte_count -1: at most 500) in
// UTF-8, decoded by utf16_to_wstring; consumed receives the bytes read, never the NUL's.
void utf16_to_utf8_with_count(const uint16_t* units, std::string& out, int32& consumed,
                              int32 byte_count);

// The units up to a NUL or 768 units, whichever comes first, each widened to one wide
// character (surrogates not paired) and lower-cased. Empty for null.
[[nodiscard]] std::wstring utf16_to_lower_wstring(const uint16_t* units);

// out is filled by ascii_to_utf16_crlf from *text: one unit per byte, "\n" as CR LF, a final
// NUL unit. Returns the first unit, or null for a null or empty text (out then empty).
uint16_t* utf16_crlf_from_text(std::vector<uint16_t>& out, const char* const* text);
