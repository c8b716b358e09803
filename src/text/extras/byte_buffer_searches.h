#pragma once
// Searches of raw buffers for several fixed-width values at once, for byte patterns (every
// match, the first, or two in order) and for a text. Buffers are counted and may sit at any
// address: values are copied out of the bytes, never read through a cast pointer.

#include <string>
#include <vector>

#include "text/kq_types.h"

// One list of byte offsets per searched value, in the order of the values.
using offset_lists = std::vector<std::vector<uint64>>;

// Compares the 32-bit word (machine byte order) at byte offsets 0, step, 2 * step ... below
// the last whole word with every value; each equal value gets the offset appended to its
// list. out is emptied, then given one list per value. False for a null buffer, fewer than
// 4 bytes or a step below 4; with first_only the scan ends at the first hit.
[[nodiscard]] bool find_all_values32(offset_lists& out, const uint8* data, uint32 count,
                                     const std::vector<uint32>& values, uint32 step,
                                     bool first_only);
// The same with 64-bit units (at least 8 bytes and a step of at least 8).
[[nodiscard]] bool find_all_values64(offset_lists& out, const uint8* data, uint32 count,
                                     const std::vector<uint64>& values, uint32 step,
                                     bool first_only);

// base + offset of every match of pattern (non-overlapping, ascending); out is emptied.
// False for a null buffer, a count of 0, an empty pattern or no match.
[[nodiscard]] bool find_pattern_offsets(const uint8* data, uint32 count, const byte_array& pattern,
                                        std::vector<uint64>& out, uint64 base, bool use_table);

// out = 0, then the offset of the first match of the pattern in a buffer of any 64-bit
// length. False for a null buffer or pattern, a length of 0, a pattern length below 1 or
// above the buffer's, or no match.
[[nodiscard]] bool find_first_bmh(uint64& out, const uint8* data, uint64 length,
                                  const uint8* pattern, int pattern_length);

// Whether second occurs after the end of the first occurrence of first (from the start when
// first is empty); a non-empty first must occur, and then an empty second is enough. False
// when both are empty, data is empty or shorter than either pattern.
[[nodiscard]] bool bytes_follow_in_order(const byte_array& data, const byte_array& first,
                                         const byte_array& second);

// out = 0, then base + the position of the first occurrence of the text's bytes (an empty
// text is found at 0).
[[nodiscard]] bool find_text_in_bytes(uint64& out, const std::vector<uint8>& data,
                                      const std::string& text, uint64 base);
