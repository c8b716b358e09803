#include "time/ntp_time.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace kq {

namespace {

constexpr int64 ticks_per_second = 10000000;
// 1900-01-01 00:00:00 UTC, the NTP epoch, as a FILETIME.
constexpr int64 ntp_epoch_ticks = 94354848000000000;
constexpr double two_to_32 = 4294967296.0;
// The conversion from ticks keeps 28 bits of fraction and places them in the top 28 bits.
constexpr int fraction_bits_kept = 28;

// Host order to network order and back (the same swap both ways).
uint32 net32(uint32 value) {
    if constexpr (std::endian::native == std::endian::little) {
        return __builtin_bswap32(value);
    }
    return value;
}

std::array<uint8, 4> word_bytes(uint32 word) {
    std::array<uint8, 4> bytes{};
    std::memcpy(bytes.data(), &word, bytes.size());
    return bytes;
}

uint32 bytes_word(const std::array<uint8, 4>& bytes) {
    uint32 word = 0;
    std::memcpy(&word, bytes.data(), bytes.size());
    return word;
}

int clamp_count(int n, int low, int high, int fallback) {
    return (n < low || n > high) ? fallback : n;
}

ntp_time make_stamp(uint32 seconds_host, uint32 fraction_host) {
    ntp_time out;
    out.seconds = net32(seconds_host);
    out.fraction = net32(fraction_host);
    return out;
}

bool pair_to_i64(const filetime_pair* filetime, int64& out) {
    if (filetime == nullptr) {
        return false;
    }
    out = static_cast<int64>((static_cast<uint64>(filetime->high) << 32) | filetime->low);
    return true;
}

// Fraction from a count of sub-second units (per_second of them in a second).
void set_fraction_units(ntp_time& stamp, uint32 value, uint64 per_second, uint32 fill,
                        int fill_bytes) {
    const uint64 units = value % per_second;
    stamp.fraction = net32(static_cast<uint32>((units << 32) / per_second));
    ntp_set_fill_bytes(stamp, fill, fill_bytes, false);
}

}  // namespace

bool try_systemtime_to_ntp(const _windows_systemtime& time, ntp_time& out) {
    return filetime_to_ntp(systemtime_to_filetime(time), out);
}

ntp_time systemtime_to_ntp(const _windows_systemtime& time) {
    ntp_time out;
    // A failed conversion leaves the zero stamp, which is the answer for "no stamp".
    static_cast<void>(try_systemtime_to_ntp(time, out));
    return out;
}

void systemtime_to_ntp(const _windows_systemtime& time, ntp_time& out) {
    out = systemtime_to_ntp(time);
}

bool filetime_to_ntp(int64 filetime, ntp_time& out) {
    out = ntp_time();
    // Before 1900 the seconds would be negative; an unsigned division would make garbage of
    // them rather than a stamp.
    if (filetime < ntp_epoch_ticks) {
        return false;
    }
    const int64 d = filetime - ntp_epoch_ticks;
    const auto remainder = static_cast<uint64>(d % ticks_per_second);
    const uint64 fraction = ((remainder << fraction_bits_kept) / ticks_per_second)
                            << (32 - fraction_bits_kept);
    out = make_stamp(static_cast<uint32>(d / ticks_per_second), static_cast<uint32>(fraction));
    return true;
}

bool filetime_to_ntp(const filetime_pair* filetime, ntp_time& out) {
    int64 value = 0;
    if (!pair_to_i64(filetime, value)) {
        out = ntp_time();
        return false;
    }
    return filetime_to_ntp(value, out);
}

ntp_time filetime_to_ntp(int64 filetime) {
    ntp_time out;
    static_cast<void>(filetime_to_ntp(filetime, out));  // failure leaves the zero stamp
    return out;
}

ntp_time filetime_to_ntp(const filetime_pair* filetime) {
    ntp_time out;
    static_cast<void>(filetime_to_ntp(filetime, out));  // failure leaves the zero stamp
    return out;
}

