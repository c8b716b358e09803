#pragma once
// Readable strings inside raw buffers, with their offsets, and the offsets of a word inside
// them, in two forms that share one walk: ASCII (one printable byte per character) and
// UTF-16LE (a printable byte followed by a zero byte). Bytes from 0x80 up are never
// printable. Unlike extract_ascii_strings these keep every run however plain, and the
// UTF-16 walk steps over a pair at a time, so they report what a string viewer shows.
//
// Lists are appended to unless append is false; string offsets are base + position
// (64-bit), match offsets likewise in 32 bits.

#include <string>
#include <vector>

#include "text/kq_types.h"

// Every run of at least minimum characters (leading blanks skipped; with with_whitespace
// tab, LF and CR count as characters, also at the start), with the offset of its first kept
// byte. A minimum of 0 or less also reports the empty runs between non-character bytes.
// False for null data or a length below 1. An odd last byte is never part of a UTF-16 run.
[[nodiscard]] bool utf16_strings_with_offsets(const uint8* data, int32 length, int32 minimum,
                                              std::vector<std::string>& strings,
                                              std::vector<uint64>& offsets, uint64 base,
                                              bool append, bool with_whitespace);
[[nodiscard]] bool ascii_strings_with_offsets(const uint8* data, int32 length, int32 minimum,
                                              std::vector<std::string>& strings,
                                              std::vector<uint64>& offsets, uint64 base,
                                              bool append, bool with_whitespace);

// The offset of every match of pattern (letter case ignored; matches do not overlap) inside
// the runs of the buffer. False for null data or a length of 0; an empty pattern finds
// nothing. The UTF-16 form is then always true, the ASCII form true when offsets is not
// empty.
[[nodiscard]] bool find_in_utf16_strings(const std::string& pattern, const uint8* data,
                                         uint32 length, std::vector<uint32>& offsets, uint32 base,
                                         bool append);
[[nodiscard]] bool find_in_ascii_strings(const std::string& pattern, const uint8* data,
                                         int32 length, std::vector<uint32>& offsets, uint32 base,
                                         bool append);
