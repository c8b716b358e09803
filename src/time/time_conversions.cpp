#include "time/time_conversions.h"

#include <cmath>

#include "text/byte_reader.h"
#include "time/time_arith.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

namespace ep = time_epoch;
using time_arith::mul_add;
using time_arith::seconds_and_ticks_to_filetime;
using time_arith::split_double_seconds;
using time_arith::trunc_to_int64;

constexpr uint64 safari_nanosecond_threshold = 0x100000000ULL;
constexpr uint64 nanoseconds_per_second = 1000000000ULL;
constexpr uint64 nanoseconds_per_tick = 100;

}  // namespace

bool unix_to_filetime(int64 seconds, int64& out) {
    return mul_add(seconds, ep::ticks_per_second, ep::unix_ticks, out);
}

bool filetime_to_unix(int64 filetime, int64& out) {
    if (filetime < 0) {
        return false;
    }
    out = time_arith::floor_div(filetime - ep::unix_ticks, ep::ticks_per_second);
    return true;
}

bool unix_to_filetime_pair(int64 seconds, filetime_pair& out) {
    int64 filetime = 0;
    if (!unix_to_filetime(seconds, filetime)) {
        return false;
    }
    return filetime_from_i64(filetime, out);
}

bool value_to_filetime_pair(filetime_pair& out, uint64 value, type_time kind) {
    if (kind == tt_filetime) {
        return filetime_from_i64(static_cast<int64>(value), out);
    }
    if (kind == tt_unix) {
        return unix_to_filetime_pair(static_cast<int64>(value), out);
    }
    return false;
}

bool chrome_to_filetime(uint64 microseconds, int64& out) {
    return time_arith::umul_add(microseconds, ep::ticks_per_microsecond, 0, out);
}

uint64 filetime_to_chrome(uint64 filetime) {
    return filetime / static_cast<uint64>(ep::ticks_per_microsecond);
}

bool chrome_to_unix(uint64 microseconds, int64& out) {
    int64 filetime = 0;
    if (!chrome_to_filetime(microseconds, filetime)) {
        return false;
    }
    return filetime_to_unix(filetime, out);
}

bool firefox3_to_filetime(int64 microseconds, int64& out) {
    return mul_add(microseconds, ep::ticks_per_microsecond, ep::unix_ticks, out);
}

bool firefox3_to_unix(int64 microseconds, int64& out) {
    int64 filetime = 0;
    if (!firefox3_to_filetime(microseconds, filetime)) {
        return false;
    }
    return filetime_to_unix(filetime, out);
}

bool vhd_to_filetime(uint32 seconds, int64& out) {
    out = static_cast<int64>(seconds) * ep::ticks_per_second + ep::vhd_ticks;
    return true;
}

uint64 filetime_to_vhd(uint64 filetime) {
    return (filetime - static_cast<uint64>(ep::vhd_ticks)) /
           static_cast<uint64>(ep::ticks_per_second);
}

bool dotnet_ticks_to_filetime(uint64 ticks, int64& out) {
    if (ticks < ep::dotnet_ticks_before_1601) {
        return false;
    }
    const uint64 filetime = ticks - ep::dotnet_ticks_before_1601;
    if (filetime > static_cast<uint64>(INT64_MAX)) {
        return false;
    }
    out = static_cast<int64>(filetime);
    return true;
}

bool snowflake_to_filetime(int64 id, int64& out) {
    // The shifted identifier spans at most 2^41 milliseconds either way: no overflow.
    out = (id >> 22) * ep::ticks_per_millisecond + ep::snowflake_ticks;
    return true;
}

uint64 filetime_to_snowflake_ms(uint64 filetime) {
    return (filetime - static_cast<uint64>(ep::snowflake_ticks)) /
           static_cast<uint64>(ep::ticks_per_millisecond);
}