bool ntp_to_filetime(ntp_time stamp, int64& filetime, int64& seconds_filetime,
                     double& fraction_ticks) {
    const ntp_time host = ntp_to_host(stamp);
    filetime = 0;
    seconds_filetime = static_cast<int64>(host.seconds) * ticks_per_second + ntp_epoch_ticks;
    fraction_ticks =
        static_cast<double>(host.fraction) * static_cast<double>(ticks_per_second) / two_to_32;
    filetime = seconds_filetime + static_cast<int64>(std::trunc(fraction_ticks));
    return true;
}

bool ntp_value_to_filetime(ntp_time stamp, int64& filetime) {
    filetime = 0;
    if (stamp.seconds == 0 && stamp.fraction == 0) {
        return false;
    }
    int64 seconds_filetime = 0;
    double fraction_ticks = 0.0;
    return ntp_to_filetime(stamp, filetime, seconds_filetime, fraction_ticks);
}

bool ntp_to_systemtime_ex(const ntp_time& stamp, systemtime_ex& out) {
    int64 filetime = 0;
    int64 seconds_filetime = 0;
    double fraction_ticks = 0.0;
    static_cast<void>(ntp_to_filetime(stamp, filetime, seconds_filetime, fraction_ticks));
    return filetime_to_systemtime_frac(seconds_filetime, fraction_ticks, out);
}

double ntp_seconds_between(const ntp_time& a, const ntp_time& b) {
    const ntp_time ha = ntp_to_host(a);
    const ntp_time hb = ntp_to_host(b);
    const double xa =
        static_cast<double>(ha.seconds) + static_cast<double>(ha.fraction) / two_to_32;
    const double xb =
        static_cast<double>(hb.seconds) + static_cast<double>(hb.fraction) / two_to_32;
    return std::fabs(xa - xb);
}

bool ntp_less(const ntp_time& a, const ntp_time& b) {
    const ntp_time ha = ntp_to_host(a);
    const ntp_time hb = ntp_to_host(b);
    return ha.seconds < hb.seconds || (ha.seconds == hb.seconds && ha.fraction < hb.fraction);
}

ntp_time& ntp_subtract_seconds(ntp_time& stamp, uint32 n) {
    const uint32 seconds = net32(stamp.seconds);
    stamp.seconds = net32(n > seconds ? 0 : seconds - n);
    return stamp;
}

ntp_time ntp_divide(const ntp_time& stamp, uint32 n) {
    if (n == 0) {
        return ntp_time();
    }
    const ntp_time host = ntp_to_host(stamp);
    // (s mod n) < n, so the carried value stays below n x 2^32 and the quotient in 32 bits.
    const uint64 carried = (static_cast<uint64>(host.seconds % n) << 32) | host.fraction;
    return make_stamp(host.seconds / n, static_cast<uint32>(carried / n));
}

ntp_time ntp_to_host(const ntp_time& stamp) {
    ntp_time out;
    out.seconds = net32(stamp.seconds);
    out.fraction = net32(stamp.fraction);
    return out;
}

signed_ntp_time signed_ntp_to_host(const signed_ntp_time& value) {
    signed_ntp_time out(ntp_to_host(value.value));
    out.negative = value.negative;
    return out;
}

bool signed_ntp_less(const signed_ntp_time& a, const signed_ntp_time& b) {
    if (a.negative != b.negative) {
        return a.negative;
    }
    if (a.negative) {
        return ntp_less(b.value, a.value);  // the greater magnitude is the smaller span
    }
    return ntp_less(a.value, b.value);
}

signed_ntp_time signed_ntp_divide(const signed_ntp_time& value, uint32 n) {
    if (n == 0) {
        return signed_ntp_time();
    }
    signed_ntp_time out(ntp_divide(value.value, n));
    out.negative = value.negative;
    return out;
}

