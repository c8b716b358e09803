#pragma once
// Texts packed into byte buffers: counted (length-prefixed) strings and lists of them,
// NUL-separated texts, and the UTF-16 multi-string layout (each text ended by a zero unit,
// the list by one more).

#include <string>
#include <vector>

#include "text/kq_types.h"

// One counted string from the array's start (unpack_length_string); the bytes consumed, 0
// (out empty) for an empty array.
int length_string_from_bytes(std::string& out, const byte_array& bytes);

// A count in counted form, then that many counted strings. The list is emptied; the count's
// size is returned with the list left empty when the data cannot hold count strings of one
// byte each. Otherwise the list gets count strings, filled while bytes remain (strings the
// data cuts off stay empty), and the result is every byte consumed, count included. 0 for
// a count of 0 bytes or a two-byte count cut short.
int unpack_length_string_list(std::vector<std::string>& out, const char* data, uint32 count);

// The bytes as texts split at every NUL, empty pieces dropped; false when the array is
// empty.
[[nodiscard]] bool split_bytes_on_nul(const byte_array& bytes, std::vector<std::string>& out);

// Each text's characters as UTF-16LE units (the low 16 bits of each character, no surrogate
// pairs), a zero unit after each text and one more after the list; an empty list gives an
// empty output.
void wide_list_to_multi_sz(const std::vector<std::wstring>& texts, byte_array& out);

// The texts of a multi-string of byte_count bytes (a last odd byte is not read). Texts are
// decoded as UTF-16; when no text decodes, the units are widened one by one instead. Returns
// the bytes read (whole units), 0 for a null pointer or a count of 0.
uint32 multi_sz_to_wide_list(const uint16* units, std::vector<std::wstring>& out,
                             uint32 byte_count);
