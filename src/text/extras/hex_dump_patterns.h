#pragma once
// Hex-dump writers (a plain hex string, a dump with an ASCII column, 16-byte rows, dump
// lines headed by two offsets and a label) and the readers of hexadecimal byte patterns a
// user types: one with wildcards and gaps held as 16-bit units, one that yields plain bytes.
// Hex digits are lower case, two per byte; the ASCII column shows 0x20-0x7E as themselves
// and every other byte as '.'.

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "text/kq_types.h"

// A search pattern: 0x00-0xFF a byte that must match, pattern_any_byte any one byte,
// pattern_gap a gap whose length (0x00-0xFF) is the next unit.
using hex_pattern = std::vector<uint16>;
inline constexpr uint16 pattern_any_byte = 0xFFFF;
inline constexpr uint16 pattern_gap = 0xFFFE;

// Replaces out with two digits per byte, a blank between bytes when spaced; empty for null
// bytes or a count of 0.
std::string& bytes_to_hex_pairs(std::string& out, const uint8* bytes, std::size_t count,
                                bool spaced);

// Appends rows of sixteen "xx " pairs, two blanks and the ASCII column, each ended by a line
// feed; a short last row is padded to full width and not ended. final_break adds one line
// feed at the end (also after a full row, and for no bytes).
void append_hex_dump(std::string& out, const uint8* bytes, std::size_t count, bool final_break);

// write_hex_bytes16 and a line feed; the stream is left hexadecimal, right-aligned, '0' fill.
std::ostream& write_hex_row16(std::span<const uint8, 16> bytes, std::ostream& out);

// "0x" first (3 digits or more) " : " second (6 or more) " : ", label ":" left-aligned in
// label_width, data, line feed. The stream is left hexadecimal, left-aligned, blank fill.
// Returns the data's length.
int32 write_dump_line(std::ostream& out, uint64 first, uint64 second, int label_width,
                      const std::string& label, const std::string& data);
// The same headed by "0x" base + offset (6 digits or more) " : " offset (3 or more) " : ".
int32 write_dump_line_based(std::ostream& out, uint64 offset, uint64 base, int label_width,
                            const std::string& label, const std::string& data);

// Appends the words of text: "??" any byte, "*N" a gap of N (hex, at most two digits),
// "XY" a byte. Trailing wildcards and gaps are dropped; a gap followed by a wildcard or a
// gap is refused, as is a text of no words. False at the first refused word, the units
// appended before it kept.
[[nodiscard]] bool parse_hex_pattern(const std::string& text, hex_pattern& out);
// Appends one byte per word (leading hex digits; none gives 0) and 0xFF 0xFF for "??";
// false at a word longer than two characters, the bytes before it kept. An empty text is
// true.
[[nodiscard]] bool parse_hex_byte_pattern(const std::string& text, byte_array& out);
