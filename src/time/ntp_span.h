#pragma once
// Signed sums and differences of NTP stamps, and random jitter of a stamp. A signed span is a
// magnitude and a sign flag; the arithmetic runs on the host-order words and stores every
// result big-endian again, as the stamps travel on the wire.

#include "text/kq_types.h"
#include "time/kq_calendar.h"
#include "time/ntp_time.h"

namespace kq {

[[nodiscard]] uint16 swap16(uint16 value);
[[nodiscard]] uint32 swap32(uint32 value);
[[nodiscard]] uint32 ntp_seconds_host(const ntp_time& stamp);
[[nodiscard]] uint32 ntp_fraction_host(const ntp_time& stamp);

// a + b. Magnitudes add with the fraction's carry into the seconds (both words modulo 2^32).
[[nodiscard]] signed_ntp_time signed_ntp_add(const signed_ntp_time& a, const signed_ntp_time& b);
// a - b; a zero result is non-negative.
[[nodiscard]] signed_ntp_time signed_ntp_subtract(const signed_ntp_time& a,
                                                  const signed_ntp_time& b);
// a minus the stamp of a SYSTEMTIME, and that stamp plus a.
[[nodiscard]] signed_ntp_time signed_ntp_minus_systemtime(const signed_ntp_time& a,
                                                          const _windows_systemtime& s);
[[nodiscard]] signed_ntp_time systemtime_plus_signed_ntp(const signed_ntp_time& a,
                                                         const _windows_systemtime& s);
// The stamp of a FILETIME plus a, and a minus that stamp; the zero span when the FILETIME has
// no stamp (it lies before 1900).
[[nodiscard]] signed_ntp_time filetime_plus_signed_ntp(const signed_ntp_time& a, int64 filetime);
[[nodiscard]] signed_ntp_time signed_ntp_minus_filetime(const signed_ntp_time& a, int64 filetime);

// Moves the fraction up by 257 to 4095 units (modulo 2^32), so that stamps taken within one
// clock tick still differ.
void ntp_jitter_fraction(ntp_time& stamp);
// Moves the seconds by 2 to 127 forward or 128 to 255 back (modulo 2^32) and draws a new
// fraction.
void ntp_jitter_seconds(ntp_time& stamp);

}  // namespace kq
