#pragma once
// Number text: option values, configuration values, cell values and numbers inside CREATE
// TABLE texts are parsed here; offsets, padded cells and floating values are written here;
// and a few integer forms stored in bytes (varints, little-endian words, length-prefixed
// texts) are read here.
//
// Every parser sets its out value to 0 first and reports success by its result; none
// throws. Where the runtime's "long" conversions are named, their 32-bit behaviour is kept
// explicitly (clamped magnitudes, negation modulo 2^32), so results do not depend on the
// width of long on this platform.

#include <ios>
#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// ---- Parsing ---------------------------------------------------------------------------

// "0x1f", "x1f" (hex), "o17" (octal), "+5", "42" (decimal, 32-bit strtoul rules), or a
// quoted character such as 'A' (its code). The prefix is recognised on a trimmed,
// lower-cased copy, the digits are converted from the caller's text at the same offset. A
// minus sign before the digits ("-1") is refused: it names no unsigned value.
[[nodiscard]] bool parse_uint32(const char* text, uint32* out);
[[nodiscard]] bool string_to_uint32(const std::string& text, uint32* out);
// Keeps the low byte of each wide character, then parses as above.
[[nodiscard]] bool wide_text_to_uint32(const std::wstring& text, uint32* out);
// Converts the wide text to UTF-8, then parses as above.
[[nodiscard]] bool wcstr_to_uint32(const wchar_t* text, uint32* out);

// Hexadecimal after an 'x' anywhere, octal after an 'o' anywhere (the unsigned 32-bit value
// stored as int), else signed decimal clamped to the int range.
[[nodiscard]] bool parse_int_text(const char* text, int* out);
[[nodiscard]] bool string_to_int(const std::string& text, int* out);
[[nodiscard]] bool wcstr_to_int(const wchar_t* text, int* out);

// Unsigned 64-bit: "0x"/"x" hexadecimal (at most 16 digits), "o" octal (at most 22),
// decimal (at most 20); a blank after the number, a text over 30 characters, a minus sign
// and a value beyond 64 bits are refused.
[[nodiscard]] bool parse_uint64(const char* text, uint64* out);
[[nodiscard]] bool string_to_uint64(const std::string& text, uint64* out);
// A signed 64-bit value (a rowid, an i64 cell) in the forms parse_uint64 reads, with an
// optional '-' before them: out holds its two's-complement bits, so "-3" gives 2^64 - 3 on
// purpose here. A magnitude beyond 2^63 after the '-' is refused.
[[nodiscard]] bool parse_int64_bits(const char* text, uint64* out);

// Signed 64-bit, clamped at the 64-bit limits: hexadecimal after an 'x', octal after an 'o',
// else signed decimal. Trims, lower-cases and cuts the caller's text in place.
[[nodiscard]] bool string_to_int64(std::string& text, int64* out);
[[nodiscard]] bool cstr_to_int64(const char* text, int64* out);
// Takes the low byte of each wide character.
[[nodiscard]] bool wstring_to_int64(const std::wstring& text, int64* out);

// Every word of the text (double-quoted runs kept together) that string_to_int64 accepts.
[[nodiscard]] bool parse_number_list(const std::string& text, std::vector<int64>& out);

// Reads an unsigned 64-bit number with a wide string stream whose base field is *base
// (decimal for a null pointer); 0 when nothing can be read or the text is negative.
[[nodiscard]] uint64 wtext_to_uint64(const std::wstring& text, const std::ios_base::fmtflags* base);

// atof of a non-empty text; false for a null or empty text.
[[nodiscard]] bool parse_double(const char* text, double* out);

// "de:ad:be:ef", "10.20.30.40", "1-2-3": one byte per item; at most 80 characters.
[[nodiscard]] bool parse_separated_bytes(const char* text, byte_array& out);

[[nodiscard]] bool is_hex_digit(unsigned char c);

// ---- Formatting ------------------------------------------------------------------------

// Decimal, or "0x" and lower-case hex digits zero-filled to at least width digits; a width
// of 0 picks 2, 4, 6 or 8 digits by magnitude (stepping at 0xFE, 0xFFFE, 0xFFFFFE).
[[nodiscard]] std::string uint64_to_text(uint64 value, bool hex, int width);

// The integer part in full, then the fraction at the given number of significant digits
// with its leading "0" dropped: 12.5 gives "12.5", 3.0 gives "3".
std::string& double_to_text(std::string& out, double value, int precision);

// The value to the nearest hundredth, computed in single precision.
[[nodiscard]] double round_to_hundredths(double value);

// Writes n blanks and leaves the fill character a blank; null (nothing written) for n <= 0.
std::ostream* pad_field(std::ostream& stream, int n);
[[nodiscard]] std::string dash_line(int n);
std::string& blank_text(std::string& out, int n);

// ---- Integers stored in bytes ----------------------------------------------------------

// The SQLite variable-length integer at the start of the bytes (at most length bytes, never
// past the array): up to eight 7-bit groups, a ninth byte giving all 8 bits.
[[nodiscard]] bool read_varint_be(uint64* out, const byte_array& bytes, int length);
// The same groups combined from the last collected to the first.
[[nodiscard]] bool read_varint_le(uint64* out, const byte_array& bytes, int length);

// The first min(length, 8) bytes as a little-endian number; 0 for null or length <= 0.
[[nodiscard]] uint64 read_uint_le(const uint8* data, int length);
[[nodiscard]] uint64 byte_array_to_uint_le(const byte_array& bytes);

// The 64-bit sum of the whole little-endian words of the buffer plus each remaining byte.
[[nodiscard]] uint64 sum64_checksum(const char* data, uint32 count);

// A text behind a 1-byte (below 0x80) or 2-byte (top bit set, 15 bits big-endian) length
// prefix; returns the bytes consumed, the prefix alone when the text is cut short.
int unpack_length_string(std::string& out, const char* data, uint32 length);
