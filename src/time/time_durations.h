#pragma once
// Small duration arithmetic on FILETIMEs (signed 100-ns ticks since 1601-01-01 UTC).

#include "text/kq_types.h"

namespace kq {

// |a - b| in ticks; false, out untouched, when a or b is negative.
[[nodiscard]] bool filetime_diff_ticks(int64 a, int64 b, uint64& out);
// |a - b| in microseconds, milliseconds or seconds, truncated; out is 0 first, and false
// when a or b is negative.
[[nodiscard]] bool filetime_diff_us(int64 a, int64 b, uint64& out);
[[nodiscard]] bool filetime_diff_ms(int64 a, int64 b, uint64& out);
[[nodiscard]] bool filetime_diff_seconds(int64 a, int64 b, uint64& out);

[[nodiscard]] uint64 ticks_to_minutes(uint64 ticks);
// Saturates at the int64 limits (time-zone biases come from stored, possibly damaged data).
[[nodiscard]] int64 minutes_to_ticks(int64 minutes);
// filetime + ms milliseconds, saturating at the int64 limits.
[[nodiscard]] int64 filetime_add_ms(int64 filetime, int64 ms);

// 1 for 0, v for a power of two, else the next power of two above v; 0 above 2^63, where
// no 64-bit power of two is left.
[[nodiscard]] uint64 next_power_of_two(uint64 v);

[[nodiscard]] bool always_true();

}  // namespace kq