void ntp_add_fraction(ntp_time& stamp, uint32 x, bool host_order) {
    const uint32 addend = host_order ? x : net32(x);
    stamp.fraction = net32(net32(stamp.fraction) + addend);
}

void ntp_set_fill_bytes(ntp_time& stamp, uint32 x, int n, bool swap) {
    const int count = clamp_count(n, 1, 4, 1);
    if (count == 4) {
        stamp.fraction = swap ? net32(x) : x;
        return;
    }
    const std::array<uint8, 4> source = word_bytes(x);
    std::array<uint8, 4> fraction = word_bytes(stamp.fraction);
    copy_low_bytes(fraction, source, count);
    stamp.fraction = bytes_word(fraction);
}

void ntp_set(ntp_time& stamp, uint32 seconds, uint32 fill, int significant, bool swap) {
    stamp.seconds = swap ? net32(seconds) : seconds;
    const int kept = clamp_count(significant, 1, 4, 4);
    if (kept < 4) {
        ntp_set_fill_bytes(stamp, fill, 4 - kept, true);
    }
}

void ntp_set_fraction_ms(ntp_time& stamp, uint32 value, uint32 fill) {
    set_fraction_units(stamp, value, 1000, fill, 3);
}

void ntp_set_fraction_us(ntp_time& stamp, uint32 value, uint32 fill) {
    set_fraction_units(stamp, value, 1000000, fill, 2);
}

void ntp_set_fraction_ns(ntp_time& stamp, uint32 value, uint32 fill) {
    set_fraction_units(stamp, value, 1000000000, fill, 1);
}

void copy_low_bytes(std::array<uint8, 4>& dst, std::span<const uint8> src, int n) {
    const auto count = static_cast<std::size_t>(clamp_count(n, 1, 4, 1));
    if (src.size() < count) {
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        dst.at(dst.size() - count + i) = src[i];
    }
}

void ntp_copy_fill_bytes(ntp_time& stamp, std::span<const uint8> src, int n) {
    std::array<uint8, 4> fraction = word_bytes(stamp.fraction);
    copy_low_bytes(fraction, src, n);
    stamp.fraction = bytes_word(fraction);
}

uint32 ntp_fill_value(const ntp_time& stamp, int n, bool swap) {
    const auto count = static_cast<std::size_t>(clamp_count(n, 1, 3, 4));
    const std::array<uint8, 4> fraction = word_bytes(stamp.fraction);
    uint32 value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<uint32>(fraction.at(4 - count + i)) << (24 - 8 * i);
    }
    return swap ? __builtin_bswap32(value) : value;
}

void ntp_split_fraction(const ntp_time& stamp, uint32& top, uint32& fill, int significant) {
    fill = 0;
    const std::array<uint8, 4> f = word_bytes(stamp.fraction);
    switch (significant) {
        case 1:
            top = f[0];
            fill = bytes_word({f[1], f[2], f[3], 0});
            return;
        case 2:
            top = ((static_cast<uint32>(f[0]) << 8) | f[1]) << 16;
            fill = bytes_word({f[2], f[3], 0, 0});
            return;
        case 3:
            top = ((static_cast<uint32>(f[0]) << 16) | (static_cast<uint32>(f[1]) << 8) | f[2])
                  << 8;
            fill = bytes_word({f[3], 0, 0, 0});
            return;
        default:
            top = stamp.fraction;
            return;
    }
}

void append_low_bytes(const std::array<uint8, 4>& word, byte_array& out, int n) {
    const auto count = static_cast<std::size_t>(clamp_count(n, 1, 3, 4));
    for (std::size_t i = word.size() - count; i < word.size(); ++i) {
        out.push_back(word[i]);
    }
}

void ntp_append_fill_bytes(const ntp_time& stamp, byte_array& out, int n) {
    append_low_bytes(word_bytes(stamp.fraction), out, n);
}

}  // namespace kq
