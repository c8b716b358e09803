#include "time/time_durations.h"

#include "time/time_epochs.h"

namespace kq {

namespace {

namespace ep = time_epoch;

constexpr int64 ticks_per_minute = 60 * ep::ticks_per_second;
constexpr uint64 top_power_of_two = 1ULL << 63;

// |a - b| divided by a unit of ticks. Integer division truncates exactly; the difference of
// two non-negative int64 values cannot overflow.
bool diff_in_units(int64 a, int64 b, int64 ticks_per_unit, uint64& out) {
    out = 0;
    uint64 ticks = 0;
    if (!filetime_diff_ticks(a, b, ticks)) {
        return false;
    }
    out = ticks / static_cast<uint64>(ticks_per_unit);
    return true;
}

int64 saturate(bool negative) { return negative ? INT64_MIN : INT64_MAX; }

}  // namespace

bool filetime_diff_ticks(int64 a, int64 b, uint64& out) {
    if (a < 0 || b < 0) {
        return false;
    }
    out = static_cast<uint64>(a > b ? a - b : b - a);
    return true;
}

bool filetime_diff_us(int64 a, int64 b, uint64& out) {
    return diff_in_units(a, b, ep::ticks_per_microsecond, out);
}

bool filetime_diff_ms(int64 a, int64 b, uint64& out) {
    return diff_in_units(a, b, ep::ticks_per_millisecond, out);
}

bool filetime_diff_seconds(int64 a, int64 b, uint64& out) {
    return diff_in_units(a, b, ep::ticks_per_second, out);
}

uint64 ticks_to_minutes(uint64 ticks) { return ticks / static_cast<uint64>(ticks_per_minute); }

int64 minutes_to_ticks(int64 minutes) {
    int64 ticks = 0;
    if (__builtin_mul_overflow(minutes, ticks_per_minute, &ticks)) {
        return saturate(minutes < 0);
    }
    return ticks;
}

int64 filetime_add_ms(int64 filetime, int64 ms) {
    // Exact in 128 bits: a product beyond int64 can still be brought back into range by a
    // FILETIME of the other sign.
    __extension__ using int128 = __int128;
    const int128 sum = static_cast<int128>(filetime) +
                       static_cast<int128>(ms) * static_cast<int128>(ep::ticks_per_millisecond);
    if (sum > INT64_MAX || sum < INT64_MIN) {
        return saturate(sum < 0);
    }
    return static_cast<int64>(sum);
}

uint64 next_power_of_two(uint64 v) {
    if (v <= 1) {
        return 1;
    }
    if (v > top_power_of_two) {
        return 0;
    }
    uint64 power = 1;
    while (power < v) {
        power <<= 1;
    }
    return power;
}

bool always_true() { return true; }

}  // namespace kq
