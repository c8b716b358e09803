#include "time/ntp_span.h"

#include "text/random_text.h"

namespace kq {

namespace {

// Jitter steps: the low byte and the 256s of the fraction's move, and the span of seconds.
constexpr int jitter_low_min = 1;
constexpr int jitter_low_max = 255;
constexpr int jitter_high_min = 1;
constexpr int jitter_high_max = 15;
constexpr uint32 jitter_high_unit = 256;
constexpr int jitter_seconds_min = 2;
constexpr int jitter_seconds_max = 255;
// A drawn step with this bit set moves the seconds back.
constexpr uint32 jitter_backward_bit = 0x80;

bool is_zero(const ntp_time& host) { return host.seconds == 0 && host.fraction == 0; }

bool host_less(const ntp_time& a, const ntp_time& b) {
    return a.seconds < b.seconds || (a.seconds == b.seconds && a.fraction < b.fraction);
}

ntp_time host_add(const ntp_time& a, const ntp_time& b) {
    ntp_time sum;
    sum.fraction = a.fraction + b.fraction;
    const uint32 carry = sum.fraction < a.fraction ? 1 : 0;
    sum.seconds = a.seconds + b.seconds + carry;
    return sum;
}

// big - small for big >= small.
ntp_time host_difference(const ntp_time& big, const ntp_time& small) {
    ntp_time difference;
    const uint32 borrow = big.fraction < small.fraction ? 1 : 0;
    difference.fraction = big.fraction - small.fraction;
    difference.seconds = big.seconds - small.seconds - borrow;
    return difference;
}

// A span from a host-order magnitude, stored big-endian (the swap is its own inverse).
signed_ntp_time make_span(const ntp_time& host_magnitude, bool negative) {
    signed_ntp_time out(ntp_to_host(host_magnitude));
    out.negative = negative;
    return out;
}

signed_ntp_time magnitude_of(const signed_ntp_time& value) { return signed_ntp_time(value.value); }

}  // namespace

uint16 swap16(uint16 value) { return __builtin_bswap16(value); }

uint32 swap32(uint32 value) { return __builtin_bswap32(value); }

uint32 ntp_seconds_host(const ntp_time& stamp) { return ntp_to_host(stamp).seconds; }

uint32 ntp_fraction_host(const ntp_time& stamp) { return ntp_to_host(stamp).fraction; }

signed_ntp_time signed_ntp_add(const signed_ntp_time& a, const signed_ntp_time& b) {
    if (a.negative != b.negative) {
        return a.negative ? signed_ntp_subtract(b, magnitude_of(a))
                          : signed_ntp_subtract(a, magnitude_of(b));
    }
    return make_span(host_add(ntp_to_host(a.value), ntp_to_host(b.value)), a.negative);
}

signed_ntp_time signed_ntp_subtract(const signed_ntp_time& a, const signed_ntp_time& b) {
    const ntp_time ha = ntp_to_host(a.value);
    const ntp_time hb = ntp_to_host(b.value);
    ntp_time magnitude;
    bool negative = a.negative;
    if (a.negative != b.negative) {
        magnitude = host_add(ha, hb);
    } else if (host_less(ha, hb)) {
        magnitude = host_difference(hb, ha);
        negative = !a.negative;  // |a| < |b|: the sign flips
    } else {
        magnitude = host_difference(ha, hb);
    }
    return make_span(magnitude, negative && !is_zero(magnitude));
}

signed_ntp_time signed_ntp_minus_systemtime(const signed_ntp_time& a,
                                            const _windows_systemtime& s) {
    return signed_ntp_subtract(a, signed_ntp_time(systemtime_to_ntp(s)));
}

signed_ntp_time systemtime_plus_signed_ntp(const signed_ntp_time& a, const _windows_systemtime& s) {
    return signed_ntp_add(signed_ntp_time(systemtime_to_ntp(s)), a);
}

signed_ntp_time filetime_plus_signed_ntp(const signed_ntp_time& a, int64 filetime) {
    ntp_time stamp;
    if (!filetime_to_ntp(filetime, stamp)) {
        return {};
    }
    return signed_ntp_add(signed_ntp_time(stamp), a);
}

signed_ntp_time signed_ntp_minus_filetime(const signed_ntp_time& a, int64 filetime) {
    ntp_time stamp;
    if (!filetime_to_ntp(filetime, stamp)) {
        return {};
    }
    return signed_ntp_subtract(a, signed_ntp_time(stamp));
}

void ntp_jitter_fraction(ntp_time& stamp) {
    const uint32 step = random_in_range(jitter_low_min, jitter_low_max) +
                        jitter_high_unit * random_in_range(jitter_high_min, jitter_high_max);
    ntp_add_fraction(stamp, step, true);
}

void ntp_jitter_seconds(ntp_time& stamp) {
    const uint32 step = random_in_range(jitter_seconds_min, jitter_seconds_max);
    ntp_time host = ntp_to_host(stamp);
    host.seconds = (step & jitter_backward_bit) != 0 ? host.seconds - step : host.seconds + step;
    host.fraction = random_uint32();
    stamp = ntp_to_host(host);
}

}  // namespace kq
