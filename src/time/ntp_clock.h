#pragma once
// Wall-clock readings as NTP stamps, by which the run context measures elapsed time.

#include "text/kq_types.h"
#include "time/ntp_time.h"

namespace kq {

// The current time in whole seconds (the microseconds of the clock are dropped, so the
// fraction is 0); the zero stamp when it cannot be converted.
[[nodiscard]] ntp_time ntp_now();
// The same stamp, also stored in out with the seconds in the high 32 bits and the fraction
// in the low 32 bits (host order), so that 0 means "not taken".
ntp_time get_ntp_now(uint64& out);

}  // namespace kq
