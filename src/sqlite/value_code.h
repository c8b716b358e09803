#pragma once
// The 32-bit code the reader keeps for each decoded column: the value kind in the low four
// bits, a timestamp mark with the recognised time kind above bit 12, and a mark for a value
// cut short by the end of the available bytes.

#include "text/kq_types.h"

namespace value_code {
inline constexpr uint32 kind_mask = 0x0f;
inline constexpr uint32 null = 1;
inline constexpr uint32 integer = 2;
inline constexpr uint32 text = 3;
inline constexpr uint32 real = 4;
inline constexpr uint32 zero = 5;
inline constexpr uint32 one = 6;
inline constexpr uint32 blob = 7;
inline constexpr uint32 time_flag = 0x10;  // the value was recognised as a timestamp
inline constexpr unsigned time_kind_shift = 12;  // time kind << 12 is added with time_flag
inline constexpr uint32 cut_flag = 0x10000000;   // content ran past the available bytes

[[nodiscard]] inline constexpr uint32 kind_of(uint32 code) { return code & kind_mask; }
// The word added to a column's code when its value is recognised as a timestamp of `kind`.
[[nodiscard]] inline constexpr uint32 time_mark(uint32 kind) {
    return time_flag + (kind << time_kind_shift);
}
}  // namespace value_code
