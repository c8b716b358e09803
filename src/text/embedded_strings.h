#pragma once
// The readable strings inside raw bytes (page slack, free pages, blobs), narrow and
// UTF-16LE, with the byte offset of each, and the printer that writes them (or the bytes in
// hex) for the dump routines. Printable means 0x20 to 0x7E; the optional white space is tab,
// line feed and carriage return.

#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// Both lists are emptied first; false for a null buffer or a length of 0 or less.
// A run of string characters becomes a string when it has at least `minimum` characters;
// inside the buffer it must also hold something other than blanks, line feeds and carriage
// returns, at the very end it need not. Leading blanks are never part of a string; with
// skip_punct neither is leading punctuation (blank to '.', ':' to '@', '\' to '`', '|' to
// '~'). Each offset is that of the string's first kept character.
[[nodiscard]] bool extract_ascii_strings(const uint8* data, int length, uint32 minimum,
                                         std::vector<std::string>& strings,
                                         std::vector<uint64>& offsets, bool allow_ws,
                                         bool skip_punct);
// The same over little-endian 16-bit characters whose high byte is 0. A position that holds
// no such character moves the walk on by one byte only, so strings at odd offsets are found.
// No "something visible" rule. The strings hold one byte per character.
[[nodiscard]] bool extract_utf16_strings(const uint8* data, int length, uint32 minimum,
                                         std::vector<std::string>& strings,
                                         std::vector<uint64>& offsets, bool allow_ws,
                                         bool skip_punct);

// 0 for a null pointer or a length of 0 or less. Without string_mode every byte as two
// lower-case hex digits, blank-separated, and 1. With string_mode: 0 when the length is below
// the minimum or no string of either kind is found; the strings of one kind, joined by the
// separator, give 1; when both kinds are found all strings are written in offset order
// (narrow before UTF-16 at one offset) and the result is how many were written.
int print_embedded_strings(std::ostream& stream, const char* data, int length, bool string_mode,
                           uint32 minimum, const std::string& separator);
