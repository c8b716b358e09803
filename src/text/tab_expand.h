#pragma once
// Replacing tabs by blanks in narrow or UTF-16LE text, for dumps that must line up in a
// fixed-width report whatever tab width the reader's viewer uses.

#include <string>

#include "text/kq_types.h"

// out receives the text with every tab replaced by the blanks that reach the next tab stop (a
// multiple of the width, counted from the start of the line). With utf16_switch, a text
// holding the bytes 09 00 is treated as UTF-16LE (expand_tabs_utf16). A width of 0 means 4. False, out untouched, for a null text, a length of 0 or a text
// without tabs.
[[nodiscard]] bool expand_tabs(const char* text, uint32 length, uint32 width, std::string& out,
                               bool utf16_switch);
// The same over little-endian 16-bit units (length in bytes): tabs and line ends are found as
// whole units, each blank is written as the bytes 20 00, and a last odd byte is kept as is.
[[nodiscard]] bool expand_tabs_utf16(const char* text, uint32 length, uint32 width,
                                     std::string& out);
