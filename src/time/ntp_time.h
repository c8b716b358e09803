#pragma once
// 32.32 NTP clock stamps: seconds since 1900-01-01 00:00:00 UTC and a fraction of a second in
// units of 2^-32. Both words lie in memory big-endian (network order), as the stamp travels
// on the wire; every operation swaps them to host order to compute and back to store.

#include <array>
#include <span>

#include "text/kq_types.h"
#include "time/kq_calendar.h"

namespace kq {

struct ntp_time {
    uint32 seconds = 0;   // big-endian in memory
    uint32 fraction = 0;  // big-endian in memory
};

// A span that may lie before zero: the magnitude and a sign flag.
struct signed_ntp_time {
    ntp_time value;
    bool negative = false;

    signed_ntp_time() = default;
    explicit signed_ntp_time(const ntp_time& stamp) : value(stamp) {}
};

// Stamp of a SYSTEMTIME (UTC); zero when it has none (before 1900, or no FILETIME).
[[nodiscard]] ntp_time systemtime_to_ntp(const _windows_systemtime& time);
void systemtime_to_ntp(const _windows_systemtime& time, ntp_time& out);
[[nodiscard]] bool try_systemtime_to_ntp(const _windows_systemtime& time, ntp_time& out);

// Stamp of a FILETIME, with 28 bits of fraction; false (zero stamp) for moments before 1900.
// Seconds past 2036-02-07 wrap into the next NTP era, as the 32-bit field does on the wire.
[[nodiscard]] bool filetime_to_ntp(int64 filetime, ntp_time& out);
[[nodiscard]] bool filetime_to_ntp(const filetime_pair* filetime, ntp_time& out);
[[nodiscard]] ntp_time filetime_to_ntp(int64 filetime);
[[nodiscard]] ntp_time filetime_to_ntp(const filetime_pair* filetime);

// filetime = whole-second FILETIME plus the whole ticks of the fraction; fraction_ticks keeps
// the digits below one tick. Always true.
bool ntp_to_filetime(ntp_time stamp, int64& filetime, int64& seconds_filetime,
                     double& fraction_ticks);
// FILETIME of a stamp; false (0) for the zero stamp, which means no time.
[[nodiscard]] bool ntp_value_to_filetime(ntp_time stamp, int64& filetime);
[[nodiscard]] bool ntp_to_systemtime_ex(const ntp_time& stamp, systemtime_ex& out);

// Absolute difference in seconds.
[[nodiscard]] double ntp_seconds_between(const ntp_time& a, const ntp_time& b);
[[nodiscard]] bool ntp_less(const ntp_time& a, const ntp_time& b);
// Seconds less n, or 0 when n is greater; the fraction stays.
ntp_time& ntp_subtract_seconds(ntp_time& stamp, uint32 n);
// The stamp divided by n; the zero stamp for n = 0.
[[nodiscard]] ntp_time ntp_divide(const ntp_time& stamp, uint32 n);
[[nodiscard]] ntp_time ntp_to_host(const ntp_time& stamp);

[[nodiscard]] signed_ntp_time signed_ntp_to_host(const signed_ntp_time& value);
[[nodiscard]] bool signed_ntp_less(const signed_ntp_time& a, const signed_ntp_time& b);
[[nodiscard]] signed_ntp_time signed_ntp_divide(const signed_ntp_time& value, uint32 n);

// Fraction low-byte operations: they fill the bits of the fraction below a clock's precision
// with given bytes. n counts bytes from the least significant end of the big-endian fraction;
// an n outside 1 to 4 is taken as 1 unless said otherwise.

// fraction += x modulo 2^32; x is in network order unless host_order.
void ntp_add_fraction(ntp_time& stamp, uint32 x, bool host_order);
// The last n fraction bytes get the first n bytes of x as it lies in memory; n = 4 stores the
// whole word, converted to network order when swap is set.
void ntp_set_fill_bytes(ntp_time& stamp, uint32 x, int n, bool swap);
// Seconds stored (converted to network order when swap is set); with significant (outside 1 to
// 4: 4) below 4 the last 4 - significant fraction bytes come from fill.
void ntp_set(ntp_time& stamp, uint32 seconds, uint32 fill, int significant, bool swap);
// Fraction from milliseconds, microseconds or nanoseconds (value x 2^32 / 10^3, 10^6, 10^9,
// truncated; whole seconds in value are dropped), then its last 3, 2 or 1 bytes from fill.
void ntp_set_fraction_ms(ntp_time& stamp, uint32 value, uint32 fill);
void ntp_set_fraction_us(ntp_time& stamp, uint32 value, uint32 fill);
void ntp_set_fraction_ns(ntp_time& stamp, uint32 value, uint32 fill);
// src[0..n-1] into the last n bytes of dst (n outside 1 to 4: 1); nothing when src is shorter.
void copy_low_bytes(std::array<uint8, 4>& dst, std::span<const uint8> src, int n);
void ntp_copy_fill_bytes(ntp_time& stamp, std::span<const uint8> src, int n);
// The last n fraction bytes as a word read big-endian with the first of them in the top byte
// and zeros below (n outside 1 to 3: all four bytes), byte-swapped when swap is set.
[[nodiscard]] uint32 ntp_fill_value(const ntp_time& stamp, int n, bool swap);
// Splits the fraction into its leading significant bytes (top) and the rest (fill).
void ntp_split_fraction(const ntp_time& stamp, uint32& top, uint32& fill, int significant);
// Appends the last n of the four bytes (n outside 1 to 3: all four).
void append_low_bytes(const std::array<uint8, 4>& word, byte_array& out, int n);
void ntp_append_fill_bytes(const ntp_time& stamp, byte_array& out, int n);

}  // namespace kq
