#pragma once
// Hexadecimal text of bytes and back, and the decimal text of integers. "-filter_sig" byte
// texts, blob cells, GUID digits and C source tables of bytes pass through here.

#include <cstddef>
#include <ios>
#include <iosfwd>
#include <string>

#include "text/kq_types.h"

// Each byte as two lower-case hex digits ("0x" before each with with_0x), the separator
// between bytes. Replaces out; false, out untouched, for null bytes or a length of 0.
[[nodiscard]] bool bytes_to_hex_text(std::string& out, const uint8* bytes, std::size_t length,
                                     const std::string& separator, bool with_0x);
// Empties out first; false for an empty buffer.
[[nodiscard]] bool byte_array_to_hex_text(std::string& out, const byte_array& bytes,
                                          const std::string& separator, bool with_0x);
// The hex text without "0x"; empty for an empty buffer.
[[nodiscard]] std::string byte_array_hex_string(const byte_array& bytes,
                                                const std::string& separator);

// Byte values separated by the first of ' ', ',', ':', '-' the text holds (a text without
// one is a single item when it is 2 characters long, or holds an 'x' within 4 characters).
// Each item is read in hex after its first 'x'; its low byte is kept. True when out is not
// empty.
[[nodiscard]] bool parse_hex_byte_list(const std::string& text, byte_array& out);
// "1f2030" -> 1F 20 30: the digits taken in pairs.
[[nodiscard]] bool hex_pairs_to_bytes(const std::string& text, byte_array& out);
// Splits on separator (items trimmed, empty ones dropped); one byte per item, read as hex
// when hex is set, else by string_to_int; the low byte kept.
byte_array& parse_hex_bytes(byte_array& buffer, const std::string& text, char separator, bool hex);
// Byte values separated by '.', ':' or '-' (at most 80 characters); true only for exactly n
// of them, which are then copied to out (which holds n bytes).
[[nodiscard]] bool parse_hex_bytes_exact(const char* text, uint8* out, int32 n);

// "const byte name[] = {0x01, 0xab};" on one line; false for no bytes or a null name.
[[nodiscard]] bool byte_array_to_source_array(const char* name, const byte_array& bytes,
                                              std::string& out);
// "label: 0x..../<decimal>": the value in hex (at least 2 digits) and in decimal. Nothing
// for a null label.
std::ostream& print_labelled_hex(std::ostream& stream, const char* label, uint64 value);

bool int_to_text(int32 value, std::string& out);
bool uint64_to_decimal_text(uint64 value, std::string& out);
// Reads an unsigned number in the base that the basefield of `format` names (std::ios::dec,
// hex or oct); 0 when none can be read or the text holds a negative number.
[[nodiscard]] uint64 parse_uint64_in_base(const std::string& text, std::ios_base::fmtflags format);