bool safari_to_filetime(uint64 value, int64& out) {
    if (value < safari_nanosecond_threshold) {
        return seconds_and_ticks_to_filetime(static_cast<int64>(value), ep::safari_seconds, 0, out);
    }
    const auto seconds = static_cast<int64>(value / nanoseconds_per_second);
    const auto ticks = static_cast<int64>((value % nanoseconds_per_second) / nanoseconds_per_tick);
    return seconds_and_ticks_to_filetime(seconds, ep::safari_seconds, ticks, out);
}

bool safari_to_filetime(double seconds, int64& out) {
    int64 whole = 0;
    int64 ticks = 0;
    if (!split_double_seconds(seconds, whole, ticks)) {
        return false;
    }
    return seconds_and_ticks_to_filetime(whole, ep::safari_seconds, ticks, out);
}

bool safari_to_unix(uint64 value, int64& out) {
    const uint64 seconds =
        value < safari_nanosecond_threshold ? value : value / nanoseconds_per_second;
    // Either branch leaves at most 2^32 or 1.9 x 10^10 seconds: no overflow.
    out = static_cast<int64>(seconds) + ep::safari_unix_seconds;
    return true;
}

bool safari_double_to_unix(double seconds, int64& out) {
    int64 whole = 0;
    if (!trunc_to_int64(seconds, whole)) {
        return false;
    }
    return !__builtin_add_overflow(whole, ep::safari_unix_seconds, &out);
}

bool guid_to_filetime(int64& out, uint16& clock_sequence, byte_array& node,
                      const std::array<uint8, 16>& guid) {
    out = 0;
    clock_sequence = 0;
    node.clear();
    const byte_reader bytes(guid.data(), guid.size());
    uint64 stamp = 0;
    uint16 sequence = 0;
    if (!bytes.le64_at(0, stamp) || !bytes.be16_at(8, sequence)) {
        return false;
    }
    // time_low, time_mid and time_hi_and_version read as one little-endian value: the
    // version is its top nibble, the 60-bit timestamp the rest.
    if ((stamp >> 60) != 1) {
        return false;
    }
    stamp &= 0x0FFFFFFFFFFFFFFFULL;
    if (stamp < ep::guid_ticks_before_1601) {
        return false;
    }
    out = static_cast<int64>(stamp - ep::guid_ticks_before_1601);
    clock_sequence = static_cast<uint16>(sequence & 0x3FFF);  // top two bits: the variant
    node.assign(guid.begin() + 10, guid.end());
    return true;
}

bool guid_to_filetime(int64& out, uint16& clock_sequence, byte_array& node, const byte_array& data,
                      uint32 start) {
    out = 0;
    clock_sequence = 0;
    node.clear();
    const byte_reader bytes(data);
    if (bytes.size() < 8) {
        return false;
    }
    std::size_t at = start;
    if (start == 0 && bytes.size() > 8 && data.front() == '{') {
        at = 1;
    }
    std::array<uint8, 16> guid{};
    if (!bytes.copy_to(at, guid.size(), guid.data())) {
        return false;
    }
    return guid_to_filetime(out, clock_sequence, node, guid);
}

uint64 ticks_to_seconds(uint64 ticks) { return ticks / static_cast<uint64>(ep::ticks_per_second); }

int64 seconds_to_ticks(int64 seconds) {
    int64 ticks = 0;
    if (__builtin_mul_overflow(seconds, ep::ticks_per_second, &ticks)) {
        return seconds < 0 ? INT64_MIN : INT64_MAX;
    }
    return ticks;
}

uint64 ticks_to_milliseconds(uint64 ticks) {
    return ticks / static_cast<uint64>(ep::ticks_per_millisecond);
}

int64 milliseconds_to_ticks(int64 milliseconds) {
    int64 ticks = 0;
    if (__builtin_mul_overflow(milliseconds, ep::ticks_per_millisecond, &ticks)) {
        return milliseconds < 0 ? INT64_MIN : INT64_MAX;
    }
    return ticks;
}

}  // namespace kq
