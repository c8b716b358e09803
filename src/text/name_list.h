#pragma once
// Lists of named values written as one word ("Read|Write", "user.name") and names cleaned
// for use in file names.

#include <functional>
#include <sstream>
#include <string>

#include "text/kq_types.h"

namespace name_list_flags {
inline constexpr uint32 count_mask = 0x0000000F;  // number of values; 0: count up to a 0 entry
inline constexpr uint32 sep_pipe = 0x00200000;
inline constexpr uint32 keep_stream = 0x00400000;  // append to what the stream holds
inline constexpr uint32 lower_case = 0x00800000;
inline constexpr uint32 sep_dot = 0x01000000;
inline constexpr uint32 sep_slash = 0x02000000;
inline constexpr uint32 sep_backslash = 0x04000000;
inline constexpr uint32 upper_case = 0x08000000;
inline constexpr uint32 sep_underscore = 0x10000000;
inline constexpr uint32 capitalise_each = 0x20000000;
inline constexpr uint32 capitalise_first = 0x40000000;
inline constexpr uint32 sep_blank = 0x80000000;
// A counted list stops at its 0 entry; more than this many values is taken as a missing end.
inline constexpr int max_counted_values = 10;
}  // namespace name_list_flags

// Writes the names of the values, separated as the flags choose ("_", blank, ".", "/", "\",
// "|" in that order of precedence, none when no separator bit is set). The stream is emptied
// first unless keep_stream is set. Nothing is written for a null values pointer, a given
// count that includes a 0 entry, or a counted list of fewer than 1 or more than 10 values.
// Capitalising wins over upper-casing, which wins over lower-casing.
std::stringstream& print_name_list(std::stringstream& stream, uint32 flags,
                                   const std::function<std::string(int)>& name_of,
                                   const int* values);

// out receives text with only "-", ".", "_", digits and ASCII letters kept; each run of other
// characters between two kept ones becomes one "_", runs at either end vanish.
std::string& sanitize_name(std::string& out, const std::string& text);
