#pragma once
// Bytes and numbers read back from text: hex pairs, a hex dump's byte column, lists of
// numbers under one separator, and single numbers from narrow or wide text. These overload
// the hex_text and number_text parsers of the same names with their own argument order and
// rules; both are kept.

#include <string>
#include <vector>

#include "text/kq_types.h"

// out = the text cut into two-character pieces from the start (a last odd character alone),
// each read with strtol in base 16 and kept as its low byte: "abc" gives AB 0C, a piece that
// is no hex number gives 0 or the value of its leading digit.
byte_array& hex_pairs_to_bytes(byte_array& out, const std::string& text);

// Reads back a dump whose lines are "address  byte column  characters": the column starts
// after the first two-blank gap of the first line and is as wide as the text up to its next
// two-blank gap; every line is cut at that place and each blank-separated item of exactly
// two hex digits is a byte. The first line whose column holds nothing ends the dump. False,
// out empty, for an empty text or a first line without both gaps; else true when a byte was
// read.
[[nodiscard]] bool hex_dump_to_bytes(byte_array& out, const std::string& text);

// With a blank separator: list = every word (double-quoted runs kept whole) that reads as a
// signed number. With any other separator the values of the parts (trimmed; "x" hex, "o"
// octal or signed decimal) are APPENDED. True when the list is not empty afterwards.
[[nodiscard]] bool text_to_int64_list(const std::string& text, std::vector<int64>& list,
                                      char separator);

// out = the low byte of every word that reads as an unsigned 32-bit number (decimal, hex,
// octal or a quoted character). True when out is not empty.
[[nodiscard]] bool text_to_byte_list(const std::string& text, byte_array& out);

// list = the unsigned 64-bit values of the parts of the text split at the first candidate
// (in the candidates' order, a NUL ending them) that occurs in it; without one the whole
// text is the only part. Returns the separator used, or 0.
char split_numbers_first_separator(std::vector<uint64>& list, const std::string& text, bool trim,
                                   bool keep_empty, const std::string& candidates);

// Exactly n byte values separated by '.', ':' or '-' into out (which holds n bytes).
[[nodiscard]] bool whex_to_bytes_exact(const wchar_t* text, uint8* out, int32 n);

// The wide text as a floating value; false for a null or empty text.
[[nodiscard]] bool wtext_to_double(const wchar_t* text, double& out);
// An unsigned 64-bit number in decimal, "0x"/"x" hex or "o" octal.
[[nodiscard]] bool wtext_to_uint64(const std::wstring& text, uint64& out);
// atof of the text: false only for a null pointer, so a text that is no number gives 0 and
// true; callers that must tell the two apart use wtext_to_double.
[[nodiscard]] bool text_to_float(const char* text, float& out);
[[nodiscard]] bool wtext_to_float(const wchar_t* text, float& out);
