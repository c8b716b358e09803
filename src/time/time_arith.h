#pragma once
// Overflow-checked arithmetic for timestamp conversions. Raw column values reach the
// conversions straight from carved, possibly hostile bytes: a product or sum that leaves
// the signed 64-bit range must be refused, never wrapped into a plausible-looking date.

#include <cmath>

#include "text/kq_types.h"
#include "time/time_epochs.h"

namespace kq::time_arith {

// a * m + b, false when any step leaves the int64 range.
[[nodiscard]] inline bool mul_add(int64 a, int64 m, int64 b, int64& out) {
    int64 product = 0;
    if (__builtin_mul_overflow(a, m, &product)) {
        return false;
    }
    return !__builtin_add_overflow(product, b, &out);
}

// Unsigned a * m + b as int64; false when it does not fit.
[[nodiscard]] inline bool umul_add(uint64 a, int64 m, int64 b, int64& out) {
    if (a > static_cast<uint64>(INT64_MAX)) {
        return false;
    }
    return mul_add(static_cast<int64>(a), m, b, out);
}

// Division rounding toward minus infinity (d > 0), so that moments before an epoch count
// whole units backward: -0.5 s is second -1, not second 0.
[[nodiscard]] inline int64 floor_div(int64 n, int64 d) {
    const int64 q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// Truncation toward zero of a finite double inside the int64 range; false for NaN,
// infinities and values whose conversion would be undefined.
[[nodiscard]] inline bool trunc_to_int64(double x, int64& out) {
    // 2^63 is exactly representable; every double below it converts.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(x) || x >= limit || x < -limit) {
        return false;
    }
    out = static_cast<int64>(x);
    return true;
}

// As trunc_to_int64 for long double arithmetic.
[[nodiscard]] inline bool trunc_to_int64(long double x, int64& out) {
    constexpr long double limit = 9223372036854775808.0L;
    if (!std::isfinite(x) || x >= limit || x < -limit) {
        return false;
    }
    out = static_cast<int64>(x);
    return true;
}

// Whole seconds counted from an epoch (given in seconds after 1601) plus a fraction in
// ticks, as FILETIME; false when it leaves the int64 range.
[[nodiscard]] inline bool seconds_and_ticks_to_filetime(int64 seconds, int64 epoch_seconds,
                                                        int64 ticks, int64& out) {
    int64 since_1601 = 0;
    if (__builtin_add_overflow(seconds, epoch_seconds, &since_1601)) {
        return false;
    }
    return mul_add(since_1601, time_epoch::ticks_per_second, ticks, out);
}

// Splits a count of seconds into whole seconds and the ticks of the fraction, both
// truncated toward zero (so both carry the sign of the count); false for NaN, infinities
// and counts beyond the int64 range.
[[nodiscard]] inline bool split_double_seconds(double seconds, int64& whole, int64& ticks) {
    if (!trunc_to_int64(seconds, whole)) {
        return false;
    }
    const double fraction = seconds - static_cast<double>(whole);
    return trunc_to_int64(fraction * static_cast<double>(time_epoch::ticks_per_second), ticks);
}

// FILETIME of an OLE automation date (days since 1899-12-30, fraction = time of day). The
// product is formed in extended precision, then rounded to double and truncated; a moment
// before 1601, NaN and infinities have none.
[[nodiscard]] inline bool ole_days_to_filetime(double days, int64& out) {
    // FILETIME spans about 10.7 million days: anything far beyond is refused before the
    // extended product could leave the range of double.
    constexpr double day_limit = 1.0e9;
    if (!(days > -day_limit && days < day_limit)) {
        return false;
    }
    const long double ticks = (static_cast<long double>(days) * time_epoch::seconds_per_day +
                               static_cast<long double>(time_epoch::ole_seconds)) *
                              static_cast<long double>(time_epoch::ticks_per_second);
    const auto rounded = static_cast<double>(ticks);
    if (!(rounded >= 0.0)) {
        return false;
    }
    return trunc_to_int64(rounded, out);
}

}  // namespace kq::time_arith
