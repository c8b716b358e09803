#pragma once
// Base64 decoding (RFC 4648 alphabet) of text that may be wrapped, padded or cut short.

#include <cstddef>

#include "text/kq_types.h"

// 'A'-'Z' 0-25, 'a'-'z' 26-51, '0'-'9' 52-61, '+' 62; every other character ('/' and '='
// included) 63.
[[nodiscard]] uint8 base64_char_value(char c);
// Decodes the alphabet characters and '=' of the first `length` characters (a NUL ends the
// text earlier); everything else, line breaks and blanks included, is skipped. '=' as the
// third or fourth character of a group drops the byte it would make; a group with '=' as its
// first or second character makes no byte, so padding alone decodes to nothing. A last group of two or
// three characters decodes as if padded with '='; a lone last character is ignored. out is
// replaced; false for a null text, a length of 0 or no memory.
[[nodiscard]] bool base64_decode(const char* text, std::size_t length, byte_array& out);
// A rough shape test: false for a null text or fewer than 4 characters. With r = length % 3,
// r = 1 needs '=' as the last or next-to-last character and r = 2 as the last. With
// check_chars every character of the first length - r (all when r is 0) must be in the
// alphabet, except trailing '=' padding (at most two).
[[nodiscard]] bool base64_text_check(const char* text, std::size_t length, bool check_chars);
