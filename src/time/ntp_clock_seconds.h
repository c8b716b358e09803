#pragma once
// The wall clock as an NTP stamp, read through time(2) where gettimeofday is not wanted.

#include "time/ntp_time.h"

namespace kq {

// The current time in whole seconds (fraction 0); the zero stamp when the clock cannot be
// read or the moment has no stamp.
[[nodiscard]] ntp_time ntp_now_from_time();

}  // namespace kq
