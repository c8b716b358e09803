#pragma once
// Addresses and identifiers read from text: IPv4 in any of the separators people write it
// with, IPv6 with "::" shorthand, and GUIDs written as 32 bare digits or with separators.
// Every parser takes any text: a malformed one is refused, never read past its end.

#include <string>

#include "text/guid16.h"
#include "text/kq_types.h"

// out = the dotted text of the address (most significant byte first), widened; false, out
// empty, when it cannot be written.
bool ipv4_to_wtext(uint32 address, std::wstring& out);

// Four parts separated by '.', else ':', else '-' (the first of these the text holds); empty
// parts are dropped, each part may be decimal, "0x"/"x" hex, "o" octal or a quoted character.
// value = part 1 << 24 | ... | part 4, bytes reversed with swap. False for a null text, no
// separator, other than 4 parts, a part that does not read, or a part above 255 (it would
// spill into the byte above it and name another address).
[[nodiscard]] bool ipv4_text_to_uint32(const char* text, uint32& value, bool swap);

// 16 bytes, each group high byte first; "::" stands for as many empty groups as make eight
// (expanded only when the text has at most 6 colons). A group with no leading hex digit is
// 0. An empty text gives 16 zero bytes. False, out empty, when the groups do not make
// exactly 16 bytes. Embedded IPv4 ("::ffff:1.2.3.4") is not read.
[[nodiscard]] bool ipv6_text_to_bytes(const std::string& text, byte_array& out);

// From 32 hex digits: the caller's text gets blanks inserted at 16, 12 and 8 (it then reads
// "8 4 4 16" digits), and the four fields are read in turn into Data1, Data2, Data3 and the
// eight Data4 bytes, most significant first. A field with no hex digit stops the reading;
// the fields after it stay 0. A text of any other length leaves out and text untouched.
void guid16_from_hex32(guid16& out, std::string& text);

// "data1-data2-data3-data4a-data4b" in hex, any one character skipped between the fields:
// out = Data1, Data2, Data3 little-endian, then data4a and the low 48 bits of data4b high
// byte first. False, out empty, for a text of 21 characters or fewer or when any field has
// no hex digit.
[[nodiscard]] bool guid_text_to_bytes(const std::string& text, byte_array& out);
