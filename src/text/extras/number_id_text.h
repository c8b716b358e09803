#pragma once
// Text forms of numbers, IPv6 addresses and 16-byte identifiers beside the everyday
// formatters of the text layer, and their readers: a number text re-written in hexadecimal
// or decimal, the stream set-up for such output, an IPv6 address, a guid16 in four layouts,
// a 16-byte identifier from three text layouts, a value with two decimals, hexadecimal
// floating-point text, and big-endian conversion. Hexadecimal output is lower case.

#include <ostream>
#include <span>
#include <string>

#include "text/guid16.h"
#include "text/kq_types.h"

// The text read by string_to_uint64, then written by uint64_to_text: decimal without fill,
// or "0x" and digits zero-filled to width (0: 2, 4, 6 or 8 digits by magnitude). "NaN" for
// a text that is not an unsigned number.
[[nodiscard]] std::string format_number_text(const std::string& text, bool hex, int width);

// Switches the stream to hexadecimal, right alignment and '0' fill (returning "0x") or to
// decimal, right alignment and blank fill (returning ""); a width other than 0 is set for the
// next item. The stream keeps these settings.
std::string set_number_base(std::ostream& out, bool hex, int width);

// The address of byte_count / 2 units, each read with its first byte high. Only the first run
// of zero units is shortened to "::", even a run of one unit; later zero units print "0".
// False, out untouched, for null bytes or a count of 0.
[[nodiscard]] bool ipv6_to_text(const uint8* bytes, uint32 byte_count, std::string& out);

namespace guid_styles {
inline constexpr int text = 0;          // 8-4-4-4-12 (also any unknown style)
inline constexpr int initializer = 1;   // "0x00112233, 0x4455, 0x6677, 0x88, ..."
inline constexpr int memory_bytes = 2;  // "33 22 11 00 ..." in storage order
inline constexpr int memory_0x = 3;     // "0x33, 0x22, ..." in storage order
}  // namespace guid_styles

// Replaces out; always true.
bool guid_to_text_styled(std::string& out, guid16 id, int style);

// A 16-byte identifier from text: a text holding '-' is read as a GUID text (guid16 layout);
// a 32-character text as sixteen hex pairs in text order (a pair without a leading hex digit
// gives 0); a 47-character text holding a blank as blank-separated hex bytes, taken only when
// exactly sixteen result. Any other text, or one that does not read, leaves dest unchanged.
void text_to_id16(std::span<uint8, 16> dest, const std::string& text);
void text_to_id16(guid16& dest, const std::string& text);
// A null text leaves dest unchanged.
void text_to_id16(std::span<uint8, 16> dest, const char* text);

// The first sixteen bytes of bytes; fewer leave dest unchanged.
void bytes_to_id16(std::span<uint8, 16> dest, const byte_array& bytes);
void bytes_to_id16(guid16& dest, const byte_array& bytes);

// Fixed point with two decimals: 3.14159 gives "3.14".
[[nodiscard]] std::string double_to_text_fixed2(double value);

// "[-]0x<hex>[.<hex>][p<exp>]", any letter case: 0x1.8p3 gives 12. out is 0 first; false,
// out 0, for a text of two characters or fewer, without "0x", or with any other character
// in the mantissa. An exponent of no digits counts as 0.
[[nodiscard]] bool parse_hex_float(const std::string& text, double& out);

// The value in big-endian byte order: swapped on a little-endian host.
[[nodiscard]] uint16 to_big_endian16(uint16 value);
[[nodiscard]] uint32 to_big_endian32(uint32 value);
[[nodiscard]] uint64 to_big_endian64(uint64 value);

// The three converters, 16-, 32- and 64-bit, in that order.
struct big_endian_converter_table {
    uint16 (*to16)(uint16);
    uint32 (*to32)(uint32);
    uint64 (*to64)(uint64);
};
inline constexpr big_endian_converter_table big_endian_converters = {
    to_big_endian16, to_big_endian32, to_big_endian64};

// wcstr_to_int of the text.
[[nodiscard]] bool wstring_to_int(const std::wstring& text, int* out);
